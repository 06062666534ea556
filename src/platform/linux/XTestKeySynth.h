// Control+A / C / V posted to the focused window through the XTest extension.
#pragma once

#include "platform/KeySynth.h"

typedef struct _XDisplay Display;

namespace quillet {

class XTestKeySynth final : public KeySynth {
public:
    XTestKeySynth() = default;
    ~XTestKeySynth() override;

    bool selectAll() override;
    bool copy() override;
    bool paste() override;

private:
    bool pressWithControl(unsigned long keysym, unsigned char usFallback);
    Display* display();

    Display* m_display = nullptr;  // a connection of its own, opened on first use
    bool m_unavailable = false;
};

}  // namespace quillet
