// The coordinator driving the program's own widgets, on the platform doubles and virtual time.
#pragma once

#include "core/SurfacePlacement.h"
#include "support/CoordinatorFixture.h"
#include "ui/CoordinatorWindowsSupport.h"
#include "ui/FloatingPanel.h"
#include "ui/KeyboardPanel.h"
#include "ui/SuggestionPanelController.h"

namespace quillet::test {

class AppCoordinatorTest : public CoordinatorFixture<CoordinatorWindows> {
protected:
    Rect panelFrame() { return panelController(*coordinator)->panel()->screenFrame(); }
    /// The panel is placed on whole pixels; the arithmetic may land on a half point.
    void expectPanelAt(const Rect& anchor) {
        const QPointF expected = SurfacePlacement::suggestionPanelOrigin(anchor, desktop.screens.list,
                                                                         desktop.screens.mainScreen());
        EXPECT_NEAR(panelFrame().x(), expected.x(), 1);
        EXPECT_NEAR(panelFrame().y(), expected.y(), 1);
    }
};

}  // namespace quillet::test
