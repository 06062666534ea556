// The command GNOME's custom shortcut runs, the steps that add it, and what to do when Quillet's
// GNOME Shell extension does not work, in both languages.
#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/CustomShortcutSteps.h"
#include "core/KWinKeysHint.h"
#include "core/ShellExtensionHint.h"

using namespace quillet;

namespace {

QString makeProgram(const QString& dir) {
    QDir().mkpath(dir);
    QFile file(dir + "/quillet");
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return file.fileName();
}

}  // namespace

TEST(CustomShortcutStepsTest, CommandNamesTheProgramTheDesktopWillFind) {
    QTemporaryDir root;
    const QString installed = makeProgram(root.path() + "/bin");
    const QString built = makeProgram(root.path() + "/My Builds/it's here");
    const QString bin = root.path() + "/bin";

    EXPECT_EQ(CustomShortcutSteps::triggerCommand(installed, {"", "/nonexistent", bin}), "quillet --trigger");
    // Another "quillet" earlier on the search path would be run instead: the full path is needed.
    EXPECT_EQ(CustomShortcutSteps::triggerCommand(built, {bin}),
              "'" + root.path() + "/My Builds/it'\\''s here/quillet' --trigger");
    EXPECT_EQ(CustomShortcutSteps::triggerCommand(installed, {}), bin + "/quillet --trigger");
    EXPECT_EQ(CustomShortcutSteps::triggerCommand(installed, {root.path() + "/My Builds/it's here", bin}),
              bin + "/quillet --trigger");
}

// The steps carry the command as it is, even one that looks like a placeholder, and the combination.
TEST(CustomShortcutStepsTest, StepsCarryTheCommandAndTheCombination) {
    const QStringList sr = CustomShortcutSteps::gnomeSteps(L10n{AppLanguage::sr},
                                                           "'/opt/a b/quillet' --trigger", "Super+Shift+G");
    EXPECT_TRUE(sr.join('\n').contains("'/opt/a b/quillet' --trigger"));
    EXPECT_TRUE(sr.join('\n').contains("Super+Shift+G"));
    EXPECT_EQ(CustomShortcutSteps::gnomeSteps(L10n{}, "/x/%2/quillet --trigger", "Ctrl+Alt+J")[4],
              "4. Name: Quillet. Command: /x/%2/quillet --trigger");
}

