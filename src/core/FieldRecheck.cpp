// The field read again just before the chosen text goes in. It must still be there, in its running
#include "core/FieldRecheck.h"

#include <algorithm>

#include "platform/Workspace.h"

namespace quillet {

namespace {

qsizetype commonPrefix(const QString& a, const QString& b) {
    const qsizetype limit = std::min(a.size(), b.size());
    qsizetype n = 0;
    while (n < limit && a.at(n) == b.at(n))
        ++n;
    return n;
}

// Shared at the end, not reaching into the first `prefix` units of either.
qsizetype commonSuffix(const QString& a, const QString& b, qsizetype prefix) {
    const qsizetype limit = std::min(a.size(), b.size()) - prefix;
    qsizetype n = 0;
    while (n < limit && a.at(a.size() - 1 - n) == b.at(b.size() - 1 - n))
        ++n;
    return n;
}

bool isSpace(QChar c) {
    return c.isSpace();
}

FieldRecheck withVerdict(FieldRecheck::Verdict v) {
    FieldRecheck r;
    r.verdict = v;
    return r;
}

}  // namespace

FieldRecheck FieldRecheck::plan(const CheckedField& checked, const QString& chosen, const QString& now) {
    const QString& before = checked.value;
    const qint64 start = checked.sent.location;
    const qint64 end = start + checked.sent.length;
    if (start < 0 || end > before.size() || checked.sent.length < 0)
        return withVerdict(Verdict::changed);
    FieldRecheck r;
    r.now = now;
    if (now == before) {
        r.verdict = Verdict::same;
        r.range = checked.sent;
        r.text = chosen;
        return r;
    }

    // What the correction changed, as one stretch of the field: from its first to its last change,
    // widened to whole words so that an edit touching a corrected word counts as touching it.
    const QString sent = before.mid(start, checked.sent.length);
    const qsizetype same = commonPrefix(sent, chosen);
    const qsizetype sameEnd = commonSuffix(sent, chosen, same);
    qint64 from = start + same;
    qint64 to = end - sameEnd;
    const QString inserted = chosen.mid(same, chosen.size() - sameEnd - same);
    while (from > 0 && !isSpace(before.at(from - 1)))
        --from;
    while (to < before.size() && !isSpace(before.at(to)))
        ++to;

    // The user's edit, as one stretch of the field as it was.
    const qsizetype kept = commonPrefix(before, now);
    const qsizetype keptEnd = commonSuffix(before, now, kept);
    const qint64 editFrom = kept;
    const qint64 editTo = before.size() - keptEnd;
    const qint64 grown = now.size() - before.size();
    // Clear of the corrected words on one side or the other, with a character between; text put in
    // right against them counts as clear when white space separates it from them.
    const QString typed = now.mid(editFrom, editTo + grown - editFrom);
    const bool insertion = editFrom == editTo && !typed.isEmpty();
    if (editTo < from || (insertion && editTo == from && isSpace(typed.back()))) {
        r.range = TextRange{from + grown, to - from};
    } else if (editFrom > to || (insertion && editFrom == to && isSpace(typed.front()))) {
        r.range = TextRange{from, to - from};
    } else {
        return withVerdict(Verdict::changed);
    }
    r.verdict = Verdict::rebased;
    r.text =
        before.mid(from, start + same - from) + inserted + before.mid(end - sameEnd, to - (end - sameEnd));
    return r;
}

FieldRecheck FieldRecheck::of(Accessibility& ax, Workspace& workspace, const FocusedField& field,
                              const CheckedField& checked, const QString& chosen) {
    if (field.pid > 0 && !workspace.runningApplication(field.pid))
        return withVerdict(Verdict::gone);
    // The panel is this program's; behind it, the field's application must still be the one in front.
    if (const std::optional<RunningApplication> front = workspace.activeApplication()) {
        const bool ours = front->pid == workspace.ownPid() || front->pid == field.applicationPid();
        const bool sameApp = field.appId && front->appId == field.appId;
        if (!ours && !sameApp)
            return withVerdict(Verdict::gone);
    }
    const Answer<QString> text = ax.text(field.element);
    if (text.error() == AccessError::invalidElement)
        return withVerdict(Verdict::gone);
    if (!text)
        return withVerdict(Verdict::unanswered);
    return plan(checked, chosen, *text);
}

}  // namespace quillet
