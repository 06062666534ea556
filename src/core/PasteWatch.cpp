// Decides when a synthetic paste counts as taken, so the clipboard may come back.
#include "core/PasteWatch.h"

#include "core/TextIO.h"
#include "platform/Pasteboard.h"

namespace quillet {

using std::chrono::milliseconds;

PasteWatch::PasteWatch(Pasteboard& pasteboard, milliseconds sentAt)
    : m_sentAt(sentAt), m_changesAtSend(pasteboard.changeCount()), m_servedAtSend(pasteboard.servedCount()) {}

PasteWatch::Verdict PasteWatch::verdict(Pasteboard& pasteboard, std::optional<bool> fieldShowsText,
                                        milliseconds now) const {
    if (fieldShowsText == true)
        return Verdict::taken;
    const std::optional<qint64> served = pasteboard.servedCount();
    if (served && m_servedAtSend && *served > *m_servedAtSend)
        return Verdict::taken;
    // Whatever the application pastes from now on is that program's, not Quillet's text.
    if (pasteboard.changeCount() != m_changesAtSend)
        return Verdict::lost;
    const milliseconds waited = now - m_sentAt;
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
