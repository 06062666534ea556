// The interface language and the rule that picks one text of an English/Serbian pair.
#include "core/L10n.h"

#include <atomic>

namespace quillet {

namespace {
// Texts are picked on whichever thread builds them; the language changes on the interface's.
std::atomic<AppLanguage> g_language{AppLanguage::en};
}  // namespace

QList<AppLanguage> AppLanguages::allCases() {
    return {AppLanguage::en, AppLanguage::sr};
}

QString AppLanguages::rawValue(AppLanguage lang) {
    return lang == AppLanguage::sr ? QStringLiteral("sr") : QStringLiteral("en");
}

std::optional<AppLanguage> AppLanguages::fromRawValue(const QString& raw) {
    if (raw == QLatin1String("en"))
        return AppLanguage::en;
    if (raw == QLatin1String("sr"))
        return AppLanguage::sr;
    return std::nullopt;
}

QString AppLanguages::displayName(AppLanguage lang) {
    return lang == AppLanguage::sr ? QStringLiteral("Srpski") : QStringLiteral("English");
}

L10n L10n::current() {
    return L10n{g_language.load(std::memory_order_relaxed)};
}

void L10n::setCurrent(AppLanguage lang) {
    g_language.store(lang, std::memory_order_relaxed);
}

QString L10n::changesCount(qint64 n) const {
    if (n == 1)
        return text(QStringLiteral("1 change"), QStringLiteral("1 izmena"));
    const QString digits = QString::number(n);
    return text(digits + QStringLiteral(" changes"), digits + QStringLiteral(" izmene/a"));
}

}  // namespace quillet
