// The screens from Qt, reported with the origin at the bottom-left of the primary screen, y up.
#pragma once

#include "platform/Screens.h"

class QScreen;

namespace quillet {

class QtScreens final : public Screens {
public:
    QList<ScreenInfo> screens() override;
    std::optional<ScreenInfo> mainScreen() override;
    std::optional<QPointF> pointer() override;

    /// Flips a Qt global rectangle (origin top-left, y down) about the primary screen `primary`.
    static Rect fromQt(const QRect& rect, const QRect& primary);

private:
    static ScreenInfo info(QScreen* screen, const QRect& primary);
};

}  // namespace quillet