// Without Quillet's GNOME Shell extension the settings, the setup and the self-check say what is
// missing and the one command that mends it, and "log out" only where GNOME needs a new login.
TEST(CustomShortcutStepsTest, TheShellExtensionsHintNamesTheRemedyForEachState) {
    using S = ShellExtensionState;
    const L10n en(AppLanguage::en), sr(AppLanguage::sr);
    EXPECT_TRUE(ShellExtensionHint::steps({S::active, "43.9", {}}, en).isEmpty());
    EXPECT_TRUE(ShellExtensionHint::steps({S::noShell, {}, {}}, en).isEmpty())
        << "bare mutter: nothing to add";

    struct Case {
        S state;
        QString command;
        bool logOut;
    };
    const QString enable = "gnome-extensions enable quillet@lumenfold.com";
    for (const Case& c :
         {Case{S::notInstalled, enable, true}, Case{S::notLoaded, enable, true},
          Case{S::disabled, enable, false},
          Case{S::userExtensionsOff, "gsettings set org.gnome.shell disable-user-extensions false", false},
          Case{S::unsupported, {}, false}, Case{S::failed, {}, true}, Case{S::refused, {}, false},
          Case{S::unsafeInstall, {}, true}, Case{S::outdated, {}, true}}) {
        const ShellExtensionStatus status{c.state, "43.9", "/usr/bin/quillet"};
        const QStringList english = ShellExtensionHint::steps(status, en);
        const QStringList serbian = ShellExtensionHint::steps(status, sr);
        ASSERT_GE(english.size(), 2) << int(c.state);
        EXPECT_EQ(english.size(), serbian.size()) << int(c.state);
        EXPECT_NE(english[1], serbian[1]) << int(c.state);
        EXPECT_EQ(english.last() == c.command, !c.command.isEmpty()) << int(c.state);
        EXPECT_EQ(english.join(' ').contains("log out and back in", Qt::CaseInsensitive), c.logOut)
            << int(c.state);
        EXPECT_EQ(serbian.join(' ').contains("ponovo prijavite"), c.logOut) << int(c.state);
        const QString line = ShellExtensionHint::doctorLine(status);
        EXPECT_TRUE(line.startsWith("  ✗ GNOME Shell extension: ")) << line.toStdString();
        EXPECT_TRUE(c.command.isEmpty() || line.endsWith(" " + c.command)) << line.toStdString();
    }
    EXPECT_THAT(ShellExtensionHint::steps({S::unsupported, "49.1", {}}, en)[1].toStdString(),
                testing::HasSubstr("49.1"));
    EXPECT_THAT(ShellExtensionHint::steps({S::refused, {}, "/usr/bin/quillet"}, en)[1].toStdString(),
                testing::HasSubstr("/usr/bin/quillet"));
    // A per-user install: where it is, and the system-wide installs that mend it, in both languages.
    const QString home = "/home/ana/.local/bin/quillet";
    for (const L10n& l : {en, sr}) {
        const std::string text = ShellExtensionHint::steps({S::unsafeInstall, {}, home}, l)[1].toStdString();
        EXPECT_THAT(text, testing::HasSubstr(home.toStdString()));
        EXPECT_THAT(text, testing::HasSubstr("sudo cmake --install build"));
        EXPECT_THAT(text, testing::HasSubstr("sudo apt install ./build/quillet_*.deb"));
    }
}

// On KDE Plasma the settings, the setup and the self-check say when KWin keeps its keys (or the icon)
// from Quillet, and what mends it: installing the program, or a new login where KWin has not read
// the entry yet.
TEST(CustomShortcutStepsTest, KWinsHintSaysWhyTheKeysAreMissingAndWhatMendsIt) {
    const L10n en(AppLanguage::en), sr(AppLanguage::sr);
    const QString build = "/home/ana/quillet/build/src/quillet";
    EXPECT_TRUE(KWinKeysHint::steps({true, true, true, "/usr/bin/quillet"}, en).isEmpty());

    const QStringList fromBuild = KWinKeysHint::steps({false, false, true, build}, en);
    ASSERT_EQ(fromBuild.size(), 2);
    EXPECT_THAT(fromBuild[0].toStdString(), testing::HasSubstr("Ctrl+V"));
    EXPECT_THAT(fromBuild[1].toStdString(), testing::HasSubstr(build.toStdString()));
    EXPECT_THAT(fromBuild[1].toStdString(), testing::HasSubstr("cmake --install"));
    EXPECT_EQ(KWinKeysHint::steps({false, false, true, build}, sr).size(), 2);
    EXPECT_NE(KWinKeysHint::steps({false, false, true, build}, sr)[1], fromBuild[1]);
    EXPECT_TRUE(
        KWinKeysHint::doctorLine({false, false, true, build}).startsWith("  ✗ KWin's keys for the paste: "));

    const QStringList unread = KWinKeysHint::steps({false, true, true, "/usr/bin/quillet"}, en);
    EXPECT_THAT(unread.join(' ').toStdString(), testing::HasSubstr("Log out and back in"));
    EXPECT_THAT(KWinKeysHint::steps({false, true, true, "/usr/bin/quillet"}, sr).join(' ').toStdString(),
                testing::HasSubstr("ponovo prijavite"));

    const QStringList noScript = KWinKeysHint::steps({true, true, false, "/usr/bin/quillet"}, en);
    ASSERT_EQ(noScript.size(), 1) << "the keys are there, the icon is not";
    EXPECT_THAT(noScript[0].toStdString(), testing::HasSubstr("no icon"));
}
