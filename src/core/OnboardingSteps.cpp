// The setup window's three steps, and when each may be left forward.
#include "core/OnboardingSteps.h"

namespace quillet {

bool OnboardingSteps::canGoForward(bool axTrusted, bool keyStored, bool keyRequired) const {
    switch (m_step) {
        case permission:
            return axTrusted;
        case apiKey:
            return keyStored || !keyRequired;
        case test:
            return true;
    }
    return false;
}

OnboardingSteps::Forward OnboardingSteps::goForward(bool axTrusted, bool keyStored, bool keyRequired) {
    if (!canGoForward(axTrusted, keyStored, keyRequired))
        return Forward::refused;
    if (isLast())
        return Forward::finished;
    m_step = static_cast<Step>(m_step + 1);
    return Forward::moved;
}

bool OnboardingSteps::goBack() {
    if (m_step == permission)
        return false;
    m_step = static_cast<Step>(m_step - 1);
    return true;
}

}  // namespace quillet
