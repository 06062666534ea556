// Writes text into another application's field (accessibility first, else clipboard and a
// synthetic paste) and counts a write only once the field reads back with it.
#include "core/TextIO.h"

#include <utility>

#include "core/AX.h"
#include "core/ClipboardLoan.h"
#include "core/CopiedText.h"
#include "core/FieldEdits.h"
#include "core/PartialReplacement.h"
#include "core/PasteTarget.h"
#include "platform/Accessibility.h"
#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace quillet {

using std::chrono::milliseconds;

// One replacement on its way through the roads, read back after each write.
struct TextIO::Write : std::enable_shared_from_this<TextIO::Write> {
    enum class Road { edits, value, selection, selectAllThenSelection, range, whole };

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
    // What the field holds as the next road starts: `before`, unless a take-back of edits failed.
    std::optional<QString> base;
    // Where the selection was, for a write over it.
    std::optional<AXTextRange> selected;
    // The edits of the first road, in offsets of `before`.
    QList<TextEdit> edits;
    // Part of the edits stayed in: only the whole text, `expected`, goes in now.
    bool wholeOnly = false;
    // In a field with formatting where no road of accessibility takes the text, the edits go in one
    // paste each over their words, selected: everything around them keeps its formatting.
    bool pastesEdits = false;
    // The edits were pasted, one by one; this write is one of them.
    bool editsPasted = false;
    bool editStep = false;
    QList<Road> roads;
    std::function<void(const Outcome&)> completion;
    // The paste was made again after another program's copy came in between.
    bool retaken = false;

