// Where an element lies on screen, from what its toolkit answers: mends toolkits that answer screen
// extents with numbers relative to the window, and elements that give no extents of their own.
#pragma once

#include <QPointF>
#include <functional>
#include <optional>

#include "base/Geometry.h"

namespace quillet::ElementFrame {

/// How far a window's own answer may lie from where X11 has it (title bar, invisible borders).
constexpr double windowSlack = 64;

/// A rectangle that can be on a screen: positive size, and not a toolkit's "nowhere" position.
bool isReal(const Rect& extents);

/// Whether a toolkit answers screen extents relative to the window. Decided on the window itself:
/// its screen answer equals its window answer and lies at the window's own corner, while X11 has
/// the window somewhere else. Empty when it cannot be told (the window sits near the origin, where
/// both readings agree anyway, or an answer is missing).
std::optional<bool> answersWindowRelative(const std::optional<Rect>& windowScreenExtents,
                                          const std::optional<Rect>& windowWindowExtents,
                                          const std::optional<QPointF>& x11Origin);

/// Where the contents of a window start on screen, for a toolkit that answers relative to them:
/// X11's frame of the window, less the invisible border a window that draws its own frame keeps
/// around its contents (taken as even on every side when the window does not declare it).
QPointF contentOrigin(const Rect& x11Frame, const std::optional<Rect>& windowExtents);

/// The element's frame in accessibility coordinates: its screen extents, moved by the window's X11
/// origin when the toolkit answers relative to the window; when the extents are not real, the
/// extents of its text (asked only then); absent when neither is real.
std::optional<Rect> resolve(const std::optional<Rect>& screenExtents, bool windowRelative,
                            const std::optional<QPointF>& x11Origin,
                            const std::function<std::optional<Rect>()>& textExtents);

}  // namespace quillet::ElementFrame
