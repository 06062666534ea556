// The interface language and the texts in it.
#include "core/L10n.h"

#include <QDir>
#include <QLocale>
#include <QMutex>
#include <QStandardPaths>
#include <QTranslator>
#include <map>
#include <memory>

namespace quillet {

const AppLanguage AppLanguage::en{QStringLiteral("en")};
const AppLanguage AppLanguage::sr{QStringLiteral("sr")};

namespace {

const char* const kContext = "Quillet";
const QString kBuiltIn = QStringLiteral(":/i18n");

// Texts are picked on whichever thread builds them; the language changes on the interface's.
QMutex g_mutex;
AppLanguage g_current;
// Translations once loaded stay for the life of the program and are only read after that.
std::map<QString, std::unique_ptr<QTranslator>> g_translators;

/// Where translations live: the program's own, then installed ones (…/quillet/translations in the
/// data folders, the user's first).
QStringList translationFolders() {
    QStringList folders{kBuiltIn};
    folders << QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                         QStringLiteral("quillet/translations"),
                                         QStandardPaths::LocateDirectory);
    return folders;
}

QString fileOf(const QString& code) {
    return QStringLiteral("quillet_") + code + QStringLiteral(".qm");
}

const QTranslator* translator(const QString& code) {
    QMutexLocker lock(&g_mutex);
    auto it = g_translators.find(code);
    if (it == g_translators.end()) {
        auto loaded = std::make_unique<QTranslator>();
        bool found = false;
        for (const QString& folder : translationFolders())
            if ((found = loaded->load(fileOf(code), folder)))
                break;
        it = g_translators.emplace(code, found ? std::move(loaded) : nullptr).first;
    }
    return it->second.get();
}

}  // namespace

QList<AppLanguage> AppLanguages::allCases() {
    QList<AppLanguage> all{AppLanguage::en, AppLanguage::sr};
    QStringList others;
    for (const QString& folder : translationFolders())
        for (const QString& file : QDir(folder).entryList({QStringLiteral("quillet_*.qm")}, QDir::Files)) {
            const QString code = file.mid(8, file.size() - 11);
            if (!code.isEmpty() && code != AppLanguage::en.code() && code != AppLanguage::sr.code() &&
                !others.contains(code))
                others << code;
        }
    others.sort();
    for (const QString& code : others)
        all << AppLanguage(code);
    return all;
}

std::optional<AppLanguage> AppLanguages::fromRawValue(const QString& raw) {
    for (const AppLanguage& lang : allCases())
        if (lang.code() == raw)
            return lang;
    return std::nullopt;
}

QString AppLanguages::displayName(const AppLanguage& lang) {
    if (lang == AppLanguage::en)
        return QStringLiteral("English");
    if (lang == AppLanguage::sr)
        return QStringLiteral("Srpski");
    const QLocale locale(lang.code());
    QString name = locale.nativeLanguageName();
    if (name.isEmpty() || locale.language() == QLocale::C)
        return lang.code();
    return locale.toUpper(name.left(1)) + name.mid(1);
}

L10n L10n::current() {
    QMutexLocker lock(&g_mutex);
    return L10n{g_current};
}

void L10n::setCurrent(const AppLanguage& lang) {
    QMutexLocker lock(&g_mutex);
    g_current = lang;
}

QString L10n::text(const char* source, int n) const {
    QString said;
    if (const QTranslator* t = translator(lang.code()))
        said = t->translate(kContext, source, nullptr, n);
    if (said.isEmpty())
        said = QString::fromUtf8(source);
    if (n >= 0)
        said.replace(QLatin1String("%n"), QString::number(n));
    return said;
}

QString L10n::textWith(const char* source, const QString& argument) const {
    const QString said = text(source);
    return said.contains(QLatin1String("%1")) ? said.arg(argument) : said;
}

QString L10n::changesCount(qint64 n) const {
    return text(QT_TRANSLATE_N_NOOP("Quillet", "%n change(s)"), static_cast<int>(n));
}

}  // namespace quillet
