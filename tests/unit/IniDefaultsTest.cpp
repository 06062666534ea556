// The preferences file: what the user wrote by hand stays as written, values come back as stored,
// the file is the user's alone, and a write that cannot be made says so.
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>

#include "CoreTestSupport.h"
#include "platform/linux/system/IniDefaults.h"
#include "support/TestEnv.h"

using namespace quillet;
using testing::ElementsAre;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The README's line of custom actions, as a user would copy it into the file.
QByteArray readmeActionsLine() {
    const QByteArray readme = readAll(test::sourcePath(QStringLiteral("README.md")));
    for (const QByteArray& line : readme.split('\n'))
        if (line.trimmed().startsWith("customActions=["))
            return line.trimmed();
    return {};
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

class IniDefaultsTest : public test::StoreTest {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("quillet/quillet.conf"));
};

// Changing a setting in the window rewrites none of what the user wrote: the README's actions line
// (which QSettings reads as a list cut at its commas, without its quotes), a comment, a blank line,
// a key Quillet does not know. The actions are read all the same, and kept when one is added.
TEST_F(IniDefaultsTest, HandWrittenLinesSurviveByteForByteAndTheActionsARestart) {
    const QByteArray actions = readmeActionsLine();
    ASSERT_FALSE(actions.isEmpty()) << "the README shows the line";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray general =
        "; my settings, written by hand\n"
        "[General]\n"
        "model=gpt-4o\n" +
        actions +
        "\n"
        "\n"
        "favouriteColour = teal\n";
    const QByteArray blocked = "\n[blocklist]\n1\\value=org.keepassxc.KeePassXC\nsize=1\n";
    const QByteArray tail = "\n[Unknown]\nkept=as is\n";
    writeAll(path, general + blocked + tail);

    {
        IniDefaults ini(path);
        SettingsStore store(ini, secrets, autostart, log, scheduler);
        ASSERT_EQ(store.customActions().size(), 2);
        store.setMinWordCount(4);
        EXPECT_EQ(readAll(path), general + "minWordCount=4\n" + blocked + tail);
        store.setBlocklist({"org.gnome.Terminal", "a, b"});
        EXPECT_EQ(readAll(path),
                  general + "minWordCount=4\n" +
                      "\n[blocklist]\n1\\value=org.gnome.Terminal\n2\\value=\"a, b\"\nsize=2\n" + tail);
    }

    // The next start, which adds an action to those of the README.
    const QList<CustomAction> expected = {{"Translate to English", "Translate the text to English."},
                                          {"Friendlier", "Make the text friendlier, warmer and shorter."}};
    {
        IniDefaults ini(path);
        ASSERT_EQ(ini.string("customActions"), std::nullopt) << "QSettings hands a list over";
        SettingsStore store(ini, secrets, autostart, log, scheduler);
        EXPECT_EQ(store.customActions(), expected);
        EXPECT_EQ(store.minWordCount(), 4);
        EXPECT_THAT(store.blocklist(), ElementsAre("org.gnome.Terminal", "a, b"));
        EXPECT_EQ(store.model(), "gpt-4o");
        EXPECT_EQ(ini.string("favouriteColour"), "teal");
        store.setCustomActions(expected + QList<CustomAction>{{"Shorter", "Halve the text."}});
    }
    IniDefaults ini(path);
    EXPECT_EQ(SettingsStore(ini, secrets, autostart, log, scheduler).customActions().size(), 3);
    EXPECT_TRUE(log.lines.isEmpty());
}

// Whatever a value holds, QSettings reads back what was written, also through a reader opened
// before the write and for a change of the same size within the same millisecond.
TEST_F(IniDefaultsTest, ValuesComeBackAsWritten) {
    const QStringList values = {"plain",
                                "",
                                "a, b",
                                " spaces around ",
                                "semi;colon",
                                "x=y",
                                "\"quoted\"",
                                "back\\slash",
                                "@at the start",
                                "line\nbreak\ttab\r",
                                QString("nul") + QChar(0) + "f",
                                QString("\x01") + "bc",
                                "#not a comment",
                                "[not a section]",
                                "naïve ćevapi 😀 Ω"};
    IniDefaults earlier(path);
    IniDefaults ini(path);
    for (const QString& value : values) {
        ASSERT_TRUE(ini.setString("text", value));
        EXPECT_EQ(earlier.string("text"), value) << value.toStdString();
        EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("text"), QVariant(value))
            << value.toStdString();
    }
    ASSERT_TRUE(ini.setStringList("list", values));
    EXPECT_EQ(earlier.stringList("list"), values);
    ASSERT_TRUE(ini.setStringList("list", {}));
    EXPECT_EQ(earlier.stringList("list"), QStringList());
    ASSERT_TRUE(ini.setStringList("list", {"one"}));
    EXPECT_EQ(earlier.stringList("list"), QStringList{"one"});
    EXPECT_EQ(earlier.string("list"), std::nullopt) << "a list is no string";

    for (qint64 n : {3, 4, 5, -6, 7}) {
        ASSERT_TRUE(ini.setInteger("minWordCount", n));
        EXPECT_EQ(earlier.integer("minWordCount"), n);
    }
    ASSERT_TRUE(ini.setBoolean("launchAtLogin", true));
    EXPECT_EQ(earlier.boolean("launchAtLogin"), true);
    ASSERT_TRUE(ini.setString("launchAtLogin", "maybe"));
    EXPECT_EQ(earlier.boolean("launchAtLogin"), std::nullopt);

    // A value that was a list becomes a string, and the other way round, leaving nothing behind.
    ASSERT_TRUE(ini.setString("list", "now text"));
    EXPECT_EQ(earlier.string("list"), "now text");
    EXPECT_FALSE(readAll(path).contains("[list]"));
    ASSERT_TRUE(ini.setStringList("text", {"x"}));
    EXPECT_FALSE(readAll(path).contains("text="));
    EXPECT_EQ(earlier.stringList("text"), QStringList{"x"});
}

