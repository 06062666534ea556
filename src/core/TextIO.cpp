// Writes text into another application's field (accessibility first, else clipboard and a
#include "core/TextIO.h"

#include <QTextBoundaryFinder>
#include <utility>

#include "core/AX.h"
#include "core/ClipboardSnapshot.h"
#include "core/CopiedText.h"
#include "core/PartialReplacement.h"
#include "core/PasteTarget.h"
#include "core/PasteWatch.h"
#include "platform/Accessibility.h"
#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace quillet {

using std::chrono::milliseconds;

struct TextIO::Shared {
    Accessibility& ax;
    Pasteboard& pasteboard;
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
            loan && loan->holdsBorrowedContents(pasteboard) ? *loan : ClipboardSnapshot::capture(pasteboard);
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
        snapshot->restore(pasteboard);
    }

    // Puts `text` on the clipboard and, after the paste delay, pastes it (after a select-all when
    // asked). `sent` learns whether the keys went out, and from when the paste is watched; the
    // clipboard is the caller's to give back through endLoan() or awaitPaste() from then on.
    static void lendAndPaste(
        const std::shared_ptr<Shared>& self, const QString& text, bool selectAll, const PasteTarget& target,
        std::function<void(bool sent, std::shared_ptr<ClipboardSnapshot>, std::optional<PasteWatch>)> sent) {
        auto snapshot = self->beginLoan();
        snapshot->lendText(self->pasteboard, text);
        target.activate(self->workspace);
        // Keys sent while another window is in front would paste (and select all) there.
        auto inFront = [self, target] { return target.isInFront(self->workspace); };
        self->scheduler.after(pasteDelay, [self, snapshot, selectAll, inFront, sent = std::move(sent)] {
            waitFor(self, PasteTarget::frontTimeout, inFront, [self, snapshot, selectAll, sent](bool front) {
                // Another program copied since the text went on the clipboard: the paste would put its
                // copy into the field.
                if (!front || !snapshot->holdsBorrowedContents(self->pasteboard)) {
                    sent(false, snapshot, std::nullopt);
                    return;
                }
                // Watched from before the keys: the application may take the paste at once.
                const PasteWatch watch(self->pasteboard, self->scheduler.now());
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
        const PasteWatch::Verdict verdict = watch.verdict(
            self->pasteboard, fieldShowsText ? fieldShowsText() : std::nullopt, self->scheduler.now());
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
    static void pasteUnread(const std::shared_ptr<Shared>& self, const QString& text,
                            const PasteTarget& target, std::function<void(bool)> done) {
        lendAndPaste(self, text, false, target,
                     [self, done = std::move(done)](bool sent, std::shared_ptr<ClipboardSnapshot> snapshot,
                                                    std::optional<PasteWatch> watch) {
                         if (!sent) {
                             self->endLoan(snapshot);
                             done(false);
                             return;
                         }
                         // Where nothing can tell when it is taken, it counts once sent.
                         const bool blind = !watch->watchesPastes();
                         if (blind)
                             done(true);
                         awaitPaste(self, snapshot, *watch, nullptr,
                                    [done, blind](PasteWatch::Verdict verdict) {
                                        if (!blind)
                                            done(verdict == PasteWatch::Verdict::taken);
                                    });
                     });
    }

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

// One replacement on its way through the roads, read back after each write.
struct TextIO::Write : std::enable_shared_from_this<TextIO::Write> {
    enum class Road { value, selection, selectAllThenSelection, range };

    std::shared_ptr<Shared> io;
    AXElement element;
    PasteTarget target;
    QString text;
    bool selectionOnly = false;
    // Set for a write over one part of the field only: `text` goes there, the rest stays.
    std::optional<AXTextRange> range;
    // The field before the write, and what it must read afterwards; either may be unknown.
    std::optional<QString> before;
    std::optional<QString> expected;
    QList<Road> roads;
    std::function<void(const Outcome&)> completion;

    // A write into `field`, with the field's text as it stands now.
    static std::shared_ptr<Write> start(std::shared_ptr<Shared> io, const FocusedField& field,
                                        const QString& text, bool selectionOnly,
                                        std::function<void(const Outcome&)> completion) {
        auto write = std::make_shared<Write>();
        write->io = std::move(io);
        write->element = field.element;
        write->target = PasteTarget{field.pid, field.bundleID, field.window};
        write->text = text;
        write->selectionOnly = selectionOnly;
        write->completion = std::move(completion);
        write->before = write->value();
        return write;
    }

    std::optional<QString> value() const { return AX::attribute(io->ax, element, AXAttr::value); }

    bool landed() const {
        const std::optional<QString> now = value();
        return now && landedIn(*now);
    }

    bool landedIn(const QString& now) const {
        if (!before)
            return false;
        if (expected)
            return comparable(now) == comparable(*expected);
        // Where the selection was, is not known: the text must be there, and something changed.
        return comparable(now) != comparable(*before) && comparable(now).contains(comparable(text));
    }

    bool untouched() const {
        const std::optional<QString> now = value();
        return now && before && comparable(*now) == comparable(*before);
    }

    void finish(std::optional<Strategy> strategy, bool confirmed) {
        if (auto done = std::exchange(completion, nullptr))
            done(Outcome{strategy, confirmed, before, expected});
    }

    bool settable(const QString& attribute) const {
        bool settable = false;
        return !element.isNull() &&
               io->ax.isAttributeSettable(element, attribute, settable) == AXError::success && settable;
    }

    bool set(const QString& attribute, const AXValue& newValue) const {
        return io->ax.setAttribute(element, attribute, newValue) == AXError::success;
    }

    // Selects `part` and reads it back: a field that keeps its own selection (or only its caret)
    // would take the text beside the part, not over it.
    bool select(const AXTextRange& part) const {
        return set(AXAttr::selectedTextRange, part) &&
               AX::attribute<AXTextRange>(io->ax, element, AXAttr::selectedTextRange) == part;
    }

    bool selectAllViaAX() const {
        const std::optional<QString> whole = value();
        if (!whole)
            return false;
        // QString counts UTF-16 code units, the unit accessibility ranges are measured in.
        return set(AXAttr::selectedTextRange, AXTextRange{0, whole->size()});
    }

    // Sends the write of one road; the strategy it stands for when the field accepted it.
    std::optional<Strategy> send(Road road) const {
        switch (road) {
            case Road::value:
                // Over a part, the whole value is what the field must read afterwards.
                if (settable(AXAttr::value) && set(AXAttr::value, range ? expected.value_or(text) : text))
                    return Strategy::axValue;
                break;
            case Road::selection:
                if (settable(AXAttr::selectedText) && set(AXAttr::selectedText, text))
                    return Strategy::axSelectedText;
                break;
            case Road::selectAllThenSelection:
                if (selectAllViaAX() && settable(AXAttr::selectedText) && set(AXAttr::selectedText, text))
                    return Strategy::axSelectedText;
                break;
            case Road::range:
                if (select(*range) && settable(AXAttr::selectedText) && set(AXAttr::selectedText, text))
                    return Strategy::axSelectedText;
                break;
        }
        return std::nullopt;
    }

    void next() {
        while (!roads.isEmpty()) {
            const std::optional<Strategy> strategy = send(roads.takeFirst());
            if (!strategy)
                continue;
            auto self = shared_from_this();
            Shared::waitFor(
                io, writeCheckTimeout, [self] { return self->landed(); },
                [self, strategy](bool landed) {
                    if (landed) {
                        self->finish(strategy, true);
                    } else if (!self->untouched()) {
                        // The field changed, though not into the text: a further write on top of
                        // whatever it holds now could double it.
                        self->finish(std::nullopt, false);
                    } else {
                        self->next();
                    }
                });
            return;
        }
        paste();
    }

    void paste() {
        if (io->ax.isSecureEventInputEnabled()) {
            finish(std::nullopt, false);
            return;
        }
        auto self = shared_from_this();
        // A part is selected through accessibility and the paste goes over it; where the field will
        // not take that selection, the whole text, its rest included, goes over everything.
        QString pasted = text;
        bool selectAll = !selectionOnly;
        if (range) {
            selectAll = !select(*range);
            if (selectAll)
                pasted = *expected;
        }
        Shared::lendAndPaste(
            io, pasted, selectAll, target,
            [self](bool sent, std::shared_ptr<ClipboardSnapshot> snapshot, std::optional<PasteWatch> watch) {
                if (!sent) {
                    self->io->endLoan(snapshot);
                    self->finish(std::nullopt, false);
                    return;
                }
                // A field that stops answering (a frozen application) is not read again while it
                // is silent: each read would hold the program up until it timed out.
                auto silent = std::make_shared<bool>(false);
                auto showsText = [self, silent]() -> std::optional<bool> {
                    if (!self->before || *silent)
                        return std::nullopt;
                    const std::optional<QString> now = self->value();
                    if (!now) {
                        *silent = true;
                        return std::nullopt;
                    }
                    return self->landedIn(*now);
                };
                // Where nothing can tell when it is taken, it counts once sent.
                if (!self->before && !watch->watchesPastes())
                    self->finish(Strategy::clipboard, false);
                Shared::awaitPaste(
                    self->io, snapshot, *watch, showsText, [self](PasteWatch::Verdict verdict) {
                        const bool taken = verdict == PasteWatch::Verdict::taken;
                        if (!self->before) {
                            self->finish(taken ? std::optional(Strategy::clipboard) : std::nullopt, false);
                            return;
                        }
                        if (!taken) {
                            self->finish(std::nullopt, false);
                            return;
                        }
                        // Taken: the field shows it now, or will once the application has handled it.
                        Shared::waitFor(
                            self->io, pasteCheckTimeout, [self] { return self->landed(); },
                            [self](bool landed) {
                                self->finish(landed ? std::optional(Strategy::clipboard) : std::nullopt,
                                             landed);
                            });
                    });
            });
    }
};

TextIO::TextIO(Accessibility& ax, Pasteboard& pasteboard, KeySynth& keys, Workspace& workspace,
               Scheduler& scheduler)
    : m_workspace(workspace),
      m_scheduler(scheduler),
      m_shared(std::make_shared<Shared>(Shared{ax, pasteboard, keys, workspace, scheduler, nullptr})) {}

TextIO::~TextIO() = default;

int TextIO::caretStops(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int stops = 0;
    while (finder.toNextBoundary() != -1)
        ++stops;
    return stops;
}

void TextIO::replace(const FocusedField& field, const QString& text, bool selectionOnly,
                     std::function<void(const Outcome&)> completion) {
    auto write = Write::start(m_shared, field, text, selectionOnly, std::move(completion));
    if (!selectionOnly) {
        write->expected = text;
    } else if (write->before) {
        const std::optional<AXTextRange> range =
            AX::attribute<AXTextRange>(m_shared->ax, field.element, AXAttr::selectedTextRange);
        if (range && range->location >= 0 && range->length >= 0 &&
            range->location + range->length <= write->before->size())
            write->expected = write->before->left(range->location) + text +
                              write->before->mid(range->location + range->length);
    }
    // An accessibility write into a field that cannot be read back could never be counted, and a
    // paste after it might double the text: such a field only gets the paste.
    if (write->before) {
        if (selectionOnly) {
            write->roads = {Write::Road::selection};
        } else {
            write->roads = {Write::Road::value, Write::Road::selectAllThenSelection};
        }
    }
    write->next();
}

void TextIO::replaceRange(const FocusedField& field, const PartialReplacement& part, qint64 location,
                          const QString& text, std::function<void(const Outcome&)> completion) {
    auto write = Write::start(m_shared, field, text, true, std::move(completion));
    write->range = write->before ? part.rangeIn(*write->before, location) : std::nullopt;
    // Without the part in sight there is no telling where the text goes: nothing is written.
    if (!write->range) {
        write->finish(std::nullopt, false);
        return;
    }
    write->expected = write->before->left(write->range->location) + text +
                      write->before->mid(write->range->location + write->range->length);
    write->roads = {Write::Road::range, Write::Road::value};
    write->next();
}

void TextIO::pasteReplacement(const QString& text, const PasteTarget& target,
                              std::function<void(bool sent)> completion) {
    if (m_shared->ax.isSecureEventInputEnabled()) {
        if (completion)
            completion(false);
        return;
    }
    Shared::pasteUnread(m_shared, text, target, [completion = std::move(completion)](bool sent) {
        if (completion)
            completion(sent);
    });
}

void TextIO::copyFocusedSelection(std::function<void(std::optional<QString>)> completion) {
    if (m_shared->ax.isSecureEventInputEnabled()) {
        if (completion)
            completion(std::nullopt);
        return;
    }
    auto shared = m_shared;
    auto snapshot = shared->beginLoan();
    // Only the application the copy was asked of may answer it.
    const std::optional<RunningApplication> front = m_workspace.frontmostApplication();
    const std::optional<qint32> source = front ? std::optional<qint32>(front->pid) : std::nullopt;
    snapshot->lendForCopy(shared->pasteboard);
    const qint64 before = shared->pasteboard.changeCount();
    shared->keys.copy();
    auto finish = [shared, snapshot, completion = std::move(completion)](std::optional<QString> copied,
                                                                         bool changed) {
        if (changed) {
            snapshot->settle(shared->pasteboard);
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
        shared, copyDelay, [shared, before] { return shared->pasteboard.changeCount() != before; },
        [shared, source, finish](bool changed) {
            if (!changed) {
                finish(std::nullopt, false);
                return;
            }
            const std::optional<qint32> owner = shared->pasteboard.ownerPid();
            if (source && owner && *owner != *source) {
                // Another program's copy: it stays on the clipboard, and nothing is sent.
                finish(std::nullopt, false);
                return;
            }
            const qint64 answer = shared->pasteboard.changeCount();
            // As the application gave it: its line breaks are the ones the paste must bring back.
            std::optional<QString> copied = shared->pasteboard.plainText();
            // Without the terminator some programs copy along; the line breaks stay as they are.
            if (copied)
                copied = CopiedText::withoutTrailingControls(*copied);
            if (copied && CopiedText::looksLikeCopiedLine(shared->pasteboard, *copied))
                copied.reset();
            // A change during the read: whose text was read cannot be told.
            finish(shared->pasteboard.changeCount() == answer ? copied : std::nullopt, true);
        });
}

namespace {

// Grows or shrinks a keyboard selection that stopped short of `want` or ran past it. False when
// what is selected is not part of `want` (or the other way round): nothing then can be mended.
bool mendSelection(Pasteboard& pasteboard, KeySynth& keys, const QString& want) {
    const std::optional<QString> got = pasteboard.selectionText();
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

void TextIO::undoPaste(const PasteTarget& target, const QString& pasted, const QString& original,
                       std::function<void(bool sent)> completion) {
    auto shared = m_shared;
    auto report = [completion](bool sent) {
        if (completion)
            completion(sent);
    };
    if (pasted == original) {
        report(true);
        return;
    }
    // Without the desktop's selection buffer there is no telling what the keys selected.
    if (shared->ax.isSecureEventInputEnabled() || !shared->pasteboard.supportsSelection()) {
        report(false);
        return;
    }
    auto pasteOriginal = [shared, original, target, report](bool selected) {
        if (!selected) {
            report(false);
            return;
        }
        Shared::pasteUnread(shared, original, target, report);
    };
    target.activate(m_workspace);
    if (pasted.isEmpty()) {
        // The paste took the selection away and left the caret where it was: nothing to select.
        pasteOriginal(true);
        return;
    }
    const QString want = comparable(pasted);
    auto isSelected = [shared, want] {
        const std::optional<QString> selected = shared->pasteboard.selectionText();
        return selected && CopiedText::plain(*selected) == want;
    };
    const int stops = caretStops(pasted);
    // The application handles one key press after the other; a long text takes a while.
    const milliseconds timeout = pasteCheckTimeout + milliseconds(2 * stops);
    // The application comes to the front first, as before a paste.
    m_scheduler.after(pasteDelay, [shared, stops, timeout, want, isSelected, pasteOriginal] {
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
                            if (!mendSelection(shared->pasteboard, shared->keys, want)) {
                                pasteOriginal(false);
                                return;
                            }
                            Shared::waitFor(shared, timeout, isSelected, pasteOriginal);
                        });
    });
}

}  // namespace quillet
