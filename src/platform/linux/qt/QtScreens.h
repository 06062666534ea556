// The screens from Qt, in its global coordinates.
#pragma once

#include "platform/Screens.h"

class QScreen;

namespace quillet {

class QtScreens final : public Screens {
public:
    QList<ScreenInfo> screens() override;
    std::optional<ScreenInfo> mainScreen() override;
    std::optional<QPointF> pointer() override;

private:
    static ScreenInfo info(QScreen* screen);
};

}  // namespace quillet
