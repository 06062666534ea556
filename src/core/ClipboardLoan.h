// The clipboard loan and the waits every road of TextIO shares: the user's clipboard contents
// come back after each borrowing, and a field is polled until it reads back.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "core/ClipboardSnapshot.h"
#include "core/PasteTarget.h"
#include "core/PasteWatch.h"
#include "core/TextIO.h"
#include "platform/Accessibility.h"
#include "platform/Clipboard.h"
#include "platform/KeySynth.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace quillet {
using std::chrono::milliseconds;

struct TextIO::Shared {
    Accessibility& ax;
    Clipboard& clipboard;
    KeySynth& keys;
    Workspace& workspace;
    Scheduler& scheduler;
    // The latest borrowing of the clipboard whose restore is still pending.
    std::shared_ptr<ClipboardSnapshot> loan;

    // The user's contents, to come back after this borrowing. When an earlier borrowing is still
    // pending and the clipboard holds Quillet's own text, the user's contents are the earlier
    // snapshot's: capturing now would save Quillet's text and lose theirs.
    std::shared_ptr<ClipboardSnapshot> beginLoan() {
        auto snapshot = std::make_shared<ClipboardSnapshot>();
        const ClipboardSnapshot user =
            loan && loan->holdsBorrowedContents(clipboard) ? *loan : ClipboardSnapshot::capture(clipboard);
        snapshot->items = user.items;
        snapshot->complete = user.complete;
        loan = snapshot;
        return snapshot;
    }

    // Ends a borrowing that changed nothing on the clipboard.
    void dropLoan(const std::shared_ptr<ClipboardSnapshot>& snapshot) {
        if (loan == snapshot)
            loan.reset();
    }

    // A borrowing that a later one took over leaves the restore to it: putting the user's
    // contents back now would paste them in place of the later text.
    void endLoan(const std::shared_ptr<ClipboardSnapshot>& snapshot) {
        if (loan != snapshot)
            return;
        loan.reset();
        snapshot->restore(clipboard);
    }

    // Puts `text` on the clipboard and, after the paste delay, pastes it (after a select-all when
    // asked). `sent` learns whether the keys went out, and from when the paste is watched; the
    // clipboard is the caller's to give back through endLoan() or awaitPaste() from then on.
    // `held`: the user's contents, saved earlier by beginLoan(), where keys sent since (a selection
    // some applications take the clipboard for) may have replaced them.
    static void lendAndPaste(
        const std::shared_ptr<Shared>& self, const QString& text, bool selectAll, const PasteTarget& target,
        std::function<void(bool sent, std::shared_ptr<ClipboardSnapshot>, std::optional<PasteWatch>)> sent,
        std::shared_ptr<ClipboardSnapshot> held = nullptr, std::function<bool()> selectInFront = nullptr) {
        auto snapshot = held && self->loan == held ? held : self->beginLoan();
        snapshot->lendText(self->clipboard, text);
        target.activate(self->workspace);
        // Keys sent while another window is in front would paste (and select all) there.
        auto inFront = [self, target] { return target.isInFront(self->workspace); };
        self->scheduler.after(
            pasteDelay, [self, snapshot, selectAll, target, inFront, sent = std::move(sent), selectInFront] {
                waitFor(self, PasteTarget::frontTimeout, inFront,
                        [self, snapshot, selectAll, target, sent, selectInFront](bool front) {
                            // Another program copied since the text went on the clipboard: the paste would
                            // put its copy into the field. A window given the front may put its own
                            // selection back: a part to paste over is selected once it is in front.
                            if (!front || !snapshot->holdsBorrowedContents(self->clipboard) ||
                                (selectInFront && !selectInFront())) {
                                sent(false, snapshot, std::nullopt);
                                return;
                            }
                            // Watched from before the keys: the application may take the paste at once.
                            const PasteWatch watch(self->clipboard, self->scheduler.now(), target.pid);
                            // Without the select-all the paste would go in beside the old text, not over it.
                            const bool ok = (!selectAll || self->keys.selectAll()) && self->keys.paste();
                            sent(ok, snapshot, ok ? std::optional(watch) : std::nullopt);
                        });
            });
    }

