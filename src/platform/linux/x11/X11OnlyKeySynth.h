// Synthetic keys in a Wayland session: XWayland's programs take them, native ones do not.
#pragma once

#include <functional>
#include <memory>

#include "platform/KeySynth.h"

namespace quillet {

/// Synthetic keys reach only programs with an X11 window (through XWayland); for a native Wayland
/// program nothing is sent, and the caller learns so, instead of keys going nowhere.
class X11OnlyKeySynth final : public KeySynth {
public:
    X11OnlyKeySynth(std::unique_ptr<KeySynth> x11, std::function<bool()> frontIsX11)
        : m_x11(std::move(x11)), m_frontIsX11(std::move(frontIsX11)) {}
    bool selectAll() override { return m_frontIsX11() && m_x11->selectAll(); }
    bool copy() override { return m_frontIsX11() && m_x11->copy(); }
    bool paste() override { return m_frontIsX11() && m_x11->paste(); }
    bool selectBackward(int count) override { return m_frontIsX11() && m_x11->selectBackward(count); }
    bool selectForward(int count) override { return m_frontIsX11() && m_x11->selectForward(count); }
    bool selectFromStart(int skip, int count) override {
        return m_frontIsX11() && m_x11->selectFromStart(skip, count);
    }

private:
    std::unique_ptr<KeySynth> m_x11;
    std::function<bool()> m_frontIsX11;
};

}  // namespace quillet
