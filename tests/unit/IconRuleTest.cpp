// When the icon stands at a field, and that a field's text is read only when nothing else refuses.
#include <gmock/gmock.h>

#include "core/IconRule.h"
#include "platform/fake/FakeAccessibility.h"

using namespace quillet;

TEST(IconRuleTest, EveryConditionRefusesAndTheWordsAreCountedLast) {
    FakeAccessibility ax;
    const FocusedField field{ax.makeTextField(501, QStringLiteral("x")), 501,
                             QStringLiteral("org.xfce.mousepad")};
    FocusedField secure{ax.makeTextField(501, QStringLiteral("x")), 501, std::nullopt};
    ax.set(secure.element, Property::role, QStringLiteral("AXSecureTextField"));
    const IconRule::Conditions open{false, {QStringLiteral("org.example.Other")}, 3};
    const IconRule::Conditions paused{true, {}, 3};
    const IconRule::Conditions blocked{false, {QStringLiteral("org.xfce.mousepad")}, 3};
    struct Case {
        const char* name;
        std::optional<FocusedField> field;
        IconRule::Conditions conditions;
        int words;
        bool shows;
        bool textRead;
    };
    for (const Case& c :
         {Case{"enough words", field, open, 3, true, true}, Case{"too few", field, open, 2, false, true},
          Case{"no field", std::nullopt, open, 9, false, false},
          Case{"paused", field, paused, 9, false, false},
          Case{"password field", secure, open, 9, false, false},
          Case{"blocked", field, blocked, 9, false, false}}) {
        SCOPED_TRACE(c.name);
        int reads = 0;
        EXPECT_EQ(IconRule::shows(ax, c.field, c.conditions, [&] { return ++reads, c.words; }), c.shows);
        EXPECT_EQ(reads > 0, c.textRead);
    }
}
