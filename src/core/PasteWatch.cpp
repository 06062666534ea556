// Decides when a synthetic paste counts as taken, so the clipboard may come back.
#include "core/PasteWatch.h"

#include "core/TextIO.h"
#include "platform/Clipboard.h"

namespace quillet {

using std::chrono::milliseconds;

PasteWatch::PasteWatch(Clipboard& clipboard, milliseconds sentAt, qint32 targetPid)
    : m_sentAt(sentAt), m_targetPid(targetPid), m_changesAtSend(clipboard.serial()) {
    m_servedAtSend = served(clipboard);
    m_servedSeen = m_servedAtSend.value_or(0);
}

bool PasteWatch::mayReadField(Clipboard& clipboard, milliseconds now) const {
    if (!m_servedAtSend || now - m_sentAt >= TextIO::pasteCheckTimeout)
        return true;
    const std::optional<qint64> servedNow = served(clipboard);
    return !servedNow || *servedNow > *m_servedAtSend;
}

std::optional<qint64> PasteWatch::served(Clipboard& clipboard) const {
    return m_targetPid ? clipboard.servedCountTo(m_targetPid) : clipboard.servedCount();
}

PasteWatch::Verdict PasteWatch::verdict(Clipboard& clipboard, std::optional<bool> fieldShowsText,
                                        milliseconds now) {
    if (fieldShowsText == true)
        return Verdict::taken;
    const std::optional<qint64> servedNow = served(clipboard);
    if (servedNow && m_servedAtSend && *servedNow != m_servedSeen) {
        m_servedSeen = *servedNow;
        m_lastRequestAt = now;
    }
    const bool asked = m_servedAtSend && m_servedSeen > *m_servedAtSend;
    const milliseconds waited = now - m_sentAt;
    // A field that reads back counts once it shows the text: the request alone may be only the
    // first of several.
    if (asked && !fieldShowsText && (now - m_lastRequestAt >= quietTime || waited >= takeLimit))
        return Verdict::taken;
    // Whatever the application pastes from now on is that program's, not Quillet's text.
    if (clipboard.serial() != m_changesAtSend)
        return asked ? Verdict::taken : Verdict::lost;
    if (asked && !fieldShowsText)
        return Verdict::waiting;
    if (!fieldShowsText && !m_servedAtSend)
        return waited >= TextIO::restoreDelay ? Verdict::unconfirmed : Verdict::waiting;
    if (waited < TextIO::pasteCheckTimeout)
        return Verdict::waiting;
    // A field that still answers has had its time; a silent application may yet wake and paste.
    if (fieldShowsText == false || waited >= takeLimit)
        return Verdict::notTaken;
    return Verdict::waiting;
}

}  // namespace quillet
