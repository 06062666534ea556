// Writes text into another application's field (accessibility first, else clipboard and a
// synthetic paste) and counts a write only once the field reads back with it.
#include "core/TextIO.h"

#include <utility>

#include "core/ClipboardLoan.h"
#include "core/CopiedText.h"
#include "core/FieldEdits.h"
#include "core/PartialReplacement.h"
#include "core/PasteTarget.h"
#include "core/TextIOWrite.h"
#include "platform/Accessibility.h"
#include "platform/Clipboard.h"
#include "platform/KeySynth.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace quillet {

using std::chrono::milliseconds;

std::shared_ptr<TextIO::Write> TextIO::Write::start(std::shared_ptr<Shared> io, const FocusedField& field,
                                                    const QString& text, bool selectionOnly,
                                                    std::function<void(const Outcome&)> completion) {
    auto write = std::make_shared<Write>();
    write->io = std::move(io);
    write->element = field.element;
    write->target = PasteTarget{field.applicationPid(), field.appId, field.window};
    write->text = text;
    write->selectionOnly = selectionOnly;
    write->completion = std::move(completion);
    write->before = write->value();
    write->base = write->before;
    return write;
}

bool TextIO::Write::landedIn(const QString& now) const {
    if (!before)
        return false;
    if (expected)
        return comparable(now) == comparable(*expected);
    // Where the selection was, is not known: the text must be there, and something changed.
    return comparable(now) != comparable(*before) && comparable(now).contains(comparable(text));
}

void TextIO::Write::planEdits(const TextRange& part) {
    if (!before || !expected)
        return;
    const WordEdits plan = WordEdits::between(before->mid(part.location, part.length), text);
    if (!plan.fit())
        return;
    edits = WordEdits::shifted(plan.edits, part.location);
    roads.prepend(Road::edits);
    readFormatting();
}

void TextIO::Write::readFormatting() {
    pastesEdits = io->ax.isRichText(element);
    keysSelect = pastesEdits && io->ax.hidesSelection(element);
}

void TextIO::Write::afterTakeBack() {
    if (selectionOnly && !range && selected && roads.contains(Road::selection)) {
        range = selected;
        roads = {Road::range};
    }
}

void TextIO::Write::halfWritten() {
    base = value();
    wholeOnly = true;
    roads = {Road::whole};
}

void TextIO::Write::editsMissed() {
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

bool TextIO::Write::selectAllViaAX() const {
    const std::optional<QString> whole = value();
    if (!whole)
        return false;
    // QString counts UTF-16 code units, the unit accessibility ranges are measured in.
    return io->ax.select(element, TextRange{0, whole->size()}) == AccessError::success;
}

std::optional<TextIO::Strategy> TextIO::Write::send(Road road) {
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
            if (setWhole(*expected))
                return Strategy::axValue;
            break;
        case Road::value:
            // Over a part, the whole value is what the field must read afterwards.
            if (setWhole(range ? expected.value_or(text) : text))
                return Strategy::axValue;
            break;
        case Road::selection:
            if (setSelected(text))
                return Strategy::axSelectedText;
            break;
        case Road::selectAllThenSelection:
            if (selectAllViaAX() && setSelected(text))
                return Strategy::axSelectedText;
            break;
        case Road::range:
            if (select(*range) && setSelected(text))
                return Strategy::axSelectedText;
            break;
    }
    return std::nullopt;
}

void TextIO::Write::next() {
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

TextIO::TextIO(Accessibility& ax, Clipboard& clipboard, KeySynth& keys, Workspace& workspace,
               Scheduler& scheduler)
    : m_workspace(workspace),
      m_scheduler(scheduler),
      m_shared(std::make_shared<Shared>(Shared{ax, clipboard, keys, workspace, scheduler, nullptr})) {}

TextIO::~TextIO() = default;

bool TextIO::lendsClipboard() const {
    return m_shared->loan != nullptr;
}

void TextIO::replace(const FocusedField& field, const QString& text, bool selectionOnly,
                     std::function<void(const Outcome&)> completion,
                     const std::optional<TextRange>& shownAt) {
    auto write = Write::start(m_shared, field, text, selectionOnly, std::move(completion));
    if (!selectionOnly) {
        write->expected = text;
    } else if (write->before) {
        std::optional<TextRange> range = m_shared->ax.selection(field.element);
        // A field that never tells its selection reads none: it is where it was found.
        if (shownAt && (!range || range->length == 0))
            range = shownAt;
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
            write->planEdits(write->selected.value_or(TextRange{0, write->before->size()}));
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
            write->readFormatting();
        } else {
            write->planEdits(TextRange{0, write->before->size()});
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
