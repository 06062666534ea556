// How the writes, the clipboard road and their notices report back to the coordinator: the panel
// closed or held, a refusal shown, the toast or the desktop's notice with Undo.
#include <QPointer>

#include "core/AppCoordinator.h"
#include "core/L10n.h"
#include "core/SuggestionViewModel.h"
#include "core/WriteRefusal.h"

namespace quillet {

void AppCoordinator::wireWrites() {
    connect(&m_history, &History::changed, this, &AppCoordinator::historyChanged);
    QPointer<AppCoordinator> self(this);
    m_writeBack.now = [self] { return self ? self->now() : QDateTime::currentDateTimeUtc(); };
    m_writeBack.canPressKeysIn = [self](qint32 pid) {
        return !self || !self->canPressKeysIn || self->canPressKeysIn(pid);
    };
    connect(&m_writeBack, &WriteBack::panelDone, this, &AppCoordinator::closeSuggestions);
    connect(&m_writeBack, &WriteBack::panelHeld, this, [this] {
        if (m_panel)
            m_panel->hold();
    });
    connect(&m_writeBack, &WriteBack::refused, this, [this](WriteRefusal refusal) {
        m_grant.refused();
        if (m_panel)
            m_panel->viewModel()->setWriteRefusal(refusal);
    });
    connect(&m_writeBack, &WriteBack::failed, this, [this] { m_icon.setState(IconState::error); });
    connect(&m_writeBack, &WriteBack::noticeReady, this, &AppCoordinator::notify);
    connect(&m_writeBack, &WriteBack::settled, this, [this] { m_grant.settled(); });

    m_clipboardShortcut.makeViewModel = [self](const QString& text) {
        return self ? self->makeViewModel(text) : nullptr;
    };
    connect(&m_clipboardShortcut, &ClipboardShortcut::panelWanted, this,
            [this](std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor) {
                if (!viewModel)
                    return;
                openPanel(std::move(viewModel), anchor, false);
            });
    connect(&m_clipboardShortcut, &ClipboardShortcut::panelDone, this, &AppCoordinator::closeSuggestions);
    // The clipboard road's notice is the toast's: the paste went to where the keyboard is.
    connect(&m_clipboardShortcut, &ClipboardShortcut::pasted, this,
            [this](const std::optional<Rect>& near, std::function<void()> undo) {
                m_toast.show(near, m_grant.chosenFirst(std::move(undo)));
            });
    connect(&m_clipboardShortcut, &ClipboardShortcut::settled, this, [this] { m_grant.settled(); });
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
