// The interface language and the rule that picks one text of an English/Serbian pair.
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace quillet {

enum class AppLanguage { en, sr };

namespace AppLanguages {
/// Both languages in picker order.
QList<AppLanguage> allCases();
QString rawValue(AppLanguage lang);
/// Exact, case-sensitive match of "en" or "sr"; anything else has no language.
std::optional<AppLanguage> fromRawValue(const QString& raw);
/// The name shown in the picker, the same in both interface languages.
QString displayName(AppLanguage lang);
}  // namespace AppLanguages

struct L10n {
    AppLanguage lang = AppLanguage::en;

    /// The interface language of the moment: the last one setCurrent() gave, English before that.
    static L10n current();
    /// Makes `lang` the interface language of every text picked from now on. The settings store the
    /// program installs keeps it in step with the user's choice (SettingsStore::install).
    static void setCurrent(AppLanguage lang);

    QString text(const QString& en, const QString& sr) const { return lang == AppLanguage::sr ? sr : en; }
    /// "1 change" / "N changes", "1 izmena" / "N izmene/a".
    QString changesCount(qint64 n) const;
};

}  // namespace quillet
