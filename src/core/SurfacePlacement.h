// Where the floating surfaces go: the overlay icon, the toast and the suggestion panel, in the
// desktop's global coordinates (top-left origin, y down). Pure arithmetic, shared by the controllers
// and their tests.
#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <optional>

#include "base/Geometry.h"
#include "platform/Screens.h"

namespace quillet::SurfacePlacement {

inline constexpr double iconSize = 24;
/// Inset of the icon from the field's right and bottom edges.
inline constexpr double iconMargin = 8;
inline constexpr QSizeF toastSize{220, 40};
/// Gap between the toast's bottom edge and the anchor's top edge.
inline constexpr double toastOffset = 8;
inline constexpr QSizeF panelSize{400, 340};
/// Gap between the panel and its anchor, below or above it.
inline constexpr double panelGap = 6;
/// Least distance between the panel and the left or right edge of the visible area.
inline constexpr double panelScreenMargin = 8;
/// The visible area assumed when there is no main screen at all.
inline const Rect fallbackVisibleFrame{0, 0, 800, 600};

/// A field lower than this has no room for the icon beside its text (a single-line entry),
inline constexpr double shortFieldHeight = 2 * iconSize;
/// one narrower than this no room for the icon at all; either
inline constexpr double narrowFieldWidth = iconSize + 2 * iconMargin;
/// gets it this far outside its right edge.
inline constexpr double iconOutsideGap = 4;

/// The icon inside the field's bottom-right corner; not clamped to the field or any screen.
Rect overlayIconFrame(const Rect& fieldFrame);
/// The part of the field a person sees: the field within its window (when known and holding some of
/// it) and within the visible area of the screen that shows most of that. A field off every screen
/// is left as its window has it.
Rect visiblePart(const Rect& fieldFrame, const std::optional<Rect>& windowFrame,
                 const QList<ScreenInfo>& screens);
/// The icon for a field whose window (when known) lies in `windowFrame`, among `screens`, placed on
/// the field's visible part: in its bottom-right corner when that is large enough; else outside it,
/// so that it hides none of the text (a single-line entry) or shows at all (a sliver of a field at
/// a window's or the screen's edge): centred just beside its right edge, or, where that would leave
/// the window or the screen's visible area, just over its right end, else just under it; beside it
/// pulled back inside when none of these fits.
Rect overlayIconFrame(const Rect& fieldFrame, const std::optional<Rect>& windowFrame,
                      const QList<ScreenInfo>& screens);
/// Whether the icon goes beside this (visible part of a) field rather than inside it.
bool isShortField(const Rect& fieldFrame);

/// The toast's top-left corner: right edges aligned just above `anchor`, or near the top-right
/// corner of the main screen's visible area without one. Never clamped.
QPointF toastOrigin(const std::optional<Rect>& anchor, const std::optional<ScreenInfo>& mainScreen);
/// The same, with the mouse pointer for want of an anchor, or of room above it on any screen: the
/// toast centred just above the pointer, inside the visible area of the screen it is on. The screen's
/// corner only when neither is known.
QPointF toastOrigin(const std::optional<Rect>& anchor, const std::optional<QPointF>& pointer,
                    const QList<ScreenInfo>& screens, const std::optional<ScreenInfo>& mainScreen);
/// Gap between the pointer and the toast's bottom edge.
inline constexpr double toastPointerOffset = 16;

/// The suggestion panel's top-left corner for `anchor`: below it with right edges aligned, above
/// it when below would leave the visible area of the screen the anchor is on; when neither fits, on
/// the anchor's lower side pulled inside that area. Always whole inside the area's top and bottom
/// edges and 8 points inside its left and right edges (the top and left win on a smaller area).
QPointF suggestionPanelOrigin(const Rect& anchor, const QList<ScreenInfo>& screens,
                              const std::optional<ScreenInfo>& mainScreen);

}  // namespace quillet::SurfacePlacement
