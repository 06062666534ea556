// The interface language and the texts that follow it.
#include <gmock/gmock.h>

#include "core/L10n.h"

using namespace quillet;

TEST(L10nTest, ChangesCountInBothLanguages) {
    const L10n en{AppLanguage::en};
    const L10n sr{AppLanguage::sr};
    EXPECT_EQ(en.changesCount(1), "1 change");
    EXPECT_EQ(sr.changesCount(1), "1 izmena");
    EXPECT_EQ(en.changesCount(0), "0 changes");
    EXPECT_EQ(sr.changesCount(21), "21 izmene/a") << "one only for 1 itself";
    EXPECT_EQ(en.changesCount(1000), "1000 changes") << "no grouping separator";
}
