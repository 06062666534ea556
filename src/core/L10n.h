// The interface language and the texts in it. Texts are written in English in the code, marked for
// lupdate with QT_TRANSLATE_NOOP("Quillet", ...), and looked up in the language's Qt translation:
// the ones built into the program (English and Serbian) and any installed beside it.
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace quillet {

/// A language the interface can speak, by its code ("en", "sr", or the code of an installed
/// translation, as in quillet_<code>.qm). English and Serbian are always there.
class AppLanguage {
public:
    static const AppLanguage en;
    static const AppLanguage sr;

    /// English.
    AppLanguage() : m_code(QStringLiteral("en")) {}
    QString code() const { return m_code; }
    friend bool operator==(const AppLanguage&, const AppLanguage&) = default;

private:
    explicit AppLanguage(QString code) : m_code(std::move(code)) {}
    friend struct AppLanguages;
    QString m_code;
};

struct AppLanguages {
    /// English, Serbian, then every other installed translation by code: picker order.
    static QList<AppLanguage> allCases();
    static QString rawValue(const AppLanguage& lang) { return lang.code(); }
    /// The language of an exact, case-sensitive code that allCases() holds; otherwise none.
    static std::optional<AppLanguage> fromRawValue(const QString& raw);
    /// The name shown in the picker, in the language itself, the same in every interface language.
    static QString displayName(const AppLanguage& lang);
};

struct L10n {
    AppLanguage lang = AppLanguage::en;

    /// The interface language of the moment: the last one setCurrent() gave, English before that.
    static L10n current();
    /// Makes `lang` the interface language of every text picked from now on. The settings store the
    /// program installs keeps it in step with the user's choice (SettingsStore::install).
    static void setCurrent(const AppLanguage& lang);

    /// The text whose English is `source` in this language; the English itself where the
    /// translation lacks it. With `n`, the plural form for `n`, "%n" standing for it.
    QString text(const char* source, int n = -1) const;
    /// text(source) with its "%1" standing for `argument`; as it is when it holds none.
    QString textWith(const char* source, const QString& argument) const;
    /// "1 change" / "N changes", in the language's own plural forms.
    QString changesCount(qint64 n) const;
};

}  // namespace quillet
