// The brand emblem as the surfaces load and draw it.
#include <gmock/gmock.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "ui/Brand.h"

using namespace quillet;

TEST(BrandTest, EmblemIsCompiledInAndDrawsSquare) {
    const QSvgRenderer* emblem = BrandAssets::emblem();
    ASSERT_NE(emblem, nullptr);
    EXPECT_EQ(emblem, BrandAssets::emblem()) << "loaded once and shared";
    EXPECT_EQ(emblem->defaultSize().width(), emblem->defaultSize().height());
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const_cast<QSvgRenderer*>(emblem)->render(&p);
    p.end();
    EXPECT_GT(qAlpha(image.pixel(32, 4)), 200) << "the emblem is drawn, not an empty image";
}

TEST(BrandTest, MissingOrBrokenEmblemIsAbsentNotFatal) {
    EXPECT_EQ(BrandAssets::loadSVG(":/quillet/no-such.svg"), nullptr);
    EXPECT_EQ(BrandAssets::loadSVG(":/quillet/quillet.qrc-does-not-exist"), nullptr);
}
