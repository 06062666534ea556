// The real program with a keyring that misbehaves: a daemon stopped in its tracks, and a locked
// keyring whose unlock prompt the user answers, or not.
#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QProcess>
#include <csignal>

#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

// The key is saved for the loopback server: without it no request goes out, and the panel says why.
const QString kKeyringSilent = QStringLiteral("The keyring is not answering. Try again in a moment.");
const QString kKeyringLocked = QStringLiteral("The keyring stayed locked.");

/// The keyring's unlock prompt, when one is on screen.
QString promptWindow() {
    return xdotool({"search", "--onlyvisible", "--class", "gcr-prompter"}).section('\n', 0, 0);
}

/// Counts the unlock prompts the keyring is asked to show, as the session bus carries them.
class PromptCounter {
public:
    PromptCounter() {
        m_monitor.start("dbus-monitor", {"--session",
                                         "type='method_call',interface='org.freedesktop.Secret.Prompt',"
                                         "member='Prompt'"});
        m_monitor.waitForStarted();
        waitUntil([&] { return read().contains("NameAcquired"); }, 5000);
    }
    ~PromptCounter() { stopProcess(m_monitor); }
    int count() { return int(read().count("member=Prompt")); }

private:
    QByteArray read() { return m_seen += m_monitor.readAllStandardOutput(); }
    QProcess m_monitor;
    QByteArray m_seen;
};

/// A GTK entry holding a few words, in a window of its own width (so that its field has a place of
/// its own on the screen).
struct Entry : DesktopApp {
    Entry(const QString& title, const QString& text, int width)
        : DesktopApp("zenity",
                     {"--entry", "--title", title, "--entry-text", text, "--width", QString::number(width)}) {
        activate();
    }
    /// Brings it to the front, as a click on its title would: a window manager may not give a new
    /// window the focus.
    void activate() { xdotool({"windowactivate", "--sync", window()}); }
};

class KeyringFaultsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(quillet.ready());
        quillet.server.model.correct = [](const QString& text) {
            return QString(text).replace("wrds", "words");
        };
    }
    void TearDown() override {
        if (m_stopped)
            ::kill(pid_t(m_stopped), SIGCONT);
    }

    void startQuillet() {
        quillet.process.setStandardOutputFile(QProcess::nullDevice());
        quillet.process.setStandardErrorFile(QProcess::nullDevice());
        ASSERT_TRUE(quillet.start()) << "Quillet answers its accessibility bus";
    }
    /// Waits until the icon stands somewhere other than `away` from; the place it took.
    std::optional<QRect> iconMovedFrom(const std::optional<QRect>& away, int timeoutMs = 10000) {
        std::optional<QRect> icon;
        waitUntil([&] { return (icon = surfaceShown(Surface::icon)) && icon != away; }, timeoutMs);
        return icon != away ? icon : std::nullopt;
    }
    void click(const QRect& r) {
        // From elsewhere: a move onto the very point the pointer is at would wait for ever.
        xdotool({"mousemove", "--sync", "0", "0"});
        xdotool({"mousemove", "--sync", QString::number(r.center().x()), QString::number(r.center().y()),
                 "click", "1"});
    }
    /// The process that answers for the Secret Service on the session bus.
    qint64 keyringPid() {
        QString out;
        runProgram(
            "gdbus",
            {"call", "--session", "--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus",
             "--method", "org.freedesktop.DBus.GetConnectionUnixProcessID", "org.freedesktop.secrets"},
            &out);
        return out.section(' ', 1).section(',', 0, 0).toLongLong();
    }
    void lockKeyring() {
        ASSERT_EQ(runProgram("gdbus",
                             {"call", "--session", "--dest", "org.freedesktop.secrets", "--object-path",
                              "/org/freedesktop/secrets", "--method", "org.freedesktop.Secret.Service.Lock",
                              "['/org/freedesktop/secrets/collection/login']"}),
                  0);
    }

    QuilletUnderTest quillet;
    qint64 m_stopped = 0;
};

