// The setup window's three steps, and when each may be left forward.
#pragma once

namespace quillet {

class OnboardingSteps {
public:
    enum Step { permission = 0, apiKey = 1, test = 2 };
    enum class Forward { refused, moved, finished };

    Step current() const { return m_step; }
    bool isLast() const { return m_step == test; }

    /// The permission step needs the accessibility permission; the key step any stored key,
    /// checked or not (the check may fail for reasons of its own), or none when the chosen server
    /// needs no key; the last step nothing.
    bool canGoForward(bool axTrusted, bool keyStored, bool keyRequired = true) const;
    /// Moves one step on, or finishes on the last one, when canGoForward allows it.
    Forward goForward(bool axTrusted, bool keyStored, bool keyRequired = true);
    /// Moves one step back; false on the first step.
    bool goBack();
    /// Goes straight to `step`, as a picture of it needs.
    void jumpTo(Step step) { m_step = step; }

private:
    Step m_step = permission;
};

}  // namespace quillet
