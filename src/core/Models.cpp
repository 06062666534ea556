// The decoded answers of the two language-model requests, and the strict JSON rules they decode by.
#include "core/Models.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include "core/L10n.h"
#include "core/PlainText.h"

namespace quillet {

namespace {

// Strict reads: a missing key, a null and a value of another type all fail alike.
std::optional<QString> requiredString(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

template <typename Element>
std::optional<QList<Element>> requiredArray(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QList<Element> out;
    out.reserve(array.size());
    for (const QJsonValue& item : array) {
        if (!item.isObject())
            return std::nullopt;
        auto element = Element::fromJson(item.toObject());
        if (!element)
            return std::nullopt;
        out.append(std::move(*element));
    }
    return out;
}

template <typename Element>
QJsonArray toArray(const QList<Element>& list) {
    QJsonArray array;
    for (const Element& element : list)
        array.append(element.toJson());
    return array;
}

}  // namespace

std::optional<CorrectionChange> CorrectionChange::fromJson(const QJsonObject& object) {
    auto from = requiredString(object, QStringLiteral("from"));
    if (!from)
        return std::nullopt;
    auto to = requiredString(object, QStringLiteral("to"));
    if (!to)
        return std::nullopt;
    std::optional<QString> reason;
    const QJsonValue reasonValue = object.value(QStringLiteral("reason"));
    if (reasonValue.isString()) {
        reason = reasonValue.toString();
    } else if (!reasonValue.isUndefined() && !reasonValue.isNull()) {
        return std::nullopt;  // present but neither text nor null
    }
    return CorrectionChange{*from, *to, reason};
}

QJsonObject CorrectionChange::toJson() const {
    QJsonObject object{{QStringLiteral("from"), from}, {QStringLiteral("to"), to}};
    if (reason)
        object.insert(QStringLiteral("reason"), *reason);
    return object;
}

size_t qHash(const CorrectionChange& change, size_t seed) noexcept {
    return qHashMulti(seed, change.from, change.to, change.reason.has_value(),
                      change.reason.value_or(QString()));
}

std::optional<CorrectionResult> CorrectionResult::fromJson(const QJsonObject& object) {
    auto corrected = requiredString(object, QStringLiteral("corrected"));
    if (!corrected)
        return std::nullopt;
    auto changes = requiredArray<CorrectionChange>(object, QStringLiteral("changes"));
    if (!changes)
        return std::nullopt;
    return CorrectionResult{*corrected, *changes};
}

QJsonObject CorrectionResult::toJson() const {
    return {{QStringLiteral("corrected"), corrected}, {QStringLiteral("changes"), toArray(changes)}};
}

std::optional<RephraseVariant> RephraseVariant::fromJson(const QJsonObject& object) {
    auto style = requiredString(object, QStringLiteral("style"));
    if (!style)
        return std::nullopt;
    auto text = requiredString(object, QStringLiteral("text"));
    if (!text)
        return std::nullopt;
    return RephraseVariant{*style, *text};
}

QJsonObject RephraseVariant::toJson() const {
    return {{QStringLiteral("style"), style}, {QStringLiteral("text"), text}};
}

QString RephraseVariant::label() const {
    const L10n l10n = L10n::current();
    const QString key = style.toLower();
    if (key == QLatin1String("neutral"))
        return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Neutral"));
    if (key == QLatin1String("professional"))
        return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Professional"));
    if (key == QLatin1String("concise"))
        return l10n.text(QT_TRANSLATE_NOOP("Quillet", "Concise"));
    return capitalizedWords(style);
}

std::optional<RephraseResult> RephraseResult::fromJson(const QJsonObject& object, qsizetype limit) {
    const QJsonValue value = object.value(QStringLiteral("variants"));
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    RephraseResult result;
    result.variants.reserve(std::min(array.size(), limit));
    for (const QJsonValue& item : array) {
        if (!item.isObject())
            return std::nullopt;
        const QJsonObject variant = item.toObject();
        if (result.variants.size() < limit) {
            auto element = RephraseVariant::fromJson(variant);
            if (!element)
                return std::nullopt;
            result.variants.append(std::move(*element));
        } else if (!variant.value(QStringLiteral("style")).isString() ||
                   !variant.value(QStringLiteral("text")).isString()) {
            return std::nullopt;
        }
    }
    return result;
}

QJsonObject RephraseResult::toJson() const {
    return {{QStringLiteral("variants"), toArray(variants)}};
}

template <typename T>
std::optional<T> decodeJson(const QByteArray& utf8) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return T::fromJson(document.object());
}

template std::optional<CorrectionChange> decodeJson<CorrectionChange>(const QByteArray&);
template std::optional<CorrectionResult> decodeJson<CorrectionResult>(const QByteArray&);
template std::optional<RephraseVariant> decodeJson<RephraseVariant>(const QByteArray&);
template std::optional<RephraseResult> decodeJson<RephraseResult>(const QByteArray&);

template <typename T>
std::optional<T> decodeAnswer(const QByteArray& utf8, qsizetype maxVariants) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    std::optional<T> result;
    if constexpr (std::is_same_v<T, RephraseResult>) {
        result = RephraseResult::fromJson(document.object(), maxVariants);
        for (qsizetype i = 0; result && i < result->variants.size(); ++i) {
            RephraseVariant& variant = result->variants[i];
            variant.style = PlainText::of(variant.style);
            variant.text = PlainText::of(variant.text);
        }
    } else {
        result = T::fromJson(document.object());
        if (result)
            result->corrected = PlainText::of(result->corrected);
    }
    return result;
}

template std::optional<CorrectionResult> decodeAnswer<CorrectionResult>(const QByteArray&, qsizetype);
template std::optional<RephraseResult> decodeAnswer<RephraseResult>(const QByteArray&, qsizetype);

QString capitalizedWords(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool atWordStart = true;
    for (qsizetype i = 0; i < text.size();) {
        // Whole code points, so a letter outside the basic plane is cased as one.
        const qsizetype width = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString piece = text.mid(i, width);
        const bool space = width == 1 && text.at(i).isSpace();
        if (space) {
            out += piece;
            atWordStart = true;
        } else {
            out += atWordStart ? piece.toUpper() : piece.toLower();
            atWordStart = false;
        }
        i += width;
    }
    return out;
}

}  // namespace quillet
