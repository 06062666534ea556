// The interface language and the texts that follow it.
#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/L10n.h"
#include "support/TestEnv.h"

using namespace quillet;

namespace {

struct Row {
    QString en;
    QString sr;
};

/// The texts as both languages showed them before their translations moved to Qt's files.
QList<Row> textsBefore() {
    QFile file(test::sourcePath(QStringLiteral("tests/unit/data/interface-texts.tsv")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Row> rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> cells = line.split('\t');
        if (cells.size() != 2)
            return {};
        auto text = [](const QByteArray& cell) {
            return QString::fromUtf8(cell).replace(QLatin1String("\\n"), "\n");
        };
        rows.append({text(cells[0]), text(cells[1])});
    }
    return rows;
}

TEST(L10nTest, EveryTextReadsInBothLanguagesAsBefore) {
    const QList<Row> rows = textsBefore();
    ASSERT_GT(rows.size(), 150);
    const L10n en{AppLanguage::en};
    const L10n sr{AppLanguage::sr};
    for (const Row& row : rows) {
        const QByteArray source = row.en.toUtf8();
        EXPECT_EQ(en.text(source.constData()), row.en);
        EXPECT_EQ(sr.text(source.constData()), row.sr) << row.en.toStdString();
    }
}

TEST(L10nTest, ChangesCountInEachLanguagesPluralForms) {
    const L10n en{AppLanguage::en};
    const L10n sr{AppLanguage::sr};
    EXPECT_EQ(en.changesCount(1), "1 change");
    EXPECT_EQ(en.changesCount(0), "0 changes");
    EXPECT_EQ(en.changesCount(21), "21 changes");
    EXPECT_EQ(en.changesCount(1000), "1000 changes") << "no grouping separator";
    // Serbian: one form for 1, 21, 101; another for 2-4, 22-24; the third for the rest, 11-14 too.
    const std::pair<qint64, const char*> serbian[] = {
        {1, "1 izmena"},   {2, "2 izmene"},   {4, "4 izmene"},   {5, "5 izmena"},     {11, "11 izmena"},
        {12, "12 izmena"}, {21, "21 izmena"}, {22, "22 izmene"}, {101, "101 izmena"}, {0, "0 izmena"}};
    for (const auto& [n, text] : serbian)
        EXPECT_EQ(sr.changesCount(n), QString::fromUtf8(text)) << n;
}

TEST(L10nTest, AnUnknownTextStaysEnglish) {
    EXPECT_EQ(L10n{AppLanguage::sr}.text("No such text here"), "No such text here");
    EXPECT_EQ(L10n{AppLanguage::sr}.text("%n apples", 3), "3 apples");
}

TEST(L10nTest, AnInstalledTranslationIsALanguageToChoose) {
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    ASSERT_TRUE(QDir(data.path()).mkpath(QStringLiteral("quillet/translations")));
    // Serbian's compiled file under a German name: what matters is that a file is there.
    ASSERT_TRUE(QFile::copy(QStringLiteral(":/i18n/quillet_sr.qm"),
                            data.path() + QStringLiteral("/quillet/translations/quillet_de.qm")));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());

    const QList<AppLanguage> all = AppLanguages::allCases();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0], AppLanguage::en);
    EXPECT_EQ(all[1], AppLanguage::sr);
    EXPECT_EQ(all[2].code(), "de");
    EXPECT_EQ(AppLanguages::displayName(all[2]), "Deutsch");
    const std::optional<AppLanguage> de = AppLanguages::fromRawValue(QStringLiteral("de"));
    ASSERT_TRUE(de.has_value());
    EXPECT_EQ(L10n{*de}.text("Copy"), "Kopiraj") << "its texts come from its file";

    qputenv("XDG_DATA_HOME", saved);
    EXPECT_EQ(AppLanguages::allCases().size(), 2);
    EXPECT_EQ(AppLanguages::fromRawValue(QStringLiteral("de")), std::nullopt) << "gone with its file";
    EXPECT_EQ(AppLanguages::fromRawValue(QStringLiteral("SR")), std::nullopt) << "codes are exact";
    EXPECT_EQ(AppLanguages::displayName(AppLanguage::sr), "Srpski");
}

}  // namespace
