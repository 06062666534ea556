// The shortcut's paste over a selection, its Undo in a field that cannot be read (the pasted text
// selected back with the keyboard, checked, and the original pasted over it), and the wait for a
// paste under way at the end.
#include <QTextBoundaryFinder>

#include "core/ClipboardLoan.h"
#include "core/CopiedText.h"

namespace quillet {

using std::chrono::milliseconds;

namespace {

// Grows or shrinks a keyboard selection that stopped short of `want` or ran past it. False when
// what is selected is not part of `want` (or the other way round): nothing then can be mended.
bool mendSelection(Clipboard& clipboard, KeySynth& keys, const QString& want) {
    const std::optional<QString> got = clipboard.selectionText();
    if (!got)
        return false;
    const QString have = CopiedText::plain(*got);
    if (have.size() < want.size() && want.endsWith(have))
        return keys.selectBackward(TextIO::caretStops(want.left(want.size() - have.size())));
    if (have.size() > want.size() && have.endsWith(want))
        return keys.selectForward(TextIO::caretStops(have.left(have.size() - want.size())));
    return false;
}

}  // namespace

int TextIO::caretStops(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int stops = 0;
    while (finder.toNextBoundary() != -1)
        ++stops;
    return stops;
}

void TextIO::undoPaste(const PasteTarget& target, const QString& pasted, const QString& original,
                       std::function<void(bool sent)> completion) {
    Shared::undoPaste(m_shared, target, pasted, original, std::move(completion));
}

void TextIO::Shared::undoPaste(const std::shared_ptr<Shared>& shared, const PasteTarget& target,
                               const QString& pasted, const QString& original,
                               std::function<void(bool sent)> completion) {
    auto report = [completion](bool sent) {
        if (completion)
            completion(sent);
    };
    if (pasted == original) {
        report(true);
        return;
    }
    // Without the desktop's selection buffer there is no telling what the keys selected.
    if (shared->ax.passwordFieldFocused() || !shared->clipboard.supportsSelection()) {
        report(false);
        return;
    }
    // The user's contents are saved before any key: some applications (AbiWord) take the clipboard
    // for the selection the keys make, and it is the user's contents that must come back.
    auto held = shared->beginLoan();
    auto pasteOriginal = [shared, original, target, report, held](bool selected) {
        if (!selected) {
            shared->dropLoan(held);
            report(false);
            return;
        }
        Shared::pasteUnread(shared, original, target, report, held);
    };
    target.activate(shared->workspace);
    if (pasted.isEmpty()) {
        // The paste took the selection away and left the caret where it was: nothing to select.
        pasteOriginal(true);
        return;
    }
    const QString want = TextIO::comparable(pasted);
    auto isSelected = [shared, want] {
        const std::optional<QString> selected = shared->clipboard.selectionText();
        return selected && CopiedText::plain(*selected) == want;
    };
    const int stops = TextIO::caretStops(pasted);
    // The application handles one key press after the other; a long text takes a while.
    const milliseconds timeout = pasteCheckTimeout + milliseconds(2 * stops);
    // The application comes to the front first, as before a paste.
    shared->scheduler.after(pasteDelay, [shared, stops, timeout, want, isSelected, pasteOriginal] {
        if (!shared->keys.selectBackward(stops)) {
            pasteOriginal(false);
            return;
        }
        Shared::waitFor(shared, timeout, isSelected,
                        [shared, timeout, want, isSelected, pasteOriginal](bool ok) {
                            if (ok) {
                                pasteOriginal(true);
                                return;
                            }
                            // Toolkits disagree on a few caret stops (some emoji sequences): make up the
                            // difference once, then look again.
                            if (!mendSelection(shared->clipboard, shared->keys, want)) {
                                pasteOriginal(false);
                                return;
                            }
                            Shared::waitFor(shared, timeout, isSelected, pasteOriginal);
                        });
    });
}

void TextIO::settle(milliseconds limit, std::function<void()> done) {
    const std::shared_ptr<Shared> io = m_shared;
    Shared::waitFor(
        io, limit, [io] { return !io->loan; },
        [io, done = std::move(done)](bool) {
            if (const std::shared_ptr<ClipboardSnapshot> loan = io->loan)
                io->endLoan(loan);
            if (done)
                done();
        });
}

void TextIO::pasteReplacement(const QString& text, const PasteTarget& target,
                              std::function<void(bool sent)> completion) {
    if (m_shared->ax.passwordFieldFocused()) {
        if (completion)
            completion(false);
        return;
    }
    auto report = [completion = std::move(completion)](bool sent) {
        if (completion)
            completion(sent);
    };
    // Another program copied before the application read ours, and the application pasted that copy
    // over the selection. Once it is in, it is selected back with the keyboard and ours pasted over
    // it, once; nothing is pasted unless exactly that copy is selected. Its copy stays on the
    // clipboard.
    const std::shared_ptr<Shared> shared = m_shared;
    auto lost = [shared, text, target, report] {
        shared->scheduler.after(lostPasteSettle, [shared, text, target, report] {
            const std::optional<QString> theirs = shared->clipboard.plainText();
            if (!theirs || theirs->isEmpty()) {
                report(false);
                return;
            }
            Shared::undoPaste(shared, target, *theirs, text, report);
        });
    };
    Shared::pasteUnread(m_shared, text, target, report, nullptr, lost);
}

}  // namespace quillet
