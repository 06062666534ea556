// The shortcut's road where no field can be read: the selection is copied, checked, and the chosen
// text pasted back over it in the window it came from, with Undo.
#include "core/ClipboardShortcut.h"

#include <QPointer>

#include "core/LineEnds.h"
#include "core/OwnWindows.h"
#include "core/PartialReplacement.h"
#include "core/PasteTarget.h"
#include "core/SuggestionViewModel.h"
#include "core/TextIO.h"
#include "core/WriteRefusal.h"
#include "platform/Beep.h"
#include "platform/Screens.h"

namespace quillet {

ClipboardShortcut::ClipboardShortcut(Workspace& workspace, Screens& screens, Beep& beep, TextIO& textIO,
                                     QObject* parent)
    : QObject(parent), m_workspace(workspace), m_screens(screens), m_beep(beep), m_textIO(textIO) {}

void ClipboardShortcut::start(const std::optional<Rect>& near) {
    // A copy in one of our own windows would send its text (a list item of Settings, say).
    if (OwnWindows::inFront(m_workspace))
        return;
    // The panel takes the keyboard, so the paste must first give it back to where the text came from:
    // that application and window, and no other.
    const PasteTarget source = PasteTarget::front(m_workspace);
    QPointer<ClipboardShortcut> self(this);
    m_textIO.copyFocusedSelection([self, source, near](std::optional<QString> copied) {
        if (!self)
            return;
        if (!copied || copied->trimmed().isEmpty()) {
            self->m_beep.beep();
            return;
        }
        // The user moved to another window while the copy was made: nothing is sent.
        if (!source.isInFront(self->m_workspace) || !self->makeViewModel)
            return;
        const QString original = *copied;
        std::shared_ptr<SuggestionViewModel> viewModel = self->makeViewModel(original);
        SuggestionViewModel* shown = viewModel.get();
        connect(shown, &SuggestionViewModel::replaceRequested, self,
                [road = self.get(), original, source, near, shown](const QString& checked) {
                    if (const std::optional<WriteRefusal> refusal = WriteRefusals::ofText(checked)) {
                        shown->setWriteRefusal(*refusal);
                        return;
                    }
                    road->pasteBack(original, checked, source, near);
                });
        // A little right of and above the middle of the main screen.
        const std::optional<ScreenInfo> main = self->m_screens.mainScreen();
        const Rect visible = main ? main->visibleFrame : Rect();
        emit self->panelWanted(viewModel, Rect(midX(visible) + 190, midY(visible) - 150, 0, 0));
    });
}

void ClipboardShortcut::pasteBack(const QString& original, const QString& checked, const PasteTarget& source,
                                  const std::optional<Rect>& near) {
    // The paste replaces the whole selection: what followed the cut goes back in with it, and the
    // line breaks as the application gave them.
    const QString chosen =
        LineEnds::like(PartialReplacement::of(LineEnds::toLineFeeds(original)).joined(checked), original);
    // The paste goes over the selection that was copied, so the notice comes once it is sent; Undo
    // selects the pasted text back before the original goes over it.
    QPointer<ClipboardShortcut> self(this);
    m_textIO.pasteReplacement(chosen, source, [self, original, chosen, source, near](bool sent) {
        if (!self)
            return;
        if (!sent)
            self->m_beep.beep();
        emit self->settled();
        if (!sent)
            return;
        emit self->pasted(near, [self, original, chosen, source] {
            if (!self)
                return;
            self->m_textIO.undoPaste(source, chosen, original, [self](bool done) {
                if (self && !done)
                    self->m_beep.beep();
                if (self)
                    emit self->settled();
            });
        });
    });
    emit panelDone();
}

}  // namespace quillet
