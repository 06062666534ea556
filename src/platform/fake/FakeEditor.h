// A text field of another application that answers the synthetic keys as real ones do: select all,
// copy, paste, Control+Home, arrows and Shift+arrows, with the desktop's selection buffer following
// what is selected. Its text lives in an element of the fake accessibility layer, so the same field
// can be read and written through accessibility too, or kept out of its sight by never focusing it.
#pragma once

#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeKeySynth.h"

namespace quillet {

class FakeEditor {
public:
    /// Takes over `keys.onPress`: the editor is the active application from now on.
    FakeEditor(FakeAccessibility& ax, FakeKeySynth& keys, FakeClipboard& board, qint32 pid,
               const QString& text);

    /// The field: a settable value, selection and selected text.
    Accessible element;

    QString text() const;
    /// The selection in UTF-16 code units; length 0 is the caret.
    TextRange selection() const;
    /// The user selects `length` code units from `location` (negative: backwards from it).
    void select(qint64 location, qint64 length);
    void placeCaret(qint64 position) { select(position, 0); }

    /// Control+C with nothing selected copies the caret's line with its line break and moves the
    /// caret to the line's start, as some code editors do.
    bool copiesLineWithoutSelection = false;
    /// Copies hand line breaks over as CR LF, as an editor of a CR LF document does (and GTK in its
    /// text/plain forms, though not in the UTF8_STRING one the clipboard is read by).
    bool copiesCrLf = false;
    /// Copies, and what it offers the selection buffer, end in a NUL, as programs that hand their
    /// text over as a C string do.
    bool copiesTerminator = false;
    /// Control+V does nothing (a read-only view, or a paste that went elsewhere).
    bool ignoresPaste = false;
    /// Stopped (SIGSTOP) or busy: key presses wait until wake(), and are then handled in order,
    /// the paste reading the clipboard as it is at that moment.
    bool frozen = false;
    void wake();
    /// Arrow keys step over code points rather than whole grapheme clusters, as some toolkits do
    /// with combining marks.
    bool movesByCodePoint = false;

private:
    void press(const QString& key);
    void syncFromElement();
    void publish();
    qint64 step(qint64 from, bool backward) const;

    FakeAccessibility& m_ax;
    FakeClipboard& m_board;
    qint32 m_pid = 0;
    QStringList m_queued;
    qint64 m_anchor = 0;  // the end of the selection that stays put
    qint64 m_caret = 0;   // the end that moves
    TextRange m_published;
};

}  // namespace quillet
