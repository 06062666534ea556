// What makes a focused element a field the icon may be offered in.
#include <gmock/gmock.h>

#include "core/FieldRequest.h"
#include "core/FocusedField.h"
#include "platform/Accessibility.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeScreens.h"

using namespace quillet;

namespace {

class FocusedFieldTest : public testing::Test {
protected:
    Accessible element(const QString& role) { return ax.makeElement(77, {{Property::role, role}}); }
    FakeAccessibility ax;
    FakeWorkspace workspace;
    FakeScreens screens;
};

TEST_F(FocusedFieldTest, EditableTestFollowsRoleThenSettableText) {
    // One of the four roles is enough, even with a value that cannot be read.
    for (const char* role : {"AXTextField", "AXTextArea", "AXComboBox", "AXSearchField"})
        EXPECT_TRUE(FocusedField::isEditableTextElement(ax, element(QString::fromLatin1(role)))) << role;

    // Any other role: a settable value that reads as text, even empty, qualifies...
    Accessible custom = element(QStringLiteral("document text"));
    ax.set(custom, Property::value, QString());
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, custom)) << "not settable";
    ax.setSettable(custom, Property::value, true);
    EXPECT_TRUE(FocusedField::isEditableTextElement(ax, custom));
    // ...a settable number or Boolean does not, nor does a settable value that cannot be read.
    ax.set(custom, Property::value, QPointF(3, 0));
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, custom));
    ax.set(custom, Property::value, true);
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, custom));
    ax.remove(custom, Property::value);
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, custom));
    ax.set(custom, Property::value, QStringLiteral("x"));
    FakeAccessibility::data(custom).settableFailures[Property::value] = AccessError::cannotComplete;
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, custom)) << "a failed settable question is no";

    // A role that cannot be read is never editable, settable text or not.
    Accessible unreadable = ax.makeTextField(77, QStringLiteral("text"));
    FakeAccessibility::data(unreadable).copyFailures[Property::role] = AccessError::cannotComplete;
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, unreadable));
    ax.set(unreadable, Property::role, true);  // a role that is not text
    FakeAccessibility::data(unreadable).copyFailures.clear();
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, unreadable));
    EXPECT_FALSE(FocusedField::isEditableTextElement(ax, Accessible()));
}

TEST_F(FocusedFieldTest, FromNamesTheProcessAndItsBundle) {
    workspace.addApp({77, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")});
    Accessible field = ax.makeTextField(77, QStringLiteral("hello"));
    std::optional<FocusedField> f = FocusedField::from(ax, workspace, field);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->element, field);
    EXPECT_EQ(f->pid, 77);
    EXPECT_EQ(f->appId, QStringLiteral("org.xfce.mousepad"));

    FakeAccessibility::data(field).pidError = AccessError::cannotComplete;
    f = FocusedField::from(ax, workspace, field);
    ASSERT_TRUE(f) << "an unknown owner still makes a field";
    EXPECT_EQ(f->pid, 0);
    EXPECT_EQ(f->appId, std::nullopt);

    EXPECT_EQ(FocusedField::from(ax, workspace, element(QStringLiteral("push button"))), std::nullopt);
}

TEST_F(FocusedFieldTest, APageProcessOfTheBrowserInFrontIsTheBrowsers) {
    // A browser (100) whose pages answer from processes it started: one directly (101), one
    // inside a sandbox of two processes (103 under 102 under 150 under 100). 301 is an editor's child.
    const RunningApplication browser{100, QStringLiteral("org.gnome.Epiphany"), QStringLiteral("Web")};
    const RunningApplication editor{300, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")};
    workspace.addApp(browser);
    workspace.addApp(editor);
    workspace.parents = {{101, 100}, {103, 102}, {102, 150}, {150, 100}, {100, 1}, {301, 300}, {300, 1}};
    workspace.windows = {{100, 9}, {300, 8}};
    workspace.activeApp = browser;

    for (const qint32 page : {101, 103}) {
        const Accessible field = ax.makeTextField(page, QStringLiteral("a sentence"));
        const std::optional<FocusedField> f = FocusedField::from(ax, workspace, field);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->pid, page) << "the page's process still answers for the element";
        EXPECT_EQ(f->applicationPid(), 100) << page;
        EXPECT_EQ(f->appId, browser.appId) << "the block list names the browser";
        EXPECT_TRUE(FieldRequest::isStillTheField(workspace, *f, Trigger{}, [] { return std::nullopt; }));
        const std::optional<FieldRequest> request = FieldRequest::read(ax, workspace, *f);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->field.window, 9u) << "a paste goes to the browser's window";
    }

    // Another application's child is not the browser's, nor is the browser's child while another
    // application is in front, nor this program's own child.
    const Accessible strayField = ax.makeTextField(301, QStringLiteral("a sentence"));
    std::optional<FocusedField> stray = FocusedField::from(ax, workspace, strayField);
    ASSERT_TRUE(stray);
    EXPECT_EQ(stray->applicationPid(), 301);
    EXPECT_EQ(stray->appId, std::nullopt);
    EXPECT_FALSE(FieldRequest::isStillTheField(workspace, *stray, Trigger{}, [] { return std::nullopt; }));

    const Accessible pageField = ax.makeTextField(101, QStringLiteral("a sentence"));
    const std::optional<FocusedField> atTheBrowser = FocusedField::from(ax, workspace, pageField);
    workspace.activeApp = editor;
    const std::optional<FocusedField> behind = FocusedField::from(ax, workspace, pageField);
    ASSERT_TRUE(behind);
    EXPECT_EQ(behind->applicationPid(), 101);
    EXPECT_FALSE(FieldRequest::isStillTheField(workspace, *atTheBrowser, Trigger{}, [] {
        return std::nullopt;
    })) << "the browser went behind the editor";

    workspace.myPid = 100;
    workspace.activeApp = browser;
    EXPECT_EQ(FocusedField::from(ax, workspace, pageField)->applicationPid(), 101);
}

