// The key as any program on the desktop could hear it: a listener on the accessibility bus follows
// the settings window from its start with a key stored, through a new key typed and saved, and then
// reads the window's whole tree. Neither key may be heard.
#include <gmock/gmock.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

// Letters no label of the program holds in a row, so that any four of them in a row are a leak.
const QString kStoredKey = QStringLiteral("sk-QZxWvJqKfPbYgT7M");
const QString kTypedKey = QStringLiteral("sk-HjRtNwXcVbKmZp3L");

/// The first run of four or more characters of `key` found in `heard`, if any.
std::optional<QString> pieceOf(const QString& key, const QString& heard) {
    for (qsizetype i = 0; i + 4 <= key.size(); ++i)
        if (heard.contains(key.mid(i, 4)))
            return key.mid(i, 4);
    return std::nullopt;
}

TEST(KeyPrivacyTest, NoEventNameOrTextOfTheSettingsEverHoldsAKey) {
    QuilletUnderTest quillet;
    ASSERT_TRUE(quillet.ready());
    // Stored for the server in use, and for the default service as well.
    ASSERT_TRUE(storeApiKey(kStoredKey, quillet.server.baseUrl()));
    ASSERT_TRUE(storeApiKey(kStoredKey));
    quillet.server.model.acceptedKey = kTypedKey;

    QProcess listener;
    listener.start(QStringLiteral("/usr/bin/python3"), {sourcePath("tests/support/atspi_listen.py")});
    ASSERT_TRUE(waitUntil([&] { return listener.canReadLine(); }, 20000));
    ASSERT_EQ(listener.readLine().trimmed(), "ready");

    // No tray in the session: the settings window opens at the start, with the key stored.
    ASSERT_TRUE(quillet.start());
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("Key is stored in the system keyring"); }, 15000));

    // The user opens the server's page, clicks into the key field, selects what is there, types a
    // new key and saves it.
    const auto clickOn = [&](const QString& name) {
        QString extents;
        if (!waitUntil(
                [&] {
                    return !(extents = readAccessible(quillet.pid(), {"--extents-of", name})).isEmpty();
                },
                10000))
            return false;
        const QStringList box = extents.split(' ');
        if (box.size() != 4)
            return false;
        xdotool({"mousemove", "--sync", QString::number(box[0].toInt() + box[2].toInt() / 2),
                 QString::number(box[1].toInt() + box[3].toInt() / 2), "click", "1"});
        return true;
    };
    ASSERT_TRUE(clickOn("Server and model"));
    ASSERT_TRUE(clickOn("API key (sk-…)"));
    xdotool({"key", "ctrl+a"});
    xdotool({"type", "--delay", "40", kTypedKey});
    ASSERT_TRUE(quillet.press("Save & validate"));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("Key is valid"); }, 15000))
        << "the typed key reached the server, and only there";
    ASSERT_FALSE(quillet.server.requests().isEmpty());
    EXPECT_EQ(quillet.server.requests().last().header("Authorization"), "Bearer " + kTypedKey.toUtf8());

    // Everything a screen reader finds in the program, and everything the listener heard.
    const QString tree = readAccessible(quillet.pid(), {"--describe"});
    ASSERT_TRUE(tree.contains("Save & validate"));
    listener.closeWriteChannel();
    ASSERT_TRUE(listener.waitForFinished(10000));
    const QList<QByteArray> events = listener.readAllStandardOutput().split('\n');
    int textEvents = 0;
    QString inserted;  // what the insertions add up to: typing is heard a character at a time
    for (const QByteArray& line : events) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        const QString heard = event["data"].toString() + u'\n' + event["name"].toString() + u'\n' +
                              event["description"].toString();
        if (event["type"].toString().startsWith("object:text-changed"))
            ++textEvents;
        if (event["type"].toString() == "object:text-changed:insert")
            inserted += event["data"].toString();
        for (const QString& key : {kStoredKey, kTypedKey})
            EXPECT_EQ(pieceOf(key, heard), std::nullopt) << line.toStdString();
    }
    EXPECT_GE(textEvents, kTypedKey.size()) << "the listener heard the typing, masked";
    for (const QString& key : {kStoredKey, kTypedKey})
        EXPECT_EQ(pieceOf(key, inserted), std::nullopt) << inserted.toStdString();
    for (const QString& key : {kStoredKey, kTypedKey})
        EXPECT_EQ(pieceOf(key, tree), std::nullopt) << tree.toStdString();
}

}  // namespace
