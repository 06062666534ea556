// A text longer than what is sent: the cut never splits a grapheme, and the chosen text replaces
// only the part that was sent, the rest of the field staying as it was, on every road.
#include "CoreTestSupport.h"
#include "core/PartialReplacement.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;

namespace {

constexpr int kLimit = OpenAIClient::maxCharacters;
const QString kFamily = QString::fromUtf8("👨‍👩‍👧");  // one grapheme, eight UTF-16 units
const QString kAccented = QString::fromUtf8("e\xcc\x81");         // e and a combining acute accent

// `count` graphemes of "x", so that the next one is the 5,000th or the 5,001st.
QString filler(int count) {
    return QString(count, QLatin1Char('x'));
}

class PartialReplacementTest : public test::EditorTest {
protected:
    void replace(const Accessible& element, const PartialReplacement& part, qint64 location,
                 const QString& chosen) {
        io.replaceRange(fieldOf(element), part, location, chosen, record());
        scheduler.advance(3s);
    }
};

}  // namespace

TEST_F(PartialReplacementTest, CutKeepsGraphemesThatStraddleItWhole) {
    // The 5,000th grapheme spans several code units: it is sent whole, not split.
    for (const QString& last : {kFamily, kAccented, QString::fromUtf8("🇷🇸")}) {
        const QString text = filler(kLimit - 1) + last + "tail " + kFamily;
        const PartialReplacement part = PartialReplacement::of(text);
        EXPECT_EQ(part.sent, filler(kLimit - 1) + last);
        EXPECT_EQ(part.rest, "tail " + kFamily);
        EXPECT_EQ(part.sent + part.rest, text);
        EXPECT_EQ(part.joined("fixed"), "fixed" + part.rest);
    }
    // The 5,001st starts right after the cut, its combining mark with it.
    const PartialReplacement after = PartialReplacement::of(filler(kLimit) + kAccented);
    EXPECT_EQ(after.rest, kAccented);

    // Exactly 5,000 graphemes, however many code units, are sent whole.
    const QString exact = filler(kLimit - 1) + kFamily;
    EXPECT_FALSE(PartialReplacement::of(exact).isPartial());
    EXPECT_EQ(PartialReplacement::of(exact).joined("new"), "new");
}

TEST_F(PartialReplacementTest, PartIsFoundWhereItWasOrWhereItMoved) {
    const PartialReplacement part{"alpha beta", "rest"};
    EXPECT_EQ(part.rangeIn("intro alpha beta rest", 6), (TextRange{6, 10}));
    // The user typed in front of it meanwhile.
    EXPECT_EQ(part.rangeIn("new intro alpha beta rest", 6), (TextRange{10, 10}));
    EXPECT_EQ(part.rangeIn("alpha beta\r\nrest", 0), (TextRange{0, 10}));
    // Gone, or there twice: no telling where it is.
    EXPECT_EQ(part.rangeIn("alpha gamma rest", 0), std::nullopt);
    EXPECT_EQ(part.rangeIn("alpha beta alpha beta", 3), std::nullopt);
}

TEST_F(PartialReplacementTest, AccessibilityWriteReplacesOnlyThePartThatWasSent) {
    const QString before = QString::fromUtf8("Intro ");
    const QString sent = "Their " + filler(kLimit - 7) + kFamily;
    const QString rest = kAccented + " and the rest of a long document.\n\nAnother paragraph " + kFamily;
    FakeEditor& e = editor(before + sent + rest);
    e.select(before.size(), sent.size() + rest.size());  // the user selected from the intro on
    const PartialReplacement part = PartialReplacement::of(sent + rest);
    ASSERT_EQ(part.sent, sent);

    replace(e.element, part, before.size(), "There " + filler(kLimit - 7) + kFamily);
    ASSERT_EQ(road(), TextIO::Strategy::axSelectedText);
    EXPECT_TRUE(outcome->confirmed);
    EXPECT_EQ(e.text(), before + "There " + filler(kLimit - 7) + kFamily + rest);
    EXPECT_EQ(std::get<TextRange>(ax.setCalls.at(0).value), (TextRange{before.size(), sent.size()}));
    EXPECT_TRUE(keys.presses.isEmpty());
}

TEST_F(PartialReplacementTest, FieldThatIgnoresWritesGetsThePasteOverThePartOnly) {
    const QString sent = filler(kLimit - 1) + kAccented;
    const QString rest = QString::fromUtf8("ü tail\nline two ") + kFamily;
    FakeEditor& e = pasteOnlyEditor(sent + rest);
    e.placeCaret(0);

    replace(e.element, PartialReplacement::of(sent + rest), 0, "short");
    ASSERT_EQ(road(), TextIO::Strategy::clipboard);
    EXPECT_THAT(keys.presses, ElementsAre("paste")) << "the part was selected, not everything";
    EXPECT_EQ(e.text(), "short" + rest);
    EXPECT_EQ(board.contents, QList<ClipboardItem>{userItem});

    // A field that will not take a selection either gets the whole text, its rest unchanged.
    FakeEditor& f = pasteOnlyEditor(sent + rest);
    FakeAccessibility::data(f.element).setFailures[Property::selectedTextRange] = AccessError::failure;
    keys.presses.clear();
    replace(f.element, PartialReplacement::of(sent + rest), 0, "short");
    ASSERT_EQ(road(), TextIO::Strategy::clipboard);
    EXPECT_THAT(keys.presses, ElementsAre("selectAll", "paste"));
    EXPECT_EQ(f.text(), "short" + rest);
}

TEST_F(PartialReplacementTest, NothingIsWrittenWhenThePartIsNoLongerInTheField) {
    const QString sent = filler(kLimit);
    FakeEditor& e = editor("edited meanwhile " + filler(10) + " rest");
    replace(e.element, PartialReplacement{sent, " rest"}, 0, "short");
    ASSERT_EQ(road(), noRoad);
    EXPECT_TRUE(ax.setCalls.isEmpty());
    EXPECT_TRUE(keys.presses.isEmpty());
}