TEST_F(KeyringFaultsTest, AStoppedKeyringDaemonHoldsNothingUp) {
    startQuillet();
    Entry first("First field", "the first field has some wrds", 420);
    const std::optional<QRect> firstIcon = iconMovedFrom(std::nullopt, 15000);
    ASSERT_TRUE(firstIcon) << "the icon comes to the first field";

    m_stopped = keyringPid();
    ASSERT_GT(m_stopped, 0);
    ASSERT_EQ(::kill(pid_t(m_stopped), SIGSTOP), 0);

    // Fields are still followed: the icon goes to the next one at once.
    Entry second("Second field", "another field with more wrds in it", 700);
    const std::optional<QRect> secondIcon = iconMovedFrom(firstIcon, 15000);
    ASSERT_TRUE(secondIcon) << "the icon follows the focus while the keyring is stopped";

    // A click still opens the panel, which says the keyring is silent once it has had its second;
    // nothing goes to the server without the key it wants.
    QElapsedTimer clock;
    clock.start();
    click(*secondIcon);
    ASSERT_TRUE(waitUntil([&] { return surfaceShown(Surface::panel).has_value(); }, 5000))
        << "the panel opens";
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kKeyringSilent); }, 10000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(quillet.server.requests().isEmpty());
}

TEST_F(KeyringFaultsTest, ALockedKeyringAsksOncePerClickAndNeverForAFocusChange) {
    lockKeyring();
    PromptCounter prompts;
    startQuillet();
    Entry first("First field", "the first field has some wrds", 420);
    const std::optional<QRect> firstIcon = iconMovedFrom(std::nullopt);
    ASSERT_TRUE(firstIcon);
    Entry second("Second field", "another field with more wrds in it", 700);
    const std::optional<QRect> secondIcon = iconMovedFrom(firstIcon);
    ASSERT_TRUE(secondIcon);
    first.activate();
    ASSERT_TRUE(iconMovedFrom(secondIcon))
        << "the icon goes back to the first field with its window; it is "
        << (surfaceShown(Surface::icon) ? "still at the second" : "hidden") << "; a fresh look says:\n"
        << selfCheck();
    // A prompt would come on its own time: watched for a while.
    EXPECT_TRUE(holdsFor([&] { return prompts.count() == 0 && promptWindow().isEmpty(); }, 1000))
        << "starting and following fields never ask for the keyring's password";

    // The first click brings one prompt, which the user closes: the panel says so, and nothing goes
    // out without the key.
    click(*firstIcon);
    ASSERT_TRUE(waitUntil([&] { return !promptWindow().isEmpty(); }, 10000)) << "the keyring asks";
    EXPECT_EQ(prompts.count(), 1);
    xdotool({"windowactivate", "--sync", promptWindow(), "key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kKeyringLocked); }, 10000));
    EXPECT_EQ(quillet.chatRequests(), 0);
    EXPECT_EQ(prompts.count(), 1) << "one prompt for the click, not one per request";

    // Closed, and clicked again: one more prompt, answered with the password this time.
    EXPECT_TRUE(quillet.press("Close (Esc)"));
    ASSERT_TRUE(waitUntil([&] { return !surfaceShown(Surface::panel).has_value(); }, 5000));
    const std::optional<QRect> icon = iconMovedFrom(std::nullopt);
    ASSERT_TRUE(icon);
    click(*icon);
    ASSERT_TRUE(waitUntil([&] { return !promptWindow().isEmpty(); }, 10000));
    EXPECT_EQ(prompts.count(), 2);
    xdotool({"windowactivate", "--sync", promptWindow()});
    xdotool({"type", qEnvironmentVariable("QUILLET_KEYRING_PASSWORD")});
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("the first field has some words"); }, 15000))
        << "unlocked, the request goes out with the key";
    EXPECT_EQ(prompts.count(), 2);
    for (const auto& request : quillet.server.requests())
        EXPECT_EQ(request.header("Authorization"), "Bearer " + QuilletUnderTest::apiKey.toUtf8());
}

}  // namespace
