#include "core/TextIO.h"

#include "core/AX.h"
#include "core/ClipboardSnapshot.h"
#include "platform/Accessibility.h"
#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace quillet {

struct TextIO::Shared {
    Pasteboard& pasteboard;
    KeySynth& keys;
    // The latest borrowing of the clipboard whose restore is still pending.
    std::shared_ptr<ClipboardSnapshot> loan;

    // The user's contents, to come back after this borrowing. When an earlier borrowing is still
    // pending and the clipboard holds Quillet's own text, the user's contents are the earlier
    // snapshot's: capturing now would save Quillet's text and lose theirs.
    std::shared_ptr<ClipboardSnapshot> beginLoan() {
        auto snapshot = std::make_shared<ClipboardSnapshot>();
        snapshot->items = loan && loan->holdsBorrowedContents(pasteboard)
                              ? loan->items
                              : ClipboardSnapshot::capture(pasteboard).items;
        loan = snapshot;
        return snapshot;
    }

    // A borrowing that a later one took over leaves the restore to it: putting the user's
    // contents back now would paste them in place of the later text.
    void endLoan(const std::shared_ptr<ClipboardSnapshot>& snapshot) {
        if (loan != snapshot)
            return;
        loan.reset();
        snapshot->restore(pasteboard);
    }
};

TextIO::TextIO(Accessibility& ax, Pasteboard& pasteboard, KeySynth& keys, Workspace& workspace,
               Scheduler& scheduler)
    : m_ax(ax),
      m_workspace(workspace),
      m_scheduler(scheduler),
      m_shared(std::make_shared<Shared>(Shared{pasteboard, keys, nullptr})) {}

TextIO::~TextIO() = default;

bool TextIO::isSettable(const AXElement& element, const QString& attribute) {
    bool settable = false;
    if (element.isNull() || m_ax.isAttributeSettable(element, attribute, settable) != AXError::success)
        return false;
    return settable;
}

std::optional<TextIO::Strategy> TextIO::replace(const FocusedField& field, const QString& text,
                                                bool selectionOnly) {
    const AXElement& element = field.element;
    if (selectionOnly) {
        if (isSettable(element, AXAttr::selectedText) &&
            m_ax.setAttribute(element, AXAttr::selectedText, text) == AXError::success)
            return Strategy::axSelectedText;
        if (m_ax.isSecureEventInputEnabled())
            return std::nullopt;
        pasteViaClipboard(text, false, field.pid);
        return Strategy::clipboard;
    }

    if (isSettable(element, AXAttr::value) &&
        m_ax.setAttribute(element, AXAttr::value, text) == AXError::success &&
        AX::attribute(m_ax, element, AXAttr::value) == text)
        return Strategy::axValue;
    if (selectAllViaAX(element) && isSettable(element, AXAttr::selectedText) &&
        m_ax.setAttribute(element, AXAttr::selectedText, text) == AXError::success)
        return Strategy::axSelectedText;
    if (m_ax.isSecureEventInputEnabled())
        return std::nullopt;
    pasteViaClipboard(text, true, field.pid);
    return Strategy::clipboard;
}

bool TextIO::selectAllViaAX(const AXElement& element) {
    const std::optional<QString> value = AX::attribute(m_ax, element, AXAttr::value);
    if (!value)
        return false;
    // QString counts UTF-16 code units, the unit accessibility ranges are measured in.
    const AXTextRange all{0, value->size()};
    return m_ax.setAttribute(element, AXAttr::selectedTextRange, all) == AXError::success;
}

void TextIO::pasteViaClipboard(const QString& text, bool selectAll, qint32 pid) {
    auto shared = m_shared;
    auto snapshot = shared->beginLoan();
    snapshot->lendText(shared->pasteboard, text);
    if (pid != 0)
        m_workspace.activate(pid);
    Scheduler* scheduler = &m_scheduler;
    scheduler->after(pasteDelay, [shared, snapshot, selectAll, scheduler] {
        if (selectAll)
            shared->keys.selectAll();
        shared->keys.paste();
        scheduler->after(restoreDelay, [shared, snapshot] { shared->endLoan(snapshot); });
    });
}

void TextIO::pasteReplacement(const QString& text) {
    if (m_ax.isSecureEventInputEnabled())
        return;
    pasteViaClipboard(text, false, 0);
}

void TextIO::copyFocusedSelection(std::function<void(std::optional<QString>)> completion) {
    if (m_ax.isSecureEventInputEnabled()) {
        if (completion)
            completion(std::nullopt);
        return;
    }
    auto shared = m_shared;
    auto snapshot = shared->beginLoan();
    // Emptied first, so that a copy with nothing selected reads nothing rather than the old text.
    snapshot->lendForCopy(shared->pasteboard);
    shared->keys.copy();
    m_scheduler.after(copyDelay, [shared, snapshot, completion = std::move(completion)] {
        const std::optional<QString> copied = shared->pasteboard.plainText();
        snapshot->settle(shared->pasteboard);
        shared->endLoan(snapshot);
        if (completion)
            completion(copied);
    });
}

}  // namespace quillet
