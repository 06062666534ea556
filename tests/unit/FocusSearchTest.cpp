// Finding the focused field when the application does not say which it is.
#include <gmock/gmock.h>

#include "platform/EditableText.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/linux/atspi/CaretTrail.h"
#include "platform/linux/atspi/FocusSearch.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

constexpr qint32 pid = 300;

// The fake's tree as the focus search reads it. Every element read costs `costPerRead` of the
// tree's own clock, to stand for a slow application.
class FakeFocusTree final : public FocusTree {
public:
    explicit FakeFocusTree(FakeAccessibility& ax) : m_ax(ax) {}
    std::optional<FocusNode> node(const Accessible& element) override {
        ++reads;
        clock += costPerRead;
        const FakeElementData& d = FakeAccessibility::data(element);
        if (d.destroyed)
            return std::nullopt;
        FocusNode node;
        node.focused = d.focused;
        node.showing = d.showing;
        node.managesDescendants = d.managesDescendants;
        node.editableText = d.focused && isEditableTextElement(m_ax, element);
        return node;
    }
    std::vector<Accessible> children(const Accessible& element) override {
        const FakeElementData& d = FakeAccessibility::data(element);
        if (d.destroyed)
            return {};
        return {d.children.begin(), d.children.end()};
    }
    std::chrono::milliseconds now() override { return clock; }

    std::chrono::milliseconds clock{0};
    std::chrono::milliseconds costPerRead{0};
    int reads = 0;

private:
    FakeAccessibility& m_ax;
};

// A window as a Qt or KDE editor builds it: a tab bar, a panel that claims the focus, the text
// view inside it (which reports a focused child of its own), and a hidden find bar.
class FocusSearchTest : public testing::Test {
protected:
    FocusSearchTest() {
        window = node("frame");
        tabs = node("page tab list");
        panel = node("panel", true);
        text = ax.makeTextField(pid, QStringLiteral("several words of text"));
        FakeAccessibility::data(text).focused = true;
        caret = node("filler", true);
        findBar = node("panel");
        findText = ax.makeTextField(pid, QStringLiteral("needle"));
        FakeAccessibility::data(findBar).showing = false;
        ax.addChild(window, tabs);
        ax.addChild(window, findBar);
        ax.addChild(findBar, findText);
        ax.addChild(window, panel);
        ax.addChild(panel, text);
        ax.addChild(text, caret);
    }
    Accessible node(const QString& role, bool focused = false) {
        Accessible e = ax.makeElement(pid, {{Property::role, role}});
        FakeAccessibility::data(e).focused = focused;
        return e;
    }
    Accessible find(const FocusSearch::Limits& limits = {}) {
        return FocusSearch::find(tree, window, limits);
    }

    FakeAccessibility ax;
    FakeFocusTree tree{ax};
    Accessible window, tabs, panel, text, caret, findBar, findText;
};

TEST_F(FocusSearchTest, TheTextWinsOverTheContainersAroundAndInsideIt) {
    EXPECT_EQ(find(), text);

    // Without a text anywhere, the deepest element that claims the focus is the answer.
    FakeAccessibility::data(text).focused = false;
    EXPECT_EQ(find(), caret);
    FakeAccessibility::data(caret).focused = false;
    EXPECT_EQ(find(), panel);
    FakeAccessibility::data(panel).focused = false;
    EXPECT_TRUE(find().isNull());
}

TEST_F(FocusSearchTest, HiddenPartsAreSkipped) {
    FakeAccessibility::data(text).focused = false;
    FakeAccessibility::data(findText).focused = true;  // a stale claim inside a closed bar
    EXPECT_EQ(find(), caret);
    FakeAccessibility::data(findBar).showing = true;
    EXPECT_EQ(find(), findText);
}