TEST_F(FocusedFieldTest, SecureByRoleOrSystemWideSwitch) {
    FocusedField plain{ax.makeTextField(77, QStringLiteral("x")), 77, {}};
    EXPECT_FALSE(plain.isSecure(ax));
    FocusedField byRole{element(QStringLiteral("AXSecureTextField")), 77, {}};
    EXPECT_TRUE(byRole.isSecure(ax));
    FocusedField unreadable{Accessible(), 0, {}};
    EXPECT_FALSE(unreadable.isSecure(ax));
    ax.secureInput = true;
    EXPECT_TRUE(plain.isSecure(ax));
    EXPECT_TRUE(unreadable.isSecure(ax));
}

TEST_F(FocusedFieldTest, EmptySelectionIsAbsent) {
    FocusedField f{ax.makeTextField(77, QStringLiteral("one two")), 77, {}};
    EXPECT_EQ(f.selectedText(ax), std::nullopt);
    ax.set(f.element, Property::selectedText, QString());
    EXPECT_EQ(f.selectedText(ax), std::nullopt);
    ax.set(f.element, Property::selectedText, QStringLiteral("two"));
    EXPECT_EQ(f.selectedText(ax), QStringLiteral("two"));
}

TEST_F(FocusedFieldTest, WordsAreSplitOnUnicodeWhiteSpaceOnly) {
    EXPECT_EQ(FocusedField::countWords(QStringLiteral("  one\ttwo\n\nthree  ")), 3);
    EXPECT_EQ(FocusedField::countWords(QString()), 0);
    EXPECT_EQ(FocusedField::countWords(QStringLiteral(" \t\r\n")), 0);
    EXPECT_EQ(FocusedField::countWords(QStringLiteral("one,two")), 1) << "punctuation joins";
    // NEL, no-break space, ideographic space, line and paragraph separators, vertical tab.
    EXPECT_EQ(FocusedField::countWords(QStringLiteral("a\u0085b\u00A0c\u3000d\u2028e\u2029f\u000Bg")), 7);
    // Zero-width space is not white space; non-BMP letters are not split.
    EXPECT_EQ(FocusedField::countWords(QStringLiteral("a\u200Bb \U0001F600\U0001F600")), 2);
    EXPECT_EQ(FocusedField::countWords(QStringLiteral("Ово је ћирилица")), 3);

    FocusedField f{ax.makeTextField(77, QStringLiteral("two words")), 77, {}};
    EXPECT_EQ(f.wordCount(ax), 2);
    ax.set(f.element, Property::value, true);  // not text
    EXPECT_EQ(f.wordCount(ax), 0);
}

}  // namespace
