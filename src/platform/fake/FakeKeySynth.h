// Synthetic key presses recorded by name, with a hook that plays the active application's answer.
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
    bool selectBackward(int count) override { return pressTimes(QStringLiteral("selectBackward"), count); }
    bool selectForward(int count) override { return pressTimes(QStringLiteral("selectForward"), count); }
    /// Recorded as "caretToStart", "moveForward" per skipped stop, "selectForward" per selected one.
    bool selectFromStart(int skip, int count) override {
        return press(QStringLiteral("caretToStart")) && pressTimes(QStringLiteral("moveForward"), skip) &&
               pressTimes(QStringLiteral("selectForward"), count);
    }
    void renewGrant() override { grantCalls << QStringLiteral("renew"); }
    void endGrant() override {
        grantCalls << QStringLiteral("end");
        if (onEndGrant)
            onEndGrant();
    }

    /// One entry per key press; Shift+arrows count once per step.
    QStringList presses;
    bool fails = false;  // every press reports that nothing could be posted
    /// Called with each press that was posted, as the target application would react to it.
    std::function<void(const QString&)> onPress;
    /// "renew" and "end", one per call of renewGrant() and endGrant(), and what to do at the end.
    QStringList grantCalls;
    std::function<void()> onEndGrant;

private:
    bool press(const QString& name) {
        if (fails)
            return false;
        presses << name;
        if (onPress)
            onPress(name);
        return true;
    }
    bool pressTimes(const QString& name, int count) {
        if (fails)
            return false;
        for (int i = 0; i < count; ++i)
            press(name);
        return true;
    }
};

}  // namespace quillet
