// Reads the model's JSON answer as it grows, character by character.
#include "core/PartialAnswer.h"

#include "core/PlainText.h"

namespace quillet {

void PartialAnswer::feed(QStringView piece) {
    for (const QChar c : piece)
        take(c);
}

QString PartialAnswer::corrected() const {
    if (!m_corrected.isEmpty() && m_corrected.back().isHighSurrogate())
        return PlainText::of(m_corrected.chopped(1));
    return PlainText::of(m_corrected);
}

bool PartialAnswer::inVariant() const {
    return m_stack.size() == 3 && m_stack[0].object && m_stack[0].key == QLatin1String("variants") &&
           !m_stack[1].object && m_stack[2].object;
}

void PartialAnswer::startString() {
    m_buffer.clear();
    if (!m_stack.isEmpty() && m_stack.back().object && m_stack.back().expectKey) {
        m_target = Target::key;
    } else if (m_stack.size() == 1 && m_stack[0].object && m_stack[0].key == QLatin1String("corrected")) {
        m_target = Target::corrected;
        m_corrected.clear();
    } else if (!full() && inVariant() && m_stack[2].key == QLatin1String("style")) {
        m_target = Target::style;
    } else if (!full() && inVariant() && m_stack[2].key == QLatin1String("text")) {
        m_target = Target::text;
    } else {
        m_target = Target::none;
    }
    m_mode = Mode::string;
}

void PartialAnswer::endString() {
    switch (m_target) {
        case Target::key:
            m_stack.back().key = m_buffer;
            break;
        case Target::corrected:
            break;
        case Target::style:
            m_stack.back().style = m_buffer;
            break;
        case Target::text:
            m_stack.back().text = m_buffer;
            break;
        case Target::none:
            break;
    }
    m_buffer.clear();
    m_target = Target::none;
    m_mode = Mode::value;
}

void PartialAnswer::append(QChar c) {
    if (m_target == Target::corrected)
        m_corrected.append(c);
    else if (m_target != Target::none)
        m_buffer.append(c);
}

void PartialAnswer::take(QChar c) {
    switch (m_mode) {
        case Mode::string:
            if (c == u'\\')
                m_mode = Mode::escape;
            else if (c == u'"')
                endString();
            else
                append(c);
            return;
        case Mode::escape: {
            m_mode = Mode::string;
            if (c == u'u') {
                m_mode = Mode::unicode;
                m_code = 0;
                m_hexDigits = 0;
                return;
            }
            // \" \\ \/ stand for themselves, and so does whatever a careless model escapes.
            static const QString escaped = QStringLiteral("ntrbf");
            static const QString meant = QStringLiteral("\n\t\r\b\f");
            const qsizetype at = escaped.indexOf(c);
            append(at >= 0 ? meant[at] : c);
            return;
        }
        case Mode::unicode: {
            const int digit = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
            m_code = char16_t(m_code * 16 + std::max(digit, 0));
            if (++m_hexDigits == 4) {
                // Each half of a pair comes in an escape of its own, and is kept as it comes.
                append(QChar(m_code));
                m_mode = Mode::string;
            }
            return;
        }
        case Mode::value:
            break;
    }
    switch (c.unicode()) {
        case u'{':
            m_stack.append(Frame{true, true, {}, {}, {}});
            return;
        case u'[':
            m_stack.append(Frame{false, false, {}, {}, {}});
            return;
        case u'}':
        case u']': {
            if (m_stack.isEmpty())
                return;
            if (inVariant() && c == u'}' && !full()) {
                const Frame& element = m_stack.back();
                if (element.style && element.text)
                    m_variants.append(
                        RephraseVariant{PlainText::of(*element.style), PlainText::of(*element.text)});
            }
            m_stack.removeLast();
            return;
        }
        case u'"':
            startString();
            return;
        case u':':
            if (!m_stack.isEmpty() && m_stack.back().object)
                m_stack.back().expectKey = false;
            return;
        case u',':
            if (!m_stack.isEmpty() && m_stack.back().object)
                m_stack.back().expectKey = true;
            return;
        default:
            return;  // blanks, numbers, true, false, null: nothing to show
    }
}

}  // namespace quillet
