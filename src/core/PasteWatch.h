// When a synthetic paste counts as taken by the application it was sent to: only then may the
// user's clipboard come back, since an application that reads the clipboard later (a slow or
// frozen one) would otherwise paste the user's own contents into the field.
#pragma once

#include <QtGlobal>
#include <chrono>
#include <optional>

namespace quillet {

class Clipboard;

class PasteWatch {
public:
    enum class Verdict {
        waiting,      ///< nothing has taken the paste yet, and the application may still
        taken,        ///< the field shows the text; where it cannot be read, the application asked
                      ///< Quillet for it and has asked nothing more for a moment
        lost,         ///< another program put something on the clipboard before anything took it
        notTaken,     ///< the application answers and did not take it, or the longest wait is over
        unconfirmed,  ///< nothing can tell: the field cannot be read and the clipboard not watched
    };

    /// The longest the clipboard stays lent to an application that neither takes the paste nor
    /// answers (stopped, or busy): long enough for one that wakes, not for ever.
    static constexpr std::chrono::milliseconds takeLimit{30000};
    /// How long an application that cannot be read back must have asked nothing more before its
    /// paste counts as taken: browser engines ask more than once, and late.
    static constexpr std::chrono::milliseconds quietTime{300};

    /// Starts right after the paste keys went out, Quillet's text on the clipboard; `targetPid` is the
    /// process the paste goes to (0: whichever is in front), whose requests alone count.
    PasteWatch(Clipboard& clipboard, std::chrono::milliseconds sentAt, qint32 targetPid = 0);

    /// `fieldShowsText`: whether the field reads back with the text; empty when it cannot be read
    /// (or did not answer). Asked every little while: it notes when the application last asked for
    /// the text.
    Verdict verdict(Clipboard& clipboard, std::optional<bool> fieldShowsText, std::chrono::milliseconds now);

    /// Whether a paste into a field that cannot be read can be seen being taken at all.
    bool watchesPastes() const { return m_servedAtSend.has_value(); }

    /// Whether the field may be read now. An application fetching the text from the clipboard may
    /// answer nothing else until it has it (Firefox waits a second, then pastes nothing), while
    /// Quillet, waiting for that answer, cannot hand the text over: where the requests can be seen,
    /// the field is read only once the application has fetched the text, or after the longest wait
    /// for a paste to show.
    bool mayReadField(Clipboard& clipboard, std::chrono::milliseconds now) const;

    /// Verdicts that end the wait.
    static bool isFinal(Verdict verdict) { return verdict != Verdict::waiting; }

private:
    std::optional<qint64> served(Clipboard& clipboard) const;

    std::chrono::milliseconds m_sentAt;
    qint32 m_targetPid = 0;
    qint64 m_changesAtSend = 0;
    std::optional<qint64> m_servedAtSend;
    // The requests seen so far, and when the last of them was first seen.
    qint64 m_servedSeen = 0;
    std::chrono::milliseconds m_lastRequestAt{0};
};

}  // namespace quillet
