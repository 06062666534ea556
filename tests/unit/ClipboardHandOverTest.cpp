// Leaving a chosen text on the clipboard where it can be neither written nor pasted.
#include <gmock/gmock.h>

#include "core/ClipboardHandOver.h"
#include "platform/fake/FakePasteboard.h"

using namespace quillet;
using Road = ClipboardHandOver::Road;

TEST(ClipboardHandOverTest, APasswordFieldsTextNeverReachesTheClipboard) {
    EXPECT_EQ(ClipboardHandOver::road(true, true), Road::none);
    EXPECT_EQ(ClipboardHandOver::road(true, false), Road::none);
    EXPECT_EQ(ClipboardHandOver::road(false, false), Road::copy);
}

TEST(ClipboardHandOverTest, TheWholeTextStaysOnTheClipboardAsPlainText) {
    FakePasteboard pasteboard;
    pasteboard.write({PasteboardItem{{"text/html", "<b>earlier</b>"}, {"image/png", QByteArray(8, '\0')}}});
    const QString text = "Prvi pasus: đak, ćirilica ђ, emoji 🙂.\r\n\nDrugi pasus.";
    ClipboardHandOver::copy(pasteboard, text);
    ASSERT_EQ(pasteboard.contents.size(), 1);
    EXPECT_EQ(pasteboard.contents[0].keys(), QStringList{PasteboardType::plainText})
        << "nothing of the earlier contents, and no hint that would keep clipboard managers away";
    EXPECT_EQ(pasteboard.plainText(), text);
}
