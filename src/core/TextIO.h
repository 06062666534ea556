// Writes text into another application's field (accessibility first, else clipboard and a
// synthetic paste) and counts a write only once the field reads back with it; pastes into, copies
// from and undoes a paste in the active application.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "core/FocusedField.h"
#include "core/LineEnds.h"
#include "core/WordEdits.h"

namespace quillet {

class Accessibility;
class KeySynth;
class Clipboard;
class Scheduler;
class Workspace;
struct ClipboardSnapshot;
struct PartialReplacement;
struct PasteTarget;

class TextIO {
public:
    /// How a replacement was written.
    enum class Strategy {
        axEdits,         // the changed words alone edited in place through accessibility
        axValue,         // the whole value written through accessibility
        axSelectedText,  // the selected text written through accessibility
        clipboard,       // put on the clipboard and pasted with a synthetic key press
    };

    /// What became of a replacement.
    struct Outcome {
        /// How the text went in; empty when it is not in the field: nothing could be tried, or the
        /// field still read back without it when the wait was over.
        std::optional<Strategy> strategy;
        /// Read back from the field. False only for a paste into a field that cannot be read.
        bool confirmed = false;
        /// The field's whole text right before the write, and what it holds once the write is in;
        /// empty where the field could not be read, or where the write went is not known.
        std::optional<QString> before;
        std::optional<QString> written;
        /// Another program copied while the paste was on its way: the paste was made again, and
        /// that program's copy is what the clipboard holds now.
        bool anotherCopyKept = false;
        /// The edits that put the text in, for `axEdits`: in offsets of `before`, ascending.
        QList<TextEdit> edits;
    };

    /// From filling the clipboard to the synthetic paste.
    static constexpr std::chrono::milliseconds pasteDelay{100};
    /// From the synthetic paste to restoring the user's clipboard, where the field cannot tell
    /// when it took the paste.
    static constexpr std::chrono::milliseconds restoreDelay{300};
    /// From the synthetic copy to reading the clipboard.
    static constexpr std::chrono::milliseconds copyDelay{250};
    /// How long an accessibility write may take to show in the field.
    static constexpr std::chrono::milliseconds writeCheckTimeout{200};
    /// How long a selection made through accessibility may take to read back (a busy browser's).
    static constexpr std::chrono::milliseconds selectTimeout{600};
    /// How long a readable field, or the desktop's selection, is watched for a paste or a
    /// keyboard selection to show.
    static constexpr std::chrono::milliseconds pasteCheckTimeout{1000};
    /// From finding that another program copied before the application read the paste, to
    /// selecting all and pasting again: the application has pasted that copy by then.
    static constexpr std::chrono::milliseconds lostPasteSettle{500};
    /// How often the field or the desktop's selection is read while waiting.
    static constexpr std::chrono::milliseconds readBackInterval{50};

    TextIO(Accessibility& ax, Clipboard& clipboard, KeySynth& keys, Workspace& workspace,
           Scheduler& scheduler);
    ~TextIO();
    TextIO(const TextIO&) = delete;
    TextIO& operator=(const TextIO&) = delete;

    /// Writes `text` over the selection (`selectionOnly`) or over the whole value, and tells
    /// `completion` (on the main thread, possibly before returning) what became of it. Where the
    /// field can be read, every write is read back, and a road whose write did not show moves on to
    /// the next; a field that changed in some other way is not written again. The first road, where
    /// the field takes it and the texts are alike, edits the changed words alone, from the end of
    /// the text to its start; a field that takes only some of the edits gets them taken back before
    /// the next road.
    /// `shownAt` is where the selection was found where the field does not tell it.
    void replace(const FocusedField& field, const QString& text, bool selectionOnly,
                 std::function<void(const Outcome&)> completion,
                 const std::optional<TextRange>& shownAt = std::nullopt);
    /// Writes `text` over the part of the field that was sent for checking, the field's text from
    /// `location` on (UTF-16 code units), and leaves everything around it exactly as it was: a ranged
    /// accessibility write, the whole value with the rest kept, or the part selected and pasted
    /// over. Read back like replace(); nothing is written when the field no longer holds the part.
    void replaceRange(const FocusedField& field, const PartialReplacement& part, qint64 location,
                      const QString& text, std::function<void(const Outcome&)> completion);
    /// Puts back the field's text as it was before the write `outcome` tells of: the inverse edits,
    /// from the end, where the write went in as edits and the field holds exactly what they made;
    /// else, or where the field will not take them, the whole text as replace() writes it. The caller
    /// makes sure the field still holds what was written.
    void restore(const FocusedField& field, const Outcome& outcome,
                 std::function<void(const Outcome&)> completion);
    /// Pastes `text` through the clipboard over the selection of `target` (brought to the front
    /// first; the keys go out only once it is there). `completion` learns whether the paste was
    /// sent; nothing is sent while secure input is on.
    void pasteReplacement(const QString& text, const PasteTarget& target,
                          std::function<void(bool sent)> completion = {});
    /// Copies the active application's selection, as the application gave it (line breaks
    /// included); `completion` gets it on the main thread about 0.25 s later. It gets nothing when
    /// nothing was copied, when secure input is on (at once), or when the copy was no selection: one
    /// whole line with its line break, which some editors copy when nothing is selected, counts as
    /// a selection only when the desktop's selection buffer holds the same text.
    void copyFocusedSelection(std::function<void(std::optional<QString>)> completion);
    /// Undoes pasteReplacement() in a field that cannot be read: selects `pasted` back from the
    /// caret with the keyboard, checks through the desktop's selection buffer that exactly it is
    /// selected, and pastes `original` over it. `completion` learns whether that paste was sent;
    /// nothing is pasted when the selection cannot be checked, so nothing is ever doubled.
    void undoPaste(const PasteTarget& target, const QString& pasted, const QString& original,
                   std::function<void(bool sent)> completion);

    /// Whether the user's clipboard is lent out: a paste is under way, or a copy.
    bool lendsClipboard() const;
    /// Calls `done` once no paste is under way and the user's clipboard is back: at once when none
    /// is; else when the paste is taken, or after `limit`, the clipboard then given back as it is.
    void settle(std::chrono::milliseconds limit, std::function<void()> done);
    /// How long the program waits at its end for a paste under way.
    static constexpr std::chrono::milliseconds settleLimit{2000};

    /// Text as fields hand it back: line breaks as line feeds, whatever they were written as.
    static QString comparable(const QString& text) { return LineEnds::toLineFeeds(text); }
    /// Caret stops in `text`: one per grapheme cluster, as arrow keys move.
    static int caretStops(const QString& text);

private:
    struct Shared;
    struct Write;

    Workspace& m_workspace;
    Scheduler& m_scheduler;
    // What the delayed steps need; they hold it, so they run even after this object is gone.
    std::shared_ptr<Shared> m_shared;
};

}  // namespace quillet
