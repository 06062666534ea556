// The brand colours and the emblem, made once and shared by every surface.
#include "ui/Brand.h"

#include <QFile>
#include <QSvgRenderer>

// The resources live in a static library; they must be registered before first use.
static void initBrandResources() {
    Q_INIT_RESOURCE(quillet);
}

namespace quillet {

QColor Brand::teal() {
    return QColor::fromRgbF(0.12f, 0.57f, 0.64f, 1.0f);
}

QColor Brand::deep() {
    return QColor::fromRgbF(0.04f, 0.14f, 0.26f, 1.0f);
}

const QSvgRenderer* BrandAssets::loadSVG(const QString& path) {
    if (!QFile::exists(path))
        return nullptr;
    auto* renderer = new QSvgRenderer(path);
    if (renderer->isValid())
        return renderer;
    delete renderer;
    return nullptr;
}

const QSvgRenderer* BrandAssets::emblem() {
    // Kept for the run, also when absent: a failed load is not retried.
    static const QSvgRenderer* const shared = [] {
        initBrandResources();
        return loadSVG(emblemPath);
    }();
    return shared;
}

}  // namespace quillet
