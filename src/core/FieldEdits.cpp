// Word-run edits sent into a field through accessibility, and taken back the same way.
#include "core/FieldEdits.h"

#include "core/LineEnds.h"
#include "platform/Accessibility.h"

namespace quillet {

namespace {

// Each edit's offsets hold only while everything after it is as planned and everything before it
// untouched: the edits go from the end of the text to its start.
bool sendFromEnd(Accessibility& ax, const Accessible& element, const QList<TextEdit>& edits,
                 qsizetype& sent) {
    sent = 0;
    for (auto it = edits.crbegin(); it != edits.crend(); ++it) {
        if (ax.replaceText(element, TextRange{it->location, it->length}, it->text) != AccessError::success)
            return false;
        ++sent;
    }
    return true;
}

}  // namespace

FieldEdits::Sent FieldEdits::send(Accessibility& ax, const Accessible& element, const QString& before,
                                  const QList<TextEdit>& edits) {
    qsizetype sent = 0;
    if (sendFromEnd(ax, element, edits, sent))
        return Sent::all;
    if (sent == 0)
        return Sent::none;
    return takeBack(ax, element, before, edits, sent) ? Sent::takenBack : Sent::halfWritten;
}

bool FieldEdits::takeBack(Accessibility& ax, const Accessible& element, const QString& before,
                          const QList<TextEdit>& edits, qsizetype count) {
    // The edits in place are the last ones: their inverses, in offsets of the text as it is now, go
    // in from the end too.
    const QList<TextEdit> back = WordEdits::inverse(before, edits.mid(edits.size() - count));
    qsizetype sent = 0;
    return sendFromEnd(ax, element, back, sent);
}

std::optional<qsizetype> FieldEdits::shownIn(const QString& now, const QString& before,
                                             const QList<TextEdit>& edits) {
    const QString have = LineEnds::toLineFeeds(now);
    for (qsizetype count = 0; count <= edits.size(); ++count)
        if (have == LineEnds::toLineFeeds(WordEdits::applied(before, edits.mid(edits.size() - count))))
            return count;
    return std::nullopt;
}

}  // namespace quillet
