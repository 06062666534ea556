// The brand colours and the emblem, made once and shared by every surface.
#pragma once

#include <QColor>
#include <QString>

class QSvgRenderer;

namespace quillet {

namespace Brand {
/// #1F91A3: badges, tints, the overlay icon's ring and monogram.
QColor teal();
/// #0A2442: the setup window's header.
QColor deep();
}  // namespace Brand

class BrandAssets {
public:
    /// The emblem from the program's resources; null when it is missing or unreadable. Loaded once.
    static const QSvgRenderer* emblem();
    /// Loads an SVG; null when the file is missing or not a readable image.
    static const QSvgRenderer* loadSVG(const QString& path);
    static inline const QString emblemPath = QStringLiteral(":/quillet/logo-icon.svg");
};

}  // namespace quillet
