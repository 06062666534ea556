// Leaving a chosen text on the clipboard where it can be neither written nor pasted.
#include <gmock/gmock.h>

#include "core/ClipboardHandOver.h"
#include "platform/fake/FakeClipboard.h"

using namespace quillet;
using Road = ClipboardHandOver::Road;

TEST(ClipboardHandOverTest, APasswordFieldsTextNeverReachesTheClipboard) {
    EXPECT_EQ(ClipboardHandOver::road(true, true), Road::none);
    EXPECT_EQ(ClipboardHandOver::road(true, false), Road::none);
    EXPECT_EQ(ClipboardHandOver::road(false, false), Road::copy);
}

TEST(ClipboardHandOverTest, TheWholeTextStaysOnTheClipboardAsPlainText) {
    FakeClipboard clipboard;
    clipboard.write({ClipboardItem{{"text/html", "<b>earlier</b>"}, {"image/png", QByteArray(8, '\0')}}});
    const QString text = "Prvi pasus: đak, ćirilica ђ, emoji 🙂.\r\n\nDrugi pasus.";
    ClipboardHandOver::copy(clipboard, text);
    ASSERT_EQ(clipboard.contents.size(), 1);
    EXPECT_EQ(clipboard.contents[0].keys(), QStringList{ClipboardType::plainText})
        << "nothing of the earlier contents, and no hint that would keep clipboard managers away";
    EXPECT_EQ(clipboard.plainText(), text);
}
