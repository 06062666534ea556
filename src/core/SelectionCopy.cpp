// The shortcut's copy of the selection of the window in front, where no field can be read: the
// clipboard is borrowed for the copy and given back after.
#include "core/ClipboardLoan.h"
#include "core/CopiedText.h"

namespace quillet {

using std::chrono::milliseconds;

void TextIO::copyFocusedSelection(std::function<void(std::optional<QString>)> completion) {
    if (m_shared->ax.passwordFieldFocused()) {
        if (completion)
            completion(std::nullopt);
        return;
    }
    auto shared = m_shared;
    auto snapshot = shared->beginLoan();
    // Only the application the copy was asked of may answer it.
    const std::optional<RunningApplication> front = m_workspace.activeApplication();
    const std::optional<qint32> source = front ? std::optional<qint32>(front->pid) : std::nullopt;
    snapshot->lendForCopy(shared->clipboard);
    const qint64 before = shared->clipboard.serial();
    shared->keys.copy();
    auto finish = [shared, snapshot, completion = std::move(completion)](std::optional<QString> copied,
                                                                         bool changed) {
        if (changed) {
            snapshot->settle(shared->clipboard);
            shared->endLoan(snapshot);
        } else {
            // Nothing came: the clipboard was never touched, and the user's contents are still there.
            shared->dropLoan(snapshot);
        }
        if (completion)
            completion(copied);
    };
    // The first change after the key press is the answer, and it is taken at once: a copy made by
    // another program a moment later must neither be sent nor be overwritten by the restore.
    Shared::waitFor(
        shared, copyDelay, [shared, before] { return shared->clipboard.serial() != before; },
        [shared, source, finish](bool changed) {
            if (!changed) {
                finish(std::nullopt, false);
                return;
            }
            const std::optional<qint32> owner = shared->clipboard.ownerPid();
            if (source && owner && *owner != *source) {
                // Another program's copy: it stays on the clipboard, and nothing is sent.
                finish(std::nullopt, false);
                return;
            }
            const qint64 answer = shared->clipboard.serial();
            // As the application gave it: its line breaks are the ones the paste must bring back.
            std::optional<QString> copied = shared->clipboard.plainText();
            // Without the terminator some programs copy along; the line breaks stay as they are.
            if (copied)
                copied = CopiedText::withoutTrailingControls(*copied);
            if (copied && CopiedText::looksLikeCopiedLine(shared->clipboard, *copied))
                copied.reset();
            // A change during the read: whose text was read cannot be told.
            finish(shared->clipboard.serial() == answer ? copied : std::nullopt, true);
        });
}

}  // namespace quillet
