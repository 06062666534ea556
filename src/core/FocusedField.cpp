// The focused editable text field, with the application that owns it.
#include "core/FocusedField.h"

#include "platform/Accessibility.h"
#include "platform/EditableText.h"
#include "platform/ProcessTree.h"
#include "platform/Workspace.h"

namespace quillet {

namespace {

const QString secureTextField = QStringLiteral("AXSecureTextField");

// The Unicode White_Space property, written out so the count does not depend on a library's
// idea of "space". No White_Space character lies outside the Basic Multilingual Plane.
bool isWhiteSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

}  // namespace

bool FocusedField::isEditableTextElement(Accessibility& ax, const Accessible& element) {
    return quillet::isEditableTextElement(ax, element);
}

std::optional<FocusedField> FocusedField::from(Accessibility& ax, Workspace& workspace,
                                               const Accessible& element) {
    if (!isEditableTextElement(ax, element))
        return std::nullopt;
    qint32 owner = 0;
    ax.pid(element, owner);
    // A browser may show in its window a page that another of its processes answers for: that
    // page's field is the browser's. Only for the browser in front, and only for its own children.
    qint32 host = 0;
    if (const std::optional<RunningApplication> front = workspace.activeApplication();
        front && front->pid != owner && front->pid != workspace.ownPid() &&
        ProcessTree::descendsFrom(owner, front->pid,
                                  [&workspace](qint32 pid) { return workspace.parentProcess(pid); }))
        host = front->pid;
    std::optional<QString> bundle;
    if (std::optional<RunningApplication> app = workspace.runningApplication(host != 0 ? host : owner))
        bundle = app->appId;
    return FocusedField{element, owner, bundle, 0, host};
}

bool FocusedField::isSecure(Accessibility& ax) const {
    if (ax.passwordFieldFocused())
        return true;
    return ax.role(element) == secureTextField;
}

std::optional<QString> FocusedField::selectedText(Accessibility& ax) const {
    std::optional<QString> text = ax.selectedText(element);
    if (!text || text->isEmpty())
        return std::nullopt;
    return text;
}

bool FocusedField::mayHoldSelection(Accessibility& ax) const {
    const Answer<QString> selected = ax.selectedText(element);
    return selected.error() == AccessError::cannotComplete || (selected && !selected->isEmpty());
}

bool FocusedField::hidesSelection(Accessibility& ax) const {
    return ax.hidesSelection(element);
}

int FocusedField::wordCount(Accessibility& ax) const {
    return countWords(ax.text(element).value_or(QString()));
}

int FocusedField::countWords(const QString& text) {
    int words = 0;
    bool inWord = false;
    for (QChar c : text) {
        if (isWhiteSpace(c.unicode())) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

}  // namespace quillet
