// The command GNOME's custom shortcut runs, and the steps that add it, in both languages.
#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/CustomShortcutSteps.h"

using namespace quillet;

namespace {

QString makeProgram(const QString& dir) {
    QDir().mkpath(dir);
    QFile file(dir + "/quillet");
    file.open(QIODevice::WriteOnly);
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

TEST(CustomShortcutStepsTest, StepsInBothLanguagesCarryTheCommandAndTheCombination) {
    const QString command = "'/opt/a b/quillet' --trigger";
    const QStringList en = CustomShortcutSteps::gnomeSteps(L10n{AppLanguage::en}, command, "Super+Shift+G");
    const QStringList sr = CustomShortcutSteps::gnomeSteps(L10n{AppLanguage::sr}, command, "Super+Shift+G");
    ASSERT_EQ(en.size(), 6);
    ASSERT_EQ(sr.size(), en.size());
    for (qsizetype i = 0; i < en.size(); ++i)
        EXPECT_NE(en[i], sr[i]) << i;
    EXPECT_EQ(en[4], "4. Name: Quillet. Command: '/opt/a b/quillet' --trigger");
    EXPECT_EQ(sr[5],
              "5. Kliknite na „Postavi prečicu…“, pritisnite Super+Shift+G, zatim kliknite na „Dodaj“.");
    // A command that looks like a placeholder is shown as it is.
    EXPECT_EQ(CustomShortcutSteps::gnomeSteps(L10n{}, "/x/%2/quillet --trigger", "Ctrl+Alt+J")[4],
              "4. Name: Quillet. Command: /x/%2/quillet --trigger");
}
