// Puts the chosen text back into the field it came from: the field read again first, the write by
// whichever road the field takes, the history, and the notice with Undo.
#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

#include "base/Geometry.h"
#include "core/FieldRecheck.h"
#include "core/FieldRequest.h"
#include "core/TextIO.h"

namespace quillet {

class Accessibility;
class Beep;
class History;
class Clipboard;
class Workspace;
enum class WriteRefusal;

/// A notice after a write: with Undo where `undo` is set.
struct Notice {
    QString text;
    /// The screen frame it goes next to; empty for the default place.
    std::optional<Rect> near;
    std::function<void()> undo;
};

class WriteBack : public QObject {
    Q_OBJECT
public:
    /// The references must outlive the write-back.
    WriteBack(Accessibility& ax, Workspace& workspace, Clipboard& clipboard, Beep& beep, TextIO& textIO,
              History& history, QObject* parent = nullptr);

    /// Writes `chosen` into the field of `request` once the field has been read again: nothing is
    /// written, and the panel says why, when the field is gone or its text changed under the
    /// correction.
    void replace(const FieldRequest& request, const QString& chosen);

    /// Whether synthetic keys reach the application of process `pid`; empty where they always do.
    std::function<bool(qint32 pid)> canPressKeysIn;
    /// Wall-clock time for the history.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };

signals:
    /// The write goes ahead, or has ended with the panel held: the panel closes, and the icon is
    /// ready again.
    void panelDone();
    /// The write runs with the panel on screen, its buttons off, until panelDone().
    void panelHeld();
    /// Nothing was written: the panel stays and says why.
    void refused(WriteRefusal refusal);
    /// The write did not land: the icon shows an error.
    void failed();
    /// A notice to show: the replacement with its Undo, a text left on the clipboard, a refused Undo.
    void noticeReady(const Notice& notice);
    /// A write or an undo is over: landed or not, nothing more of it is coming.
    void settled();

private:
    /// The write of replace() once planned; `plan` empty where the field could not be read.
    void write(const FieldRequest& request, const QString& newText, const std::optional<FieldRecheck>& plan);
    /// write() where no key reaches the field's application: accessibility alone, else the text is
    /// left on the clipboard.
    void writeWithoutKeys(const FieldRequest& request, const QString& newText, bool selectionOnly);
    /// The history entry and the notice with Undo, once a replacement is in the field.
    void record(const FieldRequest& request, const QString& newText, const TextIO::Outcome& outcome);
    /// Undo of a replacement: only while the field still holds what was written.
    void undo(const FieldRequest& request, const QString& newText, const TextIO::Outcome& outcome);
    void undoWrite(const FocusedField& field, const TextIO::Outcome& outcome,
                   const std::optional<QString>& fallbackOriginal);
    /// Leaves `text` on the clipboard for the user to paste, with a notice saying so.
    void handOver(const FocusedField& field, const QString& text);
    /// A write that did not land: the icon's error state and the beep.
    void reportFailure();

    Accessibility& m_ax;
    Workspace& m_workspace;
    Clipboard& m_clipboard;
    Beep& m_beep;
    TextIO& m_textIO;
    History& m_history;
};

}  // namespace quillet
