// The model's JSON answer read as it grows: the correction's text and each finished variant, long
// before the whole object can be decoded.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include "core/Models.h"

namespace quillet {

class PartialAnswer {
public:
    /// Keeps at most `maxVariants` variants: later ones are read past, never built.
    explicit PartialAnswer(qsizetype maxVariants = RephraseResult::maxVariants)
        : m_maxVariants(maxVariants) {}

    /// Takes the next piece of the answer's text, split anywhere (inside an escape, between the halves
    /// of a surrogate pair). Text that is no JSON is skipped over; the whole answer is judged once
    /// it is complete, not here.
    void feed(QStringView piece);

    /// The top-level "corrected" string as far as it has arrived, escapes decoded, never ending in
    /// half a character, as plain text (PlainText::of).
    QString corrected() const;
    /// The elements of the top-level "variants" array that have closed with a style and a text, up to
    /// the most kept, as plain text.
    const QList<RephraseVariant>& variants() const { return m_variants; }

private:
    enum class Mode { value, string, escape, unicode };
    enum class Target { none, key, corrected, style, text };
    struct Frame {
        bool object = false;
        bool expectKey = false;
        QString key;
        std::optional<QString> style;
        std::optional<QString> text;
    };

    void take(QChar c);
    void append(QChar c);
    void startString();
    void endString();
    bool inVariant() const;
    bool full() const { return m_variants.size() >= m_maxVariants; }

    qsizetype m_maxVariants;
    Mode m_mode = Mode::value;
    Target m_target = Target::none;
    QString m_buffer;
    char16_t m_code = 0;
    int m_hexDigits = 0;
    QList<Frame> m_stack;
    QString m_corrected;
    QList<RephraseVariant> m_variants;
};

}  // namespace quillet
