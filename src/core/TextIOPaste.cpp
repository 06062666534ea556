// The clipboard road of a write: the whole text or a part pasted over, the edits of a formatted
// field pasted one by one over their words, and another program's copy pasted over where it came
// in between.
#include "core/CopiedText.h"
#include "core/TextIOWrite.h"

namespace quillet {

bool TextIO::Write::requestSelection(const TextRange& part) const {
    if (!keysSelect)
        return io->ax.select(element, part) == AccessError::success;
    const std::optional<QString> now = value();
    return now && part.location + part.length <= now->size() &&
           io->keys.selectFromStart(caretStops(now->left(part.location)),
                                    caretStops(now->mid(part.location, part.length)));
}

bool TextIO::Write::selectedIs(const TextRange& part) const {
    if (!keysSelect)
        return io->ax.selection(element) == part;
    // The buffer tells what is selected, not where: only words the keys just selected are read so.
    // An empty part leaves nothing there to tell by.
    const std::optional<QString> now = value();
    const std::optional<QString> selection = io->clipboard.selectionText();
    return part.length > 0 && now && selection && part.location + part.length <= now->size() &&
           comparable(CopiedText::plain(*selection)) == comparable(now->mid(part.location, part.length));
}

void TextIO::Write::pasteEdit(qsizetype i) {
    if (i < 0) {
        editsPasted = true;
        finish(Strategy::clipboard, true);
        return;
    }
    const TextRange words{edits[i].location, edits[i].length};
    if (!showsEditsAfter(i)) {
        finish(std::nullopt, false);  // changed meanwhile: nothing is pasted on top
        return;
    }
    // A browser takes the selection at once but reads it back only once its page has handled it.
    const bool asked = requestSelection(words);
    auto self = shared_from_this();
    Shared::waitFor(
        io, asked ? selectTimeout : std::chrono::milliseconds(0),
        [self, asked, words] { return asked && self->selectedIs(words); },
        [self, i, words](bool isSelected) {
            const std::optional<QString> now = self->value();
            if (!now || !self->showsEditsAfter(i, *now)) {
                self->finish(std::nullopt, false);
                return;
            }
            if (isSelected) {
                self->pasteEditOver(i, words, *now);
                return;
            }
            // The words may be selected all the same, only not read back so yet: a text for the
            // user's selection must not go over them but over that selection, selected again.
            if (self->selectionOnly && !self->range && self->selected)
                self->range = self->selected;
            if (i + 1 < self->edits.size())
                self->halfWritten();
            self->next();
        });
}

void TextIO::Write::pasteEditOver(qsizetype i, const TextRange& part, const QString& now) {
    auto step = std::make_shared<Write>();
    step->io = io;
    step->element = element;
    step->target = target;
    step->text = edits[i].text;
    step->selectionOnly = true;
    step->before = now;
    step->base = now;
    step->range = part;
    step->editStep = true;
    step->keysSelect = keysSelect;
    step->expected = WordEdits::applied(*base, edits.mid(i));
    auto self = shared_from_this();
    step->completion = [self, i](const Outcome& outcome) {
        const QString done = WordEdits::applied(*self->base, self->edits.mid(i + 1));
        const std::optional<QString> now = self->value();
        const std::optional<TextRange> over = now ? self->replacedIn(*now, done, i) : std::nullopt;
        if (outcome.strategy) {
            self->pasteEdit(i - 1);
        } else if (now && comparable(*now) == comparable(done)) {
            self->halfWritten();
            self->next();
        } else if (over && !self->retaken) {
            // Another program's copy went in where the words were: it is selected by what
            // stands around it, and the edit pasted over it, once.
            self->retaken = true;
            if (self->select(*over))
                self->pasteEditOver(i, *over, *now);
            else
                self->finish(std::nullopt, false);
        } else {
            self->finish(std::nullopt, false);
        }
    };
    step->paste();
}

std::optional<TextRange> TextIO::Write::replacedIn(const QString& now, const QString& done,
                                                   qsizetype i) const {
    return replacedIn(now, done, TextRange{edits[i].location, edits[i].length});
}

std::optional<TextRange> TextIO::Write::replacedIn(const QString& now, const QString& was,
                                                   const TextRange& part) {
    const QString head = was.left(part.location), tail = was.mid(part.location + part.length);
    if (now.size() < head.size() + tail.size() || !now.startsWith(head) || !now.endsWith(tail))
        return std::nullopt;
    return TextRange{head.size(), now.size() - head.size() - tail.size()};
}

void TextIO::Write::retakePart() {
    retaken = true;
    const TextRange part = range ? *range : *selected;
    auto self = shared_from_this();
    io->scheduler.after(lostPasteSettle, [self, part] {
        const std::optional<QString> now = self->value();
        const std::optional<TextRange> over = now ? replacedIn(*now, *self->before, part) : std::nullopt;
        if (!over || !self->select(*over)) {
            self->finish(std::nullopt, false);
            return;
        }
        self->range = over;
        self->paste();
    });
}

void TextIO::Write::paste() {
    if (io->ax.passwordFieldFocused()) {
        finish(std::nullopt, false);
        return;
    }
    auto self = shared_from_this();
    // A part is selected through accessibility and the paste goes over it; where the field will
    // not take that selection, the whole text, its rest included, goes over everything.
    QString pasted = text;
    bool selectAll = !selectionOnly;
    if (wholeOnly) {
        selectAll = true;
        pasted = *expected;
    } else if (range) {
        selectAll = !keepSelected(*range);
        if (selectAll)
            pasted = *expected;
    }
    Shared::lendAndPaste(
        io, pasted, selectAll, target,
        [self, selectAll](bool sent, std::shared_ptr<ClipboardSnapshot> snapshot,
                          std::optional<PasteWatch> watch) {
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
                self->io, snapshot, *watch, showsText, [self, selectAll](PasteWatch::Verdict verdict) {
                    // Another program copied between our text going on the clipboard and the
                    // application reading it: the application pastes that copy. Once it has, the
                    // whole text is selected and ours pasted over it, once; the other copy is
                    // what the clipboard gives back afterwards.
                    if (verdict == PasteWatch::Verdict::lost && selectAll && !self->range && !self->retaken) {
                        self->retaken = true;
                        self->io->scheduler.after(lostPasteSettle, [self] { self->paste(); });
                        return;
                    }
                    // Over a part: once the application has pasted the other copy, the writer
                    // of the part finds it there.
                    if (verdict == PasteWatch::Verdict::lost && self->range && self->editStep) {
                        self->io->scheduler.after(lostPasteSettle,
                                                  [self] { self->finish(std::nullopt, false); });
                        return;
                    }
                    if (verdict == PasteWatch::Verdict::lost && !selectAll && !self->retaken &&
                        self->before && (self->range || self->selected)) {
                        self->retakePart();
                        return;
                    }
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
                            self->finish(landed ? std::optional(Strategy::clipboard) : std::nullopt, landed);
                        });
                });
        },
        nullptr,
        range && !selectAll ? std::function<bool()>([self] { return self->keepSelected(*self->range); })
                            : nullptr);
}

}  // namespace quillet