    // A write into `field`, with the field's text as it stands now.
    static std::shared_ptr<Write> start(std::shared_ptr<Shared> io, const FocusedField& field,
                                        const QString& text, bool selectionOnly,
                                        std::function<void(const Outcome&)> completion) {
        auto write = std::make_shared<Write>();
        write->io = std::move(io);
        write->element = field.element;
        write->target = PasteTarget{field.applicationPid(), field.bundleID, field.window};
        write->text = text;
        write->selectionOnly = selectionOnly;
        write->completion = std::move(completion);
        write->before = write->value();
        write->base = write->before;
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

    // Whether the field still reads `as`, by default what it held as this road started.
    bool untouched(const std::optional<QString>& as = std::nullopt) const {
        const std::optional<QString> now = value(), want = as ? as : base;
        return now && want && comparable(*now) == comparable(*want);
    }

    void finish(std::optional<Strategy> strategy, bool confirmed) {
        if (auto done = std::exchange(completion, nullptr))
            done(Outcome{strategy, confirmed, before, expected, retaken && strategy.has_value(),
                         strategy == Strategy::axEdits || editsPasted ? edits : QList<TextEdit>()});
    }

    // The edits road goes first where the text changes in few places of `part` of the field.
    void planEdits(const AXTextRange& part) {
        if (!before || !expected)
            return;
        const WordEdits plan = WordEdits::between(before->mid(part.location, part.length), text);
        if (!plan.fit())
            return;
        edits = WordEdits::shifted(plan.edits, part.location);
        roads.prepend(Road::edits);
        pastesEdits = AX::attribute<bool>(io->ax, element, AXAttr::richText).value_or(false);
    }

    // Pastes edit `i` and those before it, the last edit first, each over its words selected and
    // read back before the next; edits after `i` are in. Where the words cannot be selected before
    // anything went in, the whole text goes in as today; later, over everything, nothing less.
    void pasteEdit(qsizetype i) {
        if (i < 0) {
            editsPasted = true;
            finish(Strategy::clipboard, true);
            return;
        }
        const std::optional<QString> now = value();
        const AXTextRange words{edits[i].location, edits[i].length};
        if (!now || comparable(*now) != comparable(WordEdits::applied(*base, edits.mid(i + 1)))) {
            finish(std::nullopt, false);  // changed meanwhile: nothing is pasted on top
            return;
        }
        if (!select(words)) {
            if (i + 1 < edits.size())
                halfWritten();
            next();
            return;
        }
        pasteEditOver(i, words, *now);
    }

    // Pastes edit `i` over `part` of the field, which reads `now`.
    void pasteEditOver(qsizetype i, const AXTextRange& part, const QString& now) {
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
        step->expected = WordEdits::applied(*base, edits.mid(i));
        auto self = shared_from_this();
        step->completion = [self, i](const Outcome& outcome) {
            const QString done = WordEdits::applied(*self->base, self->edits.mid(i + 1));
            const std::optional<QString> now = self->value();
            const std::optional<AXTextRange> over = now ? self->replacedIn(*now, done, i) : std::nullopt;
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

    // Where `now` holds something else in place of edit `i`'s words of `done`, all around it as it was.
    std::optional<AXTextRange> replacedIn(const QString& now, const QString& done, qsizetype i) const {
        const QString head = done.left(edits[i].location),
                      tail = done.mid(edits[i].location + edits[i].length);
        if (now.size() < head.size() + tail.size() || !now.startsWith(head) || !now.endsWith(tail))
            return std::nullopt;
        return AXTextRange{head.size(), now.size() - head.size() - tail.size()};
    }

    // The edits went in and out again: the field's own selection may have moved meanwhile, so a
    // write over the selection selects it again first.
    void afterTakeBack() {
        if (selectionOnly && !range && selected && roads.contains(Road::selection)) {
            range = selected;
            roads = {Road::range};
        }
    }

    // Some of the edits stay in the field: the whole corrected text goes over it, nothing less.
    void halfWritten() {
        base = value();
        wholeOnly = true;
        roads = {Road::whole};
    }

    // The field reads back neither with all the edits nor without them.
    void editsMissed() {
        const std::optional<QString> now = value();
        const std::optional<qsizetype> shown = now ? FieldEdits::shownIn(*now, *base, edits) : std::nullopt;
        if (!shown) {
            finish(std::nullopt, false);  // changed in some other way: not written again
            return;
        }
        if (*shown == 0) {
            next();
            return;
        }
        if (!FieldEdits::takeBack(io->ax, element, *base, edits, *shown)) {
            halfWritten();
            next();
            return;
        }
        afterTakeBack();
        auto self = shared_from_this();
        Shared::waitFor(
            io, writeCheckTimeout, [self] { return self->untouched(); },
            [self](bool back) {
                const std::optional<QString> now = back ? std::nullopt : self->value();
                if (!back && !(now && FieldEdits::shownIn(*now, *self->base, self->edits)))
                    self->finish(std::nullopt, false);
                else {
                    if (!back)
                        self->halfWritten();
                    self->next();
                }
            });
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
    std::optional<Strategy> send(Road road) {
        switch (road) {
            case Road::edits:
                switch (FieldEdits::send(io->ax, element, *base, edits)) {
                    case FieldEdits::Sent::all:
                        return Strategy::axEdits;
                    case FieldEdits::Sent::none:
                        break;
                    case FieldEdits::Sent::takenBack:
                        afterTakeBack();
                        break;
                    case FieldEdits::Sent::halfWritten:
                        halfWritten();
                        break;
                }
                break;
            case Road::whole:
                if (settable(AXAttr::value) && set(AXAttr::value, *expected))
                    return Strategy::axValue;
                break;
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
                    } else if (strategy == Strategy::axEdits) {
                        self->editsMissed();
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
        if (std::exchange(pastesEdits, false) && !wholeOnly && !edits.isEmpty() && base && untouched()) {
            pasteEdit(edits.size() - 1);
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
        if (wholeOnly) {
            selectAll = true;
            pasted = *expected;
        } else if (range) {
            selectAll = !select(*range);
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
                        if (verdict == PasteWatch::Verdict::lost && selectAll && !self->range &&
                            !self->retaken) {
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
            },
            nullptr,
            range && !selectAll ? std::function<bool()>([self] { return self->select(*self->range); })
                                : nullptr);
    }
};

TextIO::TextIO(Accessibility& ax, Pasteboard& pasteboard, KeySynth& keys, Workspace& workspace,
               Scheduler& scheduler)
    : m_workspace(workspace),
      m_scheduler(scheduler),
      m_shared(std::make_shared<Shared>(Shared{ax, pasteboard, keys, workspace, scheduler, nullptr})) {}

TextIO::~TextIO() = default;

void TextIO::replace(const FocusedField& field, const QString& text, bool selectionOnly,
                     std::function<void(const Outcome&)> completion) {
    auto write = Write::start(m_shared, field, text, selectionOnly, std::move(completion));
    if (!selectionOnly) {
        write->expected = text;
    } else if (write->before) {
        const std::optional<AXTextRange> range =
            AX::attribute<AXTextRange>(m_shared->ax, field.element, AXAttr::selectedTextRange);
        if (range && range->location >= 0 && range->length >= 0 &&
            range->location + range->length <= write->before->size()) {
            write->selected = range;
            write->expected = write->before->left(range->location) + text +
                              write->before->mid(range->location + range->length);
        }
    }
    // An accessibility write into a field that cannot be read back could never be counted, and a
    // paste after it might double the text: such a field only gets the paste.
    if (write->before) {
        if (selectionOnly) {
            write->roads = {Write::Road::selection};
        } else {
            write->roads = {Write::Road::value, Write::Road::selectAllThenSelection};
        }
        if (write->selected || !selectionOnly)
            write->planEdits(write->selected.value_or(AXTextRange{0, write->before->size()}));
    }
    write->next();
}

void TextIO::restore(const FocusedField& field, const Outcome& outcome,
                     std::function<void(const Outcome&)> completion) {
    if (!outcome.before) {
        if (completion)
            completion(Outcome{});
        return;
    }
    auto write = Write::start(m_shared, field, *outcome.before, false, std::move(completion));
    write->expected = outcome.before;
    if (write->before) {
        write->roads = {Write::Road::value, Write::Road::selectAllThenSelection};
        // The inverse edits hold only for exactly the text the edits made.
        if (outcome.strategy && !outcome.edits.isEmpty() &&
            *write->before == WordEdits::applied(*outcome.before, outcome.edits)) {
            write->edits = WordEdits::inverse(*outcome.before, outcome.edits);
            write->roads.prepend(Write::Road::edits);
            write->pastesEdits =
                AX::attribute<bool>(m_shared->ax, field.element, AXAttr::richText).value_or(false);
        } else {
            write->planEdits(AXTextRange{0, write->before->size()});
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
    write->planEdits(*write->range);
    write->next();
}

}  // namespace quillet
