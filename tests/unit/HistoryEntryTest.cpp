// The history of replacements: order, limit and what each entry keeps.
#include <gmock/gmock.h>

#include "core/HistoryEntry.h"

using namespace quillet;

TEST(HistoryEntryTest, MenuTitleCutsAtFortyUserPerceivedCharacters) {
    HistoryEntry entry{QUuid::createUuid(), "orig", QString(40, QChar('a')), "Mousepad", QDateTime()};
    EXPECT_EQ(entry.menuTitle(), "Mousepad: " + QString(40, QChar('a')));
    entry.replacement = QString(41, QChar('b'));
    EXPECT_EQ(entry.menuTitle(), "Mousepad: " + QString(40, QChar('b')) + QString::fromUtf8("…"));
    // Flags are two code points each; forty of them fit whole, and none is split.
    const QString flag = QString::fromUtf8("🇷🇸");
    entry.replacement = flag.repeated(41);
    EXPECT_EQ(entry.menuTitle(), "Mousepad: " + flag.repeated(40) + QString::fromUtf8("…"));
}
