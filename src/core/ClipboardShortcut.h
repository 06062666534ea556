// The shortcut's road where no field can be read: the selection is copied, checked, and the chosen
// text pasted back over it in the window it came from, with Undo.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "base/Geometry.h"

namespace quillet {

class Beep;
class Screens;
class SuggestionViewModel;
class TextIO;
class Workspace;
struct PasteTarget;

class ClipboardShortcut : public QObject {
    Q_OBJECT
public:
    /// The references must outlive the road.
    ClipboardShortcut(Workspace& workspace, Screens& screens, Beep& beep, TextIO& textIO,
                      QObject* parent = nullptr);

    /// Copies the selection of the window in front and opens a panel for it; the notice after the
    /// paste goes next to `near` (a screen frame), where given.
    void start(const std::optional<Rect>& near);

    /// Makes the panel's model for `text`.
    std::function<std::shared_ptr<SuggestionViewModel>(const QString& text)> makeViewModel;

signals:
    /// `viewModel` wants a panel at `anchor`, in place of any panel open, with its requests started.
    void panelWanted(std::shared_ptr<SuggestionViewModel> viewModel, Rect anchor);
    /// The chosen text is on its way: the panel closes.
    void panelDone();
    /// The paste was sent: the notice next to `near`, with `undo`.
    void pasted(const std::optional<Rect>& near, std::function<void()> undo);
    /// A paste or its undo is over: sent or not, nothing more of it is coming.
    void settled();

private:
    void pasteBack(const QString& original, const QString& checked, const PasteTarget& source,
                   const std::optional<Rect>& near);

    Workspace& m_workspace;
    Screens& m_screens;
    Beep& m_beep;
    TextIO& m_textIO;
};

}  // namespace quillet
