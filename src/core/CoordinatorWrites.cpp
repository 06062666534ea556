// How the writes, the clipboard road and their notices report back to the coordinator: the panel
// closed or held, a refusal shown, the toast or the desktop's notice with Undo.
#include <QPointer>

#include "core/AppCoordinator.h"
#include "core/L10n.h"
#include "core/SuggestionViewModel.h"
#include "core/WriteRefusal.h"

namespace quillet {

void AppCoordinator::wireWrites() {
    QPointer<AppCoordinator> self(this);
    m_history.onChanged = [self] {
        if (self)
            emit self->historyChanged();
    };
    m_writeBack.now = [self] { return self ? self->now() : QDateTime::currentDateTimeUtc(); };
    m_writeBack.canPressKeysIn = [self](qint32 pid) {
        return !self || !self->canPressKeysIn || self->canPressKeysIn(pid);
    };
    WriteSurface& surface = m_writeBack.surface;
    surface.closePanel = [self] {
        if (self)
            self->closeSuggestions();
    };
    surface.holdPanel = [self] {
        if (self && self->m_panel)
            self->m_panel->hold();
    };
    surface.refuse = [self](const WriteRefusal& refusal) {
        if (!self)
            return;
        self->m_grant.refused();
        if (self->m_panel)
            self->m_panel->viewModel()->setWriteRefusal(refusal);
    };
    surface.settled = [self] {
        if (self)
            self->m_grant.settled();
    };
    m_clipboardShortcut.settled = surface.settled;
    surface.failed = [self] {
        if (self)
            self->m_icon.setState(IconState::error);
    };
    surface.notify = [self](const Notice& notice) {
        if (self)
            self->notify(notice);
    };
    m_clipboardShortcut.makeViewModel = [self](const QString& text) {
        return self ? self->makeViewModel(text) : nullptr;
    };
    m_clipboardShortcut.openPanel = [self](std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor) {
        if (!self || !viewModel)
            return;
        viewModel->onReplace = self->m_grant.chosenFirst(std::move(viewModel->onReplace));
        self->openPanel(std::move(viewModel), anchor, false);
    };
    m_clipboardShortcut.closePanel = surface.closePanel;
    // The clipboard road's notice is the toast's: the paste went to where the keyboard is.
    m_clipboardShortcut.notify = [self](const std::optional<Rect>& near, std::function<void()> undo) {
        if (self)
            self->m_toast.show(near, self->m_grant.chosenFirst(std::move(undo)));
    };
}

void AppCoordinator::notify(const Notice& notice) {
    const L10n l = L10n::current();
    const QString action = notice.undo ? l.text(QT_TRANSLATE_NOOP("Quillet", "Undo")) : QString();
    // The desktop's own notice: the desktop sees the press on its Undo itself.
    if (desktopNotice && desktopNotice(notice.text, action, notice.undo))
        return;
    if (notice.undo)
        m_toast.show(notice.near, m_grant.chosenFirst(notice.undo), notice.text);
    else
        m_toast.showMessage(notice.text, notice.near);
}

}  // namespace quillet
