// Synthetic key presses recorded by name, with a hook that plays the frontmost application's answer.
#pragma once

#include <QStringList>
#include <functional>

#include "platform/KeySynth.h"

namespace quillet {

class FakeKeySynth final : public KeySynth {
public:
    bool selectAll() override { return press(QStringLiteral("selectAll")); }
    bool copy() override { return press(QStringLiteral("copy")); }
    bool paste() override { return press(QStringLiteral("paste")); }

    QStringList presses;
    bool fails = false;  // every press reports that nothing could be posted
    /// Called with each press that was posted, as the target application would react to it.
    std::function<void(const QString&)> onPress;

private:
    bool press(const QString& name) {
        if (fails)
            return false;
        presses << name;
        if (onPress)
            onPress(name);
        return true;
    }
};

}  // namespace quillet
