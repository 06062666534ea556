// The decoded answers of the two language-model requests, and the strict JSON rules they decode by.
#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace quillet {

struct CorrectionChange {
    QString from;
    QString to;
    std::optional<QString> reason;

    /// Every key is required and must be a string, except `reason`, which may be missing or null.
    static std::optional<CorrectionChange> fromJson(const QJsonObject& object);
    QJsonObject toJson() const;
    bool operator==(const CorrectionChange&) const = default;
};
size_t qHash(const CorrectionChange& change, size_t seed = 0) noexcept;

struct CorrectionResult {
    QString corrected;
    QList<CorrectionChange> changes;

    /// `corrected` (string) and `changes` (array, may be empty) are required; one bad change fails all.
    static std::optional<CorrectionResult> fromJson(const QJsonObject& object);
    QJsonObject toJson() const;
    bool operator==(const CorrectionResult&) const = default;
};

struct RephraseVariant {
    QString style;
    QString text;

    /// Identity of a variant within a result.
    QString id() const { return style; }
    /// The style's name in the current interface language; unknown styles are shown capitalised.
    QString label() const;

    static std::optional<RephraseVariant> fromJson(const QJsonObject& object);
    QJsonObject toJson() const;
    bool operator==(const RephraseVariant&) const = default;
};

struct RephraseResult {
    QList<RephraseVariant> variants;

    /// The most alternatives a rephrasing offers; the model is asked for as many.
    static constexpr qsizetype maxVariants = 3;

    /// `variants` (array, may be empty) is required; one bad variant fails all. Only the first `limit`
    /// are kept; the rest are checked and dropped, never built.
    static std::optional<RephraseResult> fromJson(const QJsonObject& object, qsizetype limit = maxVariants);
    QJsonObject toJson() const;
    bool operator==(const RephraseResult&) const = default;
};

/// Decodes a whole JSON document (UTF-8 bytes) holding one object of type T; nothing on any deviation.
template <typename T>
std::optional<T> decodeJson(const QByteArray& utf8);

/// The model's answer (UTF-8 JSON) decoded as decodeJson does, its texts as plain text (PlainText::of):
/// the correction, each variant's style and text. Of a RephraseResult, at most `maxVariants` variants.
template <typename T>
std::optional<T> decodeAnswer(const QByteArray& utf8, qsizetype maxVariants = RephraseResult::maxVariants);

/// Each word's first letter upper case, the rest lower case; words end at white space.
QString capitalizedWords(const QString& text);

}  // namespace quillet