// Lines without a section, a file without [General], one without a last line break, and CRLF line
// ends: a new key goes among the general ones, a new list at the end, the rest as it was.
TEST_F(IniDefaultsTest, NewKeysGoWhereQSettingsLooksForThem) {
    struct Case {
        QByteArray before;
        QByteArray after;  // after model=m, then blocklist=[a]
    };
    const QList<Case> cases = {
        {"", "[General]\nmodel=m\n\n[blocklist]\n1\\value=a\nsize=1\n"},
        {"; only a comment", "; only a comment\n[General]\nmodel=m\n\n[blocklist]\n1\\value=a\nsize=1\n"},
        {"x=1", "x=1\nmodel=m\n\n[blocklist]\n1\\value=a\nsize=1\n"},
        {"[Other]\ny=2\n", "[General]\nmodel=m\n\n[Other]\ny=2\n\n[blocklist]\n1\\value=a\nsize=1\n"},
        {"[General]\r\nmodel=old\r\nblocklist=5\r\n",
         "[General]\r\nmodel=m\r\n\r\n[blocklist]\r\n1\\value=a\r\nsize=1\r\n"},
        {"[blocklist]\nsize=0\n; kept\n[General]\nx=1\n",
         "[blocklist]\n1\\value=a\nsize=1\n; kept\n[General]\nx=1\nmodel=m\n"},
    };
    for (const Case& c : cases) {
        QFile::remove(path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        writeAll(path, c.before);
        IniDefaults ini(path);
        ASSERT_TRUE(ini.setString("model", "m"));
        ASSERT_TRUE(ini.setStringList("blocklist", {"a"}));
        EXPECT_EQ(readAll(path), c.after) << c.before.toStdString();
        EXPECT_EQ(ini.string("model"), "m") << c.before.toStdString();
        EXPECT_EQ(ini.stringList("blocklist"), QStringList{"a"}) << c.before.toStdString();
    }
}

TEST_F(IniDefaultsTest, TheFileIsTheUsersAlone) {
    ::umask(022);
    ASSERT_TRUE(IniDefaults(path).setString("model", "m"));
    EXPECT_EQ(modeOf(path), 0600) << "a new file";
    ASSERT_TRUE(QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_EQ(modeOf(path), 0644);
    ASSERT_TRUE(IniDefaults(path).setInteger("minWordCount", 2));
    EXPECT_EQ(modeOf(path), 0600) << "an old one, at its next change";
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    IniDefaults atStart(path);
    EXPECT_EQ(modeOf(path), 0604) << "only read, as the self-check and the screenshots do";
    atStart.closeToOthers();
    EXPECT_EQ(modeOf(path), 0600) << "an old one, at the assistant's start";
}

// Lowers the largest file this process may write, as a disk with `bytes` free would: writes past it
// fail (EFBIG) instead of ending the process.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Tried as root too, where permissions stop nothing: a full disk, a file where the folder should be,
// a FIFO put in the file's place. The old file stays whole, the store says so, and the changes
// missed are saved with the next that can be.
TEST_F(IniDefaultsTest, AWriteThatCannotBeMadeSaysSoAndLeavesTheFileAsItWas) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray before = "[General]\nmodel=gpt-4o\n; " + QByteArray(200, 'x') + "\n";
    writeAll(path, before);
    {
        IniDefaults ini(path);
        EXPECT_EQ(ini.location(), path);
        SettingsStore store(ini, secrets, autostart, log, scheduler);
        QSignalSpy saved(&store, &SettingsStore::savedChanged);
        {
            const FullDisk full(100);
            EXPECT_FALSE(ini.setString("model", "gpt-4o-mini"));
            store.setMinWordCount(9);
            store.setModel("llama3");
        }
        EXPECT_EQ(readAll(path), before);
        EXPECT_EQ(ini.string("model"), "gpt-4o");
        EXPECT_FALSE(store.saved());
        EXPECT_EQ(store.minWordCount(), 9) << "the user's choice holds for this run";
        EXPECT_EQ(store.location(), path);
        EXPECT_EQ(saved.count(), 1);

        store.setLanguage(AppLanguage::sr);
        EXPECT_TRUE(store.saved());
        EXPECT_EQ(saved.count(), 2);
    }
    IniDefaults ini(path);
    SettingsStore store(ini, secrets, autostart, log, scheduler);
    EXPECT_EQ(store.minWordCount(), 9);
    EXPECT_EQ(store.model(), "llama3");
    EXPECT_EQ(store.language(), AppLanguage::sr);

    // A file where the folder should be.
    const QString blocker = dir.filePath("blocker");
    writeAll(blocker, "not a folder");
    EXPECT_FALSE(IniDefaults(blocker + "/quillet/quillet.conf").setString("model", "m"));
    EXPECT_FALSE(IniDefaults(blocker + "/quillet.conf").setString("model", "m"));
    EXPECT_EQ(readAll(blocker), "not a folder");

    // A FIFO, or a folder, put in place of the file after the start is never written through or
    // replaced; one there from the start refuses every write.
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    struct stat info {};
    EXPECT_FALSE(ini.setString("model", "m"));
    EXPECT_TRUE(::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_FALSE(IniDefaults(path).setString("model", "m"));
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_FALSE(ini.setString("model", "m"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

}  // namespace
