// What a click on the icon or the shortcut turns into: the field, its selection or whole text as
// read then, and whether the field a request was made for still has the keyboard.
#include "core/FieldRequest.h"

#include "core/CopiedText.h"
#include "core/L10n.h"
#include "core/PasteTarget.h"
#include "platform/Accessibility.h"
#include "platform/Workspace.h"

namespace quillet {

namespace {

constexpr QChar objectReplacement(0xFFFC);

// Whether `text`, read as the field's whole text (or its selection), is not what the field holds.
bool cameThroughBroken(Accessibility& ax, const FocusedField& field, const QString& text,
                       bool selectionOnly) {
    if (text.contains(objectReplacement))
        return true;
    if (selectionOnly)
        return false;
    // The count is in the toolkit's units: characters or UTF-16 code units, never more of them than
    // the text has code units. One more is a final line break some toolkits count and do not give.
    const std::optional<qint64> count = ax.characterCount(field.element);
    return count && *count > text.size() + 1;
}

// `field`, with the window it is in for a paste: the one in front now, when it is the field's.
FocusedField inFrontWindow(Workspace& workspace, FocusedField field) {
    const PasteTarget front = PasteTarget::front(workspace);
    if (front.pid == field.applicationPid() || (field.appId && front.appId == field.appId))
        field.window = front.window;
    return field;
}

}  // namespace

std::optional<FieldRequest> FieldRequest::ofCopied(Accessibility& ax, Workspace& workspace,
                                                   FocusedField field, const QString& copied) {
    const QString text = CopiedText::plain(copied);
    const std::optional<QString> value = ax.text(field.element);
    if (!value || text.trimmed().isEmpty() || cameThroughBroken(ax, field, *value, false))
        return std::nullopt;
    const qsizetype at = value->indexOf(text);
    if (at < 0 || value->indexOf(text, at + 1) >= 0)
        return std::nullopt;
    return FieldRequest{inFrontWindow(workspace, field), true, value, text, at};
}

std::optional<FieldRequest> FieldRequest::read(Accessibility& ax, Workspace& workspace, FocusedField field,
                                               NoRequest* why) {
    const std::optional<QString> selection = field.selectedText(ax);
    const bool selectionOnly = selection.has_value();
    const std::optional<QString> value =
        selectionOnly ? std::nullopt : std::optional<QString>(ax.text(field.element));
    // Neither the selection nor the text came: the application did not answer, and may shortly.
    if (!selectionOnly && !value && field.mayHoldSelection(ax)) {
        if (why)
            *why = NoRequest::unanswered;
        return std::nullopt;
    }
    const QString text = selectionOnly ? *selection : value.value_or(QString());
    const bool broken = cameThroughBroken(ax, field, text, selectionOnly);
    if (broken || text.trimmed().isEmpty()) {
        if (why)
            *why = broken ? NoRequest::unreadable : NoRequest::blank;
        return std::nullopt;
    }
    FieldRequest request{inFrontWindow(workspace, field), selectionOnly, std::nullopt, text, 0};
    // Unknown when the field cannot be read: Undo then takes back only what was pasted. The whole
    // text read just now is not read twice.
    request.fullValue = selectionOnly ? std::optional<QString>(ax.text(field.element)) : text;
    // Where the text starts in the field: the write goes there, whatever is selected by then.
    if (selectionOnly) {
        const std::optional<TextRange> range = ax.selection(field.element);
        request.location = range ? range->location : -1;
    }
    return request;
}

bool FieldRequest::readAgainLater(Scheduler& scheduler, NoRequest why, int retry,
                                  std::function<void()> again) {
    if (why != NoRequest::unanswered || retry >= unansweredRetries)
        return false;
    scheduler.after(unansweredRetryDelay, std::move(again));
    return true;
}

QString FieldRequest::unreadableNotice(const L10n& l) {
    return l.text(
        QT_TRANSLATE_NOOP("Quillet", "Quillet could not read this field's text, so nothing was sent."));
}

bool FieldRequest::isStillTheField(Workspace& workspace, const FocusedField& field, const Trigger& trigger,
                                   const std::function<std::optional<FocusedField>()>& focusedNow) {
    if (!trigger.field.isNull() && !(trigger.field == field.element))
        return false;
    // This program's own windows aside, the field's application must be the one in front, and the
    // field the element that has the keyboard there (where the desktop says which one has it).
    if (const std::optional<RunningApplication> front = workspace.activeApplication()) {
        const bool sameApp =
            front->pid == field.applicationPid() || (field.appId && front->appId == field.appId);
        if (!sameApp && front->pid != workspace.ownPid())
            return false;
    }
    const std::optional<FocusedField> focused = focusedNow();
    return !focused || focused->element == field.element;
}

}  // namespace quillet
