// The icon in the field's corner: its states, its place and its clicks.
#include <QMouseEvent>
#include <QTest>

#include "ui/OverlayController.h"
#include "ui/SurfaceTestSupport.h"

using namespace quillet;
using namespace quillet::test;

TEST(OverlayIconTest, ShowPlacesOnePanelInTheFieldsCornerAndKeepsItsState) {
    FakeWindowHints hints;
    OverlayController overlay(hints);
    overlay.setState(IconState::error);  // before the first show: the badge is made with it
    overlay.show(Rect(100, 440, 300, 80));
    ASSERT_NE(overlay.panel(), nullptr);
    FloatingPanel* first = overlay.panel();
    EXPECT_EQ(QRectF(overlay.panel()->geometry()), Rect(368, 488, 24, 24));
    EXPECT_EQ(overlay.iconView()->state(), IconState::error);

    overlay.hide();
    EXPECT_FALSE(overlay.isVisible());
    overlay.show(Rect(10, 10, 200, 30));
    EXPECT_EQ(overlay.panel(), first) << "a second show moves the one panel";
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_EQ(overlay.panel()->screenFrame(), Rect(214, 13, 24, 24)) << "beside a one-line field";
    EXPECT_EQ(overlay.state(), IconState::error) << "showing again keeps the state";
    EXPECT_TRUE(overlay.panel()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(overlay.panel()->testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST(OverlayIconTest, TooltipKeepsTheLanguageOfItsCreationNamesTheShortcutAndAPressClicksOnce) {
    LanguageScope language(AppLanguage::sr);
    FakeWindowHints hints;
    OverlayController overlay(hints);
    int clicks = 0;
    QObject::connect(&overlay, &OverlayController::clicked, [&] { ++clicks; });
    overlay.show(Rect(100, 440, 300, 40));
    EXPECT_EQ(overlay.iconView()->toolTip(), "Ispravi tekst (Super+Shift+G)");
    language.store().setLanguage(AppLanguage::en);
    overlay.show(Rect(100, 400, 300, 40));
    EXPECT_EQ(overlay.iconView()->toolTip(), "Ispravi tekst (Super+Shift+G)");
    EXPECT_EQ(OverlayController::tooltipText(L10n::current()), "Fix text (Super+Shift+G)");
    // The shortcut it names is the one in force at each showing, or none once it is turned off.
    language.store().setGlobalShortcut(QStringLiteral("Ctrl+Alt+K"));
    overlay.show(Rect(100, 400, 300, 40));
    EXPECT_EQ(overlay.iconView()->toolTip(), "Ispravi tekst (Ctrl+Alt+K)");
    EXPECT_EQ(overlay.iconView()->accessibleName(), "Ispravi tekst (Ctrl+Alt+K)");
    language.store().setGlobalShortcut(QString());
    overlay.show(Rect(100, 400, 300, 40));
    EXPECT_EQ(overlay.iconView()->toolTip(), "Ispravi tekst");

    // The press counts, not the release; a right-button press does nothing.
    QTest::mousePress(overlay.iconView(), Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
    QTest::mouseRelease(overlay.iconView(), Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mousePress(overlay.iconView(), Qt::RightButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
}

namespace {
// An icon the desktop draws, as GNOME Shell's extension does: records what it was asked to show.
struct RecordingDesktopIcon : DesktopIcon {
    bool available = true;
    std::optional<QRectF> shownAt;
    std::optional<Look> look;
    bool isAvailable() override { return available; }
    bool show(const QRectF& globalRect, Look l, const QString&) override {
        shownAt = globalRect;
        look = l;
        return true;
    }
    void hide() override { shownAt.reset(); }
};
}  // namespace

TEST(OverlayIconTest, WhereTheDesktopDrawsTheIconNoPanelIsMadeAndItsClicksStillCount) {
    FakeWindowHints hints;
    RecordingDesktopIcon desktop;
    OverlayController overlay(hints);
    overlay.setDesktopIcon(&desktop);
    int clicks = 0;
    QObject::connect(&overlay, &OverlayController::clicked, [&] { ++clicks; });

    overlay.show(Rect(100, 440, 300, 80));
    EXPECT_EQ(overlay.panel(), nullptr);
    EXPECT_EQ(desktop.shownAt, Rect(368, 488, 24, 24));
    EXPECT_EQ(overlay.iconFrame(), Rect(368, 488, 24, 24)) << "the panel's anchor";
    overlay.setState(IconState::loading);
    EXPECT_EQ(desktop.look, DesktopIcon::Look::loading) << "a state change shows at once";
    Q_EMIT desktop.clicked();
    EXPECT_EQ(clicks, 1);

    overlay.hide();
    EXPECT_FALSE(desktop.shownAt);
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(overlay.iconFrame(), std::nullopt);

    // Switched off mid-run: the program's own window takes over, with the state it had.
    desktop.available = false;
    overlay.show(Rect(100, 440, 300, 40));
    ASSERT_NE(overlay.panel(), nullptr);
    EXPECT_EQ(overlay.iconView()->state(), IconState::loading);
    EXPECT_FALSE(desktop.shownAt);
}
