// Follows the keyboard focus of the active application and reports focus changes and changes
// of the current field's frame or text.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "base/Geometry.h"
#include "core/FocusedField.h"
#include "core/ManualAccessibility.h"
#include "platform/Scheduler.h"

namespace quillet {

class Accessibility;
class EventWatch;
class Workspace;
struct RunningApplication;

class AXMonitor : public QObject {
    Q_OBJECT
public:
    /// How often the current field is re-checked, for toolkits that send no notification.
    static constexpr std::chrono::milliseconds trackInterval{150};
    /// Once the field has kept its frame and text, and its application has said nothing, for this
    /// long, the re-check slows down to the quiet interval; any notification, or a change a tick
    /// finds, brings the fast one back. A field left alone is looked at four times less often, and
    /// one that moves with nothing said (a scroll) is still followed, a little later.
    static constexpr std::chrono::milliseconds quietAfter{3000};
    static constexpr std::chrono::milliseconds quietTrackInterval{600};
    /// The tick reads the frame, the character count and the caret, which cost the same for any
    /// length of text. The whole text is read when a notification, the count or the caret says it
    /// changed, and otherwise at most this often, for toolkits that say nothing about an edit that
    /// keeps the length and the caret.
    static constexpr std::chrono::milliseconds fullReadInterval{2000};
    /// A text longer than this many characters is not read whole unprompted: the text around the
    /// caret, which costs the same for any length, is compared instead, and only a difference
    /// there has the whole read. Idle, a book costs what a line does.
    static constexpr qint64 longTextCharacters = 4 * nearCaretSpan;
    /// A long text takes long to read: its unprompted reads are spaced so they cost at most about
    /// one part in this many of the time,
    static constexpr int fullReadCostShare = 500;
    /// and while the user types, the reads an edit prompts one part in this many: the icon follows
    /// the word count a little later in a long document, but typing stays cheap.
    static constexpr int editReadCostShare = 100;
    /// However slow the text, an edit is read within this long, and an unprompted read comes at
    /// least this often: a document still loading when it was first read must not wait long.
    static constexpr std::chrono::milliseconds longestEditReadWait{1000};
    static constexpr std::chrono::milliseconds longestFullReadInterval{10000};
    /// How long the focus is looked for again, on the same tick, after an activation (or an
    /// application joining the desktop) found no field: an application started just now may not be
    /// on the accessibility bus yet, or not have said where its focus is.
    static constexpr std::chrono::milliseconds lateApplicationWait{5000};

    AXMonitor(Accessibility& ax, Workspace& workspace, Scheduler& scheduler);
    ~AXMonitor() override;

Q_SIGNALS:
    /// On every focus change, with the new field or with nothing.
    void focusChanged(const std::optional<FocusedField>& field);
    /// The current field's frame or text changed since it was last reported.
    void fieldUpdated(const FocusedField& field);

public:
    /// While true, focus changes are ignored and the current field stays; updates go on.
    bool suspendFocusTracking = false;
    /// While it holds, neither the ticks nor the desktop's events ask the applications anything; a
    /// focus change meanwhile is read once it is over. An application fetching a paste from this
    /// program may answer nothing else until it has the text, and this program, waiting for that
    /// answer, could not hand the text over.
    std::function<bool()> holdWhile;

    /// Follows application activations and attaches to the active application. Call once.
    void start();
    /// The element whose focused element is the active application's focus.
    const Accessible& root() const { return m_root; }
    /// The field reported last by a focus change.
    const std::optional<FocusedField>& current() const { return m_current; }
    /// The words of the current field's text when it was last read; absent without a field.
    std::optional<int> currentWordCount() const {
        return m_current ? std::optional<int>(m_lastWordCount) : std::nullopt;
    }
    /// The current field's screen frame when it was last read; absent without a field or when it
    /// could not be read. Changes to it are reported: a frame read elsewhere may disagree with it
    /// (an application that failed to answer once) and never be read again.
    std::optional<Rect> currentFrame() const { return m_current ? m_lastFrame : std::nullopt; }
    /// Re-checks the current field now, reporting an update if it changed (the timer's tick).
    void notifyUpdateIfNeeded();
    /// A focus change inside the program's own windows, which the desktop never reports to it:
    /// `field` of this process took the focus, or, with nothing, the one that had it lost it.
    /// Ignored while focus tracking is suspended; a loss changes nothing while another process's
    /// field is current.
    void focusChangedInProcess(const std::optional<FocusedField>& field);

private:
    void attach(const RunningApplication& app);
    void detachWatch();
    void handle(AccessEvent event, const Accessible& element);
    bool held() const;
    void focusAfterHold();
    void readFocus();
    /// Reads the focus; where it is no field yet, looks for one again for a while.
    void readFocusOrLookAgain();
    void setCurrent(const std::optional<FocusedField>& field);
    void startOrStopTracking();
    /// Re-checks the field every `interval` from now on.
    void track(std::chrono::milliseconds interval);
    void tick();
    /// Something happened at the field: the fast tick again, and the quiet wait starts anew.
    void wake();
    /// Reads the whole text of the current field: its hash, its word count and the cheap marks.
    void readText();
    /// Whether the current field's text may differ from the one read last, judged without reading it
    /// whole.
    bool textMayHaveChanged();
    /// Looks for the focus again on the tick until a field turns up or the wait is over.
    void lookAgainForAWhile();
    void stopLookingAgain();
    void lookAgain();
    bool ownWindowIsActive();

    Accessibility& m_ax;
    Workspace& m_workspace;
    Scheduler& m_scheduler;
    Accessible m_root;
    ManualAccessibility m_manualAccessibility;
    qint32 m_watchedPid = 0;
    std::unique_ptr<EventWatch> m_watch;
    std::optional<FocusedField> m_current;
    std::optional<TimerId> m_trackTimer;
    std::chrono::milliseconds m_trackInterval{trackInterval};
    std::chrono::milliseconds m_lastActivity{0};
    std::optional<TimerId> m_lookTimer;
    std::chrono::milliseconds m_lookUntil{0};
    std::optional<Rect> m_lastFrame;
    qint64 m_lastValueHash = 0;
    int m_lastWordCount = 0;
    // What the tick compares to find out, cheaply, whether the text changed.
    std::optional<qint64> m_lastCharacterCount;
    std::optional<qint64> m_lastCaret;
    // The hash of the text around the caret, kept for long texts only.
    std::optional<qint64> m_lastNearCaretHash;
    bool m_valueChangedSinceRead = false;
    // A focus change, or the current field gone, while the monitor was held.
    bool m_focusAfterHold = false;
    std::chrono::milliseconds m_nextUnpromptedRead{0};
    std::chrono::milliseconds m_nextPromptedRead{0};
    bool m_started = false;
    // Callbacks handed to the desktop and the scheduler hold this weakly.
    std::shared_ptr<AXMonitor*> m_self;
};

}  // namespace quillet