TEST_F(FocusSearchTest, ListsThatMakeTheirRowsOnDemandAreNotWalkedInto) {
    Accessible list = node("table", true);
    FakeAccessibility::data(list).managesDescendants = true;
    Accessible cell = ax.makeTextField(pid, QStringLiteral("cell"));
    FakeAccessibility::data(cell).focused = true;
    ax.addChild(list, cell);
    FakeAccessibility::data(window).children = {list};
    EXPECT_EQ(find(), list);
}

TEST_F(FocusSearchTest, ASlowOrHugeTreeIsCutShort) {
    // A hundred panes before the editor's panel.
    QList<Accessible> children;
    for (int i = 0; i < 100; ++i)
        children << node("panel");
    children << panel;
    FakeAccessibility::data(window).children = children;

    FocusSearch::Limits limits;
    limits.maxNodes = 50;
    EXPECT_TRUE(find(limits).isNull());
    EXPECT_LE(tree.reads, 50);

    tree.reads = 0;
    tree.costPerRead = 2ms;
    EXPECT_TRUE(find().isNull()) << "50 ms of 2 ms reads end before the editor";
    EXPECT_LE(tree.reads, 27);

    // Taken up again, the same slow search gets to the end over a few attempts.
    FocusSearch::Walk walk(window);
    int attempts = 1;
    while (!walk.resume(tree))
        ++attempts;
    EXPECT_EQ(walk.result(), text);
    EXPECT_EQ(attempts, 4);

    tree.costPerRead = 0ms;
    EXPECT_EQ(find(), text) << "an answering application is searched to the end";
}

TEST_F(FocusSearchTest, GoneElementsAreNoAnswer) {
    ax.destroy(panel);
    EXPECT_TRUE(find().isNull());
    EXPECT_TRUE(FocusSearch::find(tree, Accessible()).isNull());
}

}  // namespace

// A text in a search bar (GTK 4's) or an office cell being edited takes the keyboard without ever
// claiming the focus: its caret tells where the keyboard went, until something claims the focus.
TEST_F(FocusSearchTest, TheTextWhoseCaretMovedSinceTheLastFocusClaimHoldsTheKeyboard) {
    CaretTrail trail;
    trail.focusClaimed(pid, panel);
    EXPECT_TRUE(trail.candidate(pid).isNull());
    int asked = 0;
    const auto isText = [&asked] { return ++asked, std::optional(true); };
    const auto isLabel = [&asked] { return ++asked, std::optional(false); };
    const auto busy = [&asked] { return ++asked, std::optional<bool>(); };
    // An application too busy to answer is asked again at the next move, not written off.
    EXPECT_FALSE(trail.caretMoved(pid, findText, busy));
    EXPECT_TRUE(trail.candidate(pid).isNull());
    asked = 0;
    EXPECT_TRUE(trail.caretMoved(pid, findText, isText)) << "the keyboard may have moved: worth a look";
    EXPECT_EQ(trail.candidate(pid), findText);
    EXPECT_FALSE(trail.caretMoved(pid, ax.alias(findText), isText))
        << "typing on in the same text is no move";
    // A status label that moves its caret as the count of words changes is no text to type into.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(trail.caretMoved(pid, tabs, isLabel));
    EXPECT_EQ(trail.candidate(pid), findText);
    EXPECT_EQ(asked, 2) << "each element asked once";
    EXPECT_TRUE(trail.candidate(pid + 1).isNull()) << "only in its own process";

    trail.focusClaimed(pid, tabs);
    EXPECT_TRUE(trail.candidate(pid).isNull()) << "a click on a tab: the claim is newer";
    // A text that claims the focus as well is followed by its claim, and needs no second look.
    EXPECT_TRUE(trail.caretMoved(pid, text, isText));
    trail.focusClaimed(pid, text);
    EXPECT_FALSE(trail.caretMoved(pid, text, isText));
    EXPECT_EQ(trail.candidate(pid), text);
    trail.forget(pid);
    EXPECT_TRUE(trail.candidate(pid).isNull());
}
