// The desktop's bell through Qt.
#pragma once

#include "platform/Beep.h"

namespace quillet {

class QtBeep final : public Beep {
public:
    void beep() override;
};

}  // namespace quillet