    // Keeps the clipboard lent until the paste is taken (or cannot be any more), gives it back, and
    // tells `done` the verdict. `fieldShowsText` reads the field, when there is one to read.
    static void awaitPaste(const std::shared_ptr<Shared>& self, std::shared_ptr<ClipboardSnapshot> snapshot,
                           PasteWatch watch, std::function<std::optional<bool>()> fieldShowsText,
                           std::function<void(PasteWatch::Verdict)> done) {
        // The watch notes the application's requests as they come: it goes on in the next look.
        const bool readable = fieldShowsText && watch.mayReadField(self->clipboard, self->scheduler.now());
        const PasteWatch::Verdict verdict =
            watch.verdict(self->clipboard, readable ? fieldShowsText() : std::nullopt, self->scheduler.now());
        if (PasteWatch::isFinal(verdict)) {
            self->endLoan(snapshot);
            done(verdict);
            return;
        }
        self->scheduler.after(
            readBackInterval, [self, snapshot, watch, fieldShowsText = std::move(fieldShowsText),
                               done = std::move(done)]() mutable {
                awaitPaste(self, std::move(snapshot), watch, std::move(fieldShowsText), std::move(done));
            });
    }

    // A paste into a field that cannot be read: `done` learns whether it was taken, or sent where
    // nothing can tell.
    // `lost`, where given, is called in place of `done` when another program copied before the
    // application read the paste: the application pasted that program's copy instead.
    static void pasteUnread(const std::shared_ptr<Shared>& self, const QString& text,
                            const PasteTarget& target, std::function<void(bool)> done,
                            std::shared_ptr<ClipboardSnapshot> held = nullptr,
                            std::function<void()> lost = nullptr) {
        lendAndPaste(
            self, text, false, target,
            [self, done = std::move(done), lost = std::move(lost)](
                bool sent, std::shared_ptr<ClipboardSnapshot> snapshot, std::optional<PasteWatch> watch) {
                if (!sent) {
                    self->endLoan(snapshot);
                    done(false);
                    return;
                }
                // Where nothing can tell when it is taken, it counts once sent.
                const bool blind = !watch->watchesPastes();
                if (blind)
                    done(true);
                awaitPaste(self, snapshot, *watch, nullptr, [done, blind, lost](PasteWatch::Verdict verdict) {
                    if (blind)
                        return;
                    if (verdict == PasteWatch::Verdict::lost && lost)
                        lost();
                    else
                        done(verdict == PasteWatch::Verdict::taken);
                });
            },
            std::move(held));
    }

    // TextIO::undoPaste() on the shared state: it may run after the TextIO is gone.
    static void undoPaste(const std::shared_ptr<Shared>& shared, const PasteTarget& target,
                          const QString& pasted, const QString& original,
                          std::function<void(bool sent)> completion);

    // Asks `check` now and then every readBackInterval until it holds or `timeout` has passed;
    // `done` learns whether it held.
    static void waitFor(const std::shared_ptr<Shared>& self, milliseconds timeout,
                        std::function<bool()> check, std::function<void(bool)> done) {
        poll(self, self->scheduler.now() + timeout, std::move(check), std::move(done));
    }

    static void poll(const std::shared_ptr<Shared>& self, milliseconds deadline, std::function<bool()> check,
                     std::function<void(bool)> done) {
        if (check()) {
            done(true);
            return;
        }
        if (self->scheduler.now() >= deadline) {
            done(false);
            return;
        }
        self->scheduler.after(readBackInterval,
                              [self, deadline, check = std::move(check), done = std::move(done)]() mutable {
                                  poll(self, deadline, std::move(check), std::move(done));
                              });
    }
};

}  // namespace quillet
