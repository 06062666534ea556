// Which of the program's own objects libatspi is told to forget, and when it is looked at again.
#include <gmock/gmock.h>

#include <QSet>

#include "platform/linux/atspi/OwnObjectSweep.h"

using namespace quillet;

namespace {

QByteArray pathOf(quint32 id) {
    return "/org/a11y/atspi/accessible/" + QByteArray::number(id);
}

}  // namespace

TEST(OwnObjectSweepTest, OnlyQtObjectsThatAreGoneAreForgotten) {
    EXPECT_EQ(OwnObjectSweep::idOf(pathOf(2147483650u)), 2147483650u);
    for (const QByteArray& other :
         {QByteArray("/org/a11y/atspi/accessible/root"), QByteArray("/org/a11y/atspi/accessible/"),
          QByteArray("/org/a11y/atspi/accessible/+7"), QByteArray("/org/a11y/atspi/accessible/12/3"),
          QByteArray("/org/a11y/atspi/null"), QByteArray("/org/gtk/widget/12")})
        EXPECT_EQ(OwnObjectSweep::idOf(other), std::nullopt) << other.constData();

    OwnObjectSweep sweep;
    const QSet<quint32> living{1, 3};
    const QList<QByteArray> paths{pathOf(1), pathOf(2), pathOf(3), pathOf(4),
                                  QByteArray("/org/a11y/atspi/accessible/root")};
    EXPECT_EQ(sweep.sweep(paths, int(paths.size()), [&](quint32 id) { return living.contains(id); }),
              (QList<QByteArray>{pathOf(2), pathOf(4)}));
}

// A sweep costs a walk through the cache: it comes once the cache has grown by a few objects since
// the last one left it, whatever it held then.
TEST(OwnObjectSweepTest, LooksAgainOnlyAfterTheCacheHasGrown) {
    OwnObjectSweep sweep;
    EXPECT_FALSE(sweep.isDue(OwnObjectSweep::slack - 1));
    EXPECT_TRUE(sweep.isDue(OwnObjectSweep::slack));

    QList<QByteArray> paths;
    for (quint32 id = 1; id <= 40; ++id)
        paths << pathOf(id);
    // Ten of forty still live: the cache holds ten after the sweep.
    EXPECT_EQ(sweep.sweep(paths, 40, [](quint32 id) { return id <= 10; }).size(), 30);
    EXPECT_FALSE(sweep.isDue(10 + OwnObjectSweep::slack - 1));
    EXPECT_TRUE(sweep.isDue(10 + OwnObjectSweep::slack));
}
