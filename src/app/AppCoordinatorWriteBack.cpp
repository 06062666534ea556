// The coordinator's half that puts the chosen text back: the field read again first, the write,
// the history and the notice with Undo, and the shortcut's road through the clipboard.
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "app/AppCoordinator.h"
#include "core/AX.h"
#include "core/ClipboardHandOver.h"
#include "core/LineEnds.h"
#include "core/PartialReplacement.h"
#include "core/PasteTarget.h"
#include "core/SuggestionViewModel.h"
#include "core/WriteRefusal.h"
#include "platform/Beep.h"
#include "platform/Screens.h"
#include "ui/KeyablePanel.h"
#include "ui/SuggestionPanelController.h"
#include "ui/ToastView.h"

namespace quillet {

void AppCoordinator::performReplace(const Request& request, const QString& chosen) {
    // Line breaks go back as the field gave them.
    const QString newText = LineEnds::like(chosen, request.shown);
    std::optional<FieldRecheck> plan;
    const std::optional<AXTextRange> sent =
        request.fullValue
            ? PartialReplacement::of(request.shown).rangeIn(*request.fullValue, request.location)
            : std::nullopt;
    if (sent) {
        plan = FieldRecheck::of(m_services.ax, m_services.workspace, request.field,
                                CheckedField{*request.fullValue, *sent}, newText);
        if (const std::optional<WriteRefusal> refusal = WriteRefusals::of(plan->verdict)) {
            // Nothing is written; the panel stays and says why.
            if (m_suggestionController)
                m_suggestionController->viewModel()->setWriteRefusal(*refusal);
            return;
        }
        // A field that does not answer now (a stopped application) is written as before, blind.
        if (plan->verdict == FieldRecheck::Verdict::unanswered)
            plan.reset();
    }
    writeBack(request, newText, plan);
}

void AppCoordinator::writeBack(const Request& request, const QString& newText,
                               const std::optional<FieldRecheck>& plan) {
    if (!canPressKeysFor(request.field)) {
        // That road writes the whole text it was given: what followed the cut goes with it.
        if (plan)
            replaceWithoutKeys(request, plan->after(), false);
        else
            replaceWithoutKeys(request, PartialReplacement::of(request.shown).joined(newText),
                               request.selectionOnly);
        return;
    }
    closeSuggestions();
    QPointer<AppCoordinator> self(this);
    // The notice and the history wait until the field reads back with the text, or, where it cannot
    // be read, until the paste was sent.
    std::function<void(const TextIO::Outcome&)> done = [self, request,
                                                        newText](const TextIO::Outcome& outcome) {
        if (!self)
            return;
        if (!outcome.strategy) {
            self->reportFailedWrite();
            return;
        }
        self->recordReplacement(request, newText, outcome);
    };
    if (plan) {
        // Only the part planned is replaced: the text sent for checking, or, around an edit of the
        // user's, the corrected words alone. A selection still where it was checked is written as the
        // selection, which every toolkit takes.
        const bool stillSelected = request.selectionOnly && plan->verdict == FieldRecheck::Verdict::same &&
                                   AX::attribute<AXTextRange>(m_services.ax, request.field.element,
                                                              AXAttr::selectedTextRange) == plan->range;
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
        m_textIO.replace(request.field, newText, request.selectionOnly, std::move(done));
    }
}

void AppCoordinator::recordReplacement(const Request& request, const QString& newText,
                                       const TextIO::Outcome& outcome) {
    const FocusedField& field = request.field;
    HistoryEntry::insert(m_history, HistoryEntry{QUuid::createUuid(), request.shown, newText,
                                                 applicationName(field), now().toLocalTime()});
    if (onHistoryChanged)
        onHistoryChanged();

    QPointer<AppCoordinator> self(this);
    const std::function<void()> undo = [self, request, newText, outcome] {
        if (!self)
            return;
        if (outcome.before || request.fullValue) {
            self->undoReplacement(request.field, outcome, request.fullValue);
        } else {
            // A field that cannot be read: what was pasted is selected back and checked first.
            self->m_textIO.undoPaste(
                PasteTarget{request.field.pid, request.field.bundleID, request.field.window}, newText,
                request.shown, [self](bool done) {
                    if (self && !done)
                        self->reportFailedWrite();
                });
        }
    };
    const L10n l = L10n::current();
    if (desktopNotice && desktopNotice(l.text(QStringLiteral("Replaced"), QStringLiteral("Zamenjeno")),
                                       l.text(QStringLiteral("Undo"), QStringLiteral("Vrati")), undo))
        return;
    m_toast.show(AX::screenFrame(m_services.ax, m_services.screens, field.element), undo);
}

void AppCoordinator::undoReplacement(const FocusedField& field, const TextIO::Outcome& outcome,
                                     const std::optional<QString>& fallbackOriginal) {
    QPointer<AppCoordinator> self(this);
    auto reportFailure = [self](const TextIO::Outcome& result) {
        if (self && !result.strategy)
            self->reportFailedWrite();
    };
    // Only over exactly what was written: anything the user (or the application) did since stays.
    if (outcome.written) {
        const std::optional<QString> now =
            AX::attribute<QString>(m_services.ax, field.element, AXAttr::value);
        if (!now || TextIO::comparable(*now) != TextIO::comparable(*outcome.written)) {
            m_services.beep.beep();
            showNotice(WriteRefusals::undoRefused(L10n::current()));
            return;
        }
    }
    // The whole text as it was before the write goes back, whichever road the write took: every
    // road of a whole-value write replaces all of it.
    const std::optional<QString> before = outcome.before ? outcome.before : fallbackOriginal;
    if (before)
        m_textIO.replace(field, *before, false, reportFailure);
}

void AppCoordinator::reportFailedWrite() {
    m_overlay.setState(IconState::error);
    m_services.beep.beep();
}

void AppCoordinator::showNotice(const QString& text) {
    if (desktopNotice && desktopNotice(text, QString(), {}))
        return;
    m_toast.show(std::nullopt, [] {});
    if (ToastView* view = m_toast.view()) {
        view->messageLabel()->setText(text);
        view->undoButton()->hide();
    }
}

void AppCoordinator::replaceWithoutKeys(const Request& request, const QString& newText, bool selectionOnly) {
    // The panel stays until the field has read back: a Wayland desktop lets a program set the
    // clipboard only while one of its windows has the keyboard, and a text the field did not take
    // goes there. Its buttons and keys do nothing meanwhile.
    if (m_suggestionController && m_suggestionController->panel())
        m_suggestionController->panel()->setEnabled(false);
    QPointer<AppCoordinator> self(this);
    m_textIO.replace(request.field, newText, selectionOnly,
                     [self, request, newText](const TextIO::Outcome& outcome) {
                         if (!self)
                             return;
                         if (!outcome.strategy) {
                             self->handOver(request.field, newText);
                             self->closeSuggestions();
                             return;
                         }
                         self->closeSuggestions();
                         self->recordReplacement(request, newText, outcome);
                     });
}

void AppCoordinator::handOver(const FocusedField& field, const QString& text) {
    // A password field that has the keyboard now, wherever it is, keeps the text off the clipboard.
    const bool secure = field.isSecure(m_services.ax) || m_services.ax.isSecureEventInputEnabled();
    if (ClipboardHandOver::road(secure, false) != ClipboardHandOver::Road::copy) {
        reportFailedWrite();
        return;
    }
    ClipboardHandOver::copy(m_services.pasteboard, text);
    // The notice offers no Undo: nothing in the field has changed.
    showNotice(ClipboardHandOver::notice(L10n::current()));
}

void AppCoordinator::checkCopiedSelection(const std::optional<Rect>& near) {
    // The panel takes the keyboard, so the paste must first give it back to where the text came from:
    // that application and window, and no other.
    const PasteTarget source = PasteTarget::front(m_services.workspace);
    QPointer<AppCoordinator> self(this);
    m_textIO.copyFocusedSelection([self, source, near](std::optional<QString> copied) {
        if (!self)
            return;
        if (!copied || copied->trimmed().isEmpty()) {
            self->m_services.beep.beep();
            return;
        }
        // The user moved to another window while the copy was made: nothing is sent.
        if (!source.isInFront(self->m_services.workspace))
            return;
        const QString original = *copied;
        auto viewModel = self->makeViewModel(original);
        viewModel->onReplace = [self, original, source, near](const QString& checked) {
            if (!self)
                return;
            // The paste replaces the whole selection: what followed the cut goes back in with it,
            // and the line breaks as the application gave them.
            const QString chosen = LineEnds::like(
                PartialReplacement::of(LineEnds::toLineFeeds(original)).joined(checked), original);
            // The paste goes over the selection that was copied, so the notice comes once it is
            // sent; Undo selects the pasted text back before the original goes over it.
            self->m_textIO.pasteReplacement(
                chosen, source, [self, original, chosen, source, near](bool sent) {
                    if (!self)
                        return;
                    if (!sent) {
                        self->m_services.beep.beep();
                        return;
                    }
                    self->m_toast.show(near, [self, original, chosen, source] {
                        if (!self)
                            return;
                        self->m_textIO.undoPaste(source, chosen, original, [self](bool done) {
                            if (self && !done)
                                self->m_services.beep.beep();
                        });
                    });
                });
            self->closeSuggestions();
        };
        const std::optional<ScreenInfo> main = self->m_services.screens.mainScreen();
        const Rect visible = main ? main->visibleFrame : Rect();
        self->openPanel(viewModel, Rect(midX(visible) + 190, midY(visible) + 150, 0, 0), false);
    });
}

}  // namespace quillet
