// Puts the chosen text back into the field it came from: the field read again first, the write by
// whichever road the field takes, the history, and the notice with Undo.
#include "core/WriteBack.h"

#include <QPointer>

#include "core/ClipboardHandOver.h"
#include "core/History.h"
#include "core/L10n.h"
#include "core/LineEnds.h"
#include "core/PartialReplacement.h"
#include "core/PasteTarget.h"
#include "core/WriteRefusal.h"
#include "platform/Accessibility.h"
#include "platform/Beep.h"

namespace quillet {

WriteBack::WriteBack(Accessibility& ax, Workspace& workspace, Clipboard& clipboard, Beep& beep,
                     TextIO& textIO, History& history, QObject* parent)
    : QObject(parent),
      m_ax(ax),
      m_workspace(workspace),
      m_clipboard(clipboard),
      m_beep(beep),
      m_textIO(textIO),
      m_history(history) {}

void WriteBack::replace(const FieldRequest& request, const QString& chosen) {
    if (const std::optional<WriteRefusal> refusal = WriteRefusals::ofText(chosen)) {
        emit refused(*refusal);
        return;
    }
    // Line breaks go back as the field gave them.
    const QString newText = LineEnds::like(chosen, request.shown);
    std::optional<FieldRecheck> plan;
    const std::optional<TextRange> sent =
        request.fullValue
            ? PartialReplacement::of(request.shown).rangeIn(*request.fullValue, request.location)
            : std::nullopt;
    if (sent) {
        plan = FieldRecheck::of(m_ax, m_workspace, request.field, CheckedField{*request.fullValue, *sent},
                                newText);
        if (const std::optional<WriteRefusal> refusal = WriteRefusals::of(plan->verdict)) {
            emit refused(*refusal);
            return;
        }
        // A field that does not answer now (a stopped application) is written as before, blind.
        if (plan->verdict == FieldRecheck::Verdict::unanswered)
            plan.reset();
    }
    write(request, newText, plan);
}

void WriteBack::write(const FieldRequest& request, const QString& newText,
                      const std::optional<FieldRecheck>& plan) {
    if (canPressKeysIn && !canPressKeysIn(request.field.applicationPid())) {
        // That road writes the whole text it was given: what followed the cut goes with it.
        if (plan)
            writeWithoutKeys(request, plan->after(), false);
        else
            writeWithoutKeys(request, PartialReplacement::of(request.shown).joined(newText),
                             request.selectionOnly);
        return;
    }
    emit panelDone();
    QPointer<WriteBack> self(this);
    // The notice and the history wait until the field reads back with the text, or, where it cannot
    // be read, until the paste was sent.
    std::function<void(const TextIO::Outcome&)> done = [self, request,
                                                        newText](const TextIO::Outcome& outcome) {
        if (!self)
            return;
        if (!outcome.strategy)
            self->reportFailure();
        else
            self->record(request, newText, outcome);
        emit self->settled();
    };
    if (plan) {
        // Only the part planned is replaced: the text sent for checking, or, around an edit of the
        // user's, the corrected words alone. A selection still where it was checked is written as the
        // selection, which every toolkit takes.
        const bool stillSelected = request.selectionOnly && plan->verdict == FieldRecheck::Verdict::same &&
                                   m_ax.selection(request.field.element) == plan->range;
        if (plan->range.location == 0 && plan->range.length == plan->now.size()) {
            m_textIO.replace(request.field, plan->text, false, std::move(done));
        } else if (stillSelected) {
            m_textIO.replace(request.field, plan->text, true, std::move(done));
        } else {
            const PartialReplacement part{plan->now.mid(plan->range.location, plan->range.length), QString()};
            m_textIO.replaceRange(request.field, part, plan->range.location, plan->text, std::move(done));
        }
        return;
    }
    // Only the part that was checked is replaced; what followed the cut was never seen by the model.
    const PartialReplacement part = PartialReplacement::of(request.shown);
    if (part.isPartial()) {
        m_textIO.replaceRange(request.field, part, request.location, newText, std::move(done));
    } else {
        // In a field that never tells its selection, a copy found it in the field's text.
        std::optional<TextRange> shownAt;
        if (request.selectionOnly && request.location >= 0 && request.field.hidesSelection(m_ax))
            shownAt = TextRange{request.location, request.shown.size()};
        m_textIO.replace(request.field, newText, request.selectionOnly, std::move(done), shownAt);
    }
}

void WriteBack::record(const FieldRequest& request, const QString& newText, const TextIO::Outcome& outcome) {
    m_history.record(m_workspace, request.field, request.shown, newText, now().toLocalTime());
    QPointer<WriteBack> self(this);
    const L10n l = L10n::current();
    const QString replaced =
        outcome.anotherCopyKept
            ? l.text(QT_TRANSLATE_NOOP(
                  "Quillet", "Replaced. Another program copied meanwhile; its copy is on the clipboard."))
            : l.text(QT_TRANSLATE_NOOP("Quillet", "Replaced"));
    emit noticeReady(Notice{replaced, m_ax.frame(request.field.element), [self, request, newText, outcome] {
                                if (self)
                                    self->undo(request, newText, outcome);
                            }});
}

void WriteBack::undo(const FieldRequest& request, const QString& newText, const TextIO::Outcome& outcome) {
    if (outcome.before || request.fullValue) {
        undoWrite(request.field, outcome, request.fullValue);
        return;
    }
    // A field that cannot be read: what was pasted is selected back and checked first.
    QPointer<WriteBack> self(this);
    const qint32 app = request.field.applicationPid();
    m_textIO.undoPaste(PasteTarget{app, request.field.appId, request.field.window}, newText, request.shown,
                       [self](bool done) {
                           if (self && !done)
                               self->reportFailure();
                           if (self)
                               emit self->settled();
                       });
}

void WriteBack::undoWrite(const FocusedField& field, const TextIO::Outcome& outcome,
                          const std::optional<QString>& fallbackOriginal) {
    QPointer<WriteBack> self(this);
    auto reportFailure = [self](const TextIO::Outcome& result) {
        if (self && !result.strategy)
            self->reportFailure();
        if (self)
            emit self->settled();
    };
    // Only over exactly what was written: anything the user (or the application) did since stays.
    if (outcome.written) {
        const std::optional<QString> now = m_ax.text(field.element);
        if (!now || TextIO::comparable(*now) != TextIO::comparable(*outcome.written)) {
            m_beep.beep();
            emit noticeReady(Notice{WriteRefusals::undoRefused(L10n::current()), std::nullopt, {}});
            emit settled();
            return;
        }
    }
    // The text as it was before the write goes back: the edits taken back where it went in as
    // edits, else the whole text, whichever road the write took: every road of a whole-value write
    // replaces all of it.
    if (outcome.before)
        m_textIO.restore(field, outcome, reportFailure);
    else if (fallbackOriginal)
        m_textIO.replace(field, *fallbackOriginal, false, reportFailure);
    else
        emit settled();
}

void WriteBack::reportFailure() {
    emit failed();
    m_beep.beep();
}

void WriteBack::writeWithoutKeys(const FieldRequest& request, const QString& newText, bool selectionOnly) {
    // The panel stays until the field has read back: a Wayland desktop lets a program set the
    // clipboard only while one of its windows has the keyboard, and a text the field did not take
    // goes there. Its buttons and keys do nothing meanwhile.
    emit panelHeld();
    QPointer<WriteBack> self(this);
    m_textIO.replace(request.field, newText, selectionOnly,
                     [self, request, newText](const TextIO::Outcome& outcome) {
                         if (!self)
                             return;
                         if (!outcome.strategy)
                             self->handOver(request.field, newText);
                         emit self->panelDone();
                         if (outcome.strategy)
                             self->record(request, newText, outcome);
                         emit self->settled();
                     });
}

void WriteBack::handOver(const FocusedField& field, const QString& text) {
    // A password field that has the keyboard now, wherever it is, keeps the text off the clipboard.
    const bool secure = field.isSecure(m_ax) || m_ax.passwordFieldFocused();
    if (ClipboardHandOver::road(secure, false) != ClipboardHandOver::Road::copy) {
        reportFailure();
        return;
    }
    ClipboardHandOver::copy(m_clipboard, text);
    // The notice offers no Undo: nothing in the field has changed.
    emit noticeReady(Notice{ClipboardHandOver::notice(L10n::current()), std::nullopt, {}});
}

}  // namespace quillet
