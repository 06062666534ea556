// One write into another application's field on its way through the roads, shared by the files
// of the text writer.
#pragma once

#include <memory>

#include "core/ClipboardLoan.h"
#include "core/FieldEdits.h"
#include "core/PasteTarget.h"
#include "core/TextIO.h"
#include "platform/Accessibility.h"

namespace quillet {

// One replacement on its way through the roads, read back after each write.
struct TextIO::Write : std::enable_shared_from_this<TextIO::Write> {
    enum class Road { edits, value, selection, selectAllThenSelection, range, whole };

    std::shared_ptr<Shared> io;
    Accessible element;
    PasteTarget target;
    QString text;
    bool selectionOnly = false;
    // Set for a write over one part of the field only: `text` goes there, the rest stays.
    std::optional<TextRange> range;
    // The field before the write, and what it must read afterwards; either may be unknown.
    std::optional<QString> before;
    std::optional<QString> expected;
    // What the field holds as the next road starts: `before`, unless a take-back of edits failed.
    std::optional<QString> base;
    // Where the selection was, for a write over it.
    std::optional<TextRange> selected;
    // The edits of the first road, in offsets of `before`.
    QList<TextEdit> edits;
    // Part of the edits stayed in: only the whole text, `expected`, goes in now.
    bool wholeOnly = false;
    // In a field with formatting where no road of accessibility takes the text, the edits go in one
    // paste each over their words, selected: everything around them keeps its formatting.
    bool pastesEdits = false;
    // The field never tells its selection (Qt's WebEngine): the words are selected with the keys
    // from the text's start, and read back from the desktop's selection buffer.
    bool keysSelect = false;
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
                                        std::function<void(const Outcome&)> completion);

    std::optional<QString> value() const { return io->ax.text(element); }

    bool landed() const {
        const std::optional<QString> now = value();
        return now && landedIn(*now);
    }

    bool landedIn(const QString& now) const;

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
    void planEdits(const TextRange& part);

    // Pastes edit `i` and those before it, the last edit first, each over its words selected and
    // read back before the next; edits after `i` are in. Where the words cannot be selected before
    // anything went in, the whole text goes in as today; later, over everything, nothing less.
    void pasteEdit(qsizetype i);

    // Pastes edit `i` over `part` of the field, which reads `now`.
    void pasteEditOver(qsizetype i, const TextRange& part, const QString& now);

    // Where `now` holds something else in place of edit `i`'s words of `done`, all around it as it was.
    std::optional<TextRange> replacedIn(const QString& now, const QString& done, qsizetype i) const;

    // Where `now` holds something else in place of `part` of `was`, all around it as it was.
    static std::optional<TextRange> replacedIn(const QString& now, const QString& was, const TextRange& part);

    // Another program's copy went in over the part this write pastes over: once the application
    // has it in, it is found by what stands around it, selected, and ours pasted over it, once.
    void retakePart();

    // The edits went in and out again: the field's own selection may have moved meanwhile, so a
    // write over the selection selects it again first.
    void afterTakeBack();

    // Some of the edits stay in the field: the whole corrected text goes over it, nothing less.
    void halfWritten();

    // The field reads back neither with all the edits nor without them.
    void editsMissed();

    // Writes the field's whole text, where the field takes that.
    bool setWhole(const QString& newText) const {
        return !element.isNull() && io->ax.canSetText(element) &&
               io->ax.setText(element, newText) == AccessError::success;
    }

    // Writes over the field's selection, where the field takes that.
    bool setSelected(const QString& newText) const {
        return !element.isNull() && io->ax.canReplaceSelection(element) &&
               io->ax.replaceSelection(element, newText) == AccessError::success;
    }

    // Asks the field to select `part`: through accessibility, or with the keys.
    bool requestSelection(const TextRange& part) const;

    // Selects `part` and reads it back: a field that keeps its own selection (or only its caret)
    // would take the text beside the part, not over it.
    bool select(const TextRange& part) const { return requestSelection(part) && selectedIs(part); }

    // Selects `part` unless the field reads it selected already: a browser asked again may read
    // back its old selection until its page has handled the new one.
    bool keepSelected(const TextRange& part) const { return selectedIs(part) || select(part); }

    bool selectedIs(const TextRange& part) const;

    // Whether the field reads `now` (by default, as it is read now) with the edits after `i` in.
    bool showsEditsAfter(qsizetype i, std::optional<QString> now = std::nullopt) const {
        if (!now)
            now = value();
        return now && comparable(*now) == comparable(WordEdits::applied(*base, edits.mid(i + 1)));
    }

    bool selectAllViaAX() const;

    // Whether the field holds formatting, and whether it tells its selection: how its edits go in.
    void readFormatting();

    // Sends the write of one road; the strategy it stands for when the field accepted it.
    std::optional<Strategy> send(Road road);

    // Takes the next road; the clipboard once none of accessibility's is left.
    void next();

    // Pastes the text (or over the part, or the whole corrected text) and reads it back.
    void paste();
};

}  // namespace quillet
