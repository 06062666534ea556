// Control+A / C / V and Shift+arrows posted to the focused window through the XTest extension.
#pragma once

#include <map>

#include "platform/KeySynth.h"
#include "platform/Scheduler.h"

namespace quillet {

class XTestKeySynth final : public KeySynth {
public:
    explicit XTestKeySynth(Scheduler& scheduler) : m_scheduler(scheduler) {}
    ~XTestKeySynth() override;

    bool selectAll() override;
    bool copy() override;
    bool paste() override;
    bool selectBackward(int count) override;
    bool selectForward(int count) override;
    bool selectFromStart(int skip, int count) override;

    // How long Control is down before the key it goes with.
    static constexpr std::chrono::milliseconds modifierLead{25};
    // How long the key waits at most for the target to have handled Control.
    static constexpr std::chrono::milliseconds handledWait{150};

private:
    bool pressWithControl(unsigned long keysym, unsigned char usFallback);
    bool pressWithShift(unsigned long keysym, int count);
    void unbind(unsigned long keysym);

    struct Binding {
        unsigned char keycode;
        TimerId unbindTimer;
    };
    static constexpr std::chrono::milliseconds bindingLifetime{500};
    Scheduler& m_scheduler;
    // Letters the layout lacks, bound to spare keycodes until shortly after their last press.
    std::map<unsigned long, Binding> m_bindings;
};

}  // namespace quillet
