// Control characters and terminal escape sequences taken out of the model's text.
#include "core/PlainText.h"

namespace quillet::PlainText {

namespace {

constexpr char16_t esc = 0x1b;
constexpr char16_t bel = 0x07;
constexpr char16_t csi8 = 0x9b;
constexpr char16_t st8 = 0x9c;

bool isControl(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7f && c <= 0x9f);
}

// The introducers of a string that runs to BEL or ST: OSC, DCS, SOS, PM, APC.
bool opensString(char16_t c) {
    return c == u']' || c == u'P' || c == u'X' || c == u'^' || c == u'_';
}

// Past a CSI's parameters and intermediates, and its final byte when it has come.
qsizetype pastControlSequence(const QString& text, qsizetype i) {
    while (i < text.size() && text[i].unicode() >= 0x20 && text[i].unicode() <= 0x3f)
        ++i;
    if (i < text.size() && text[i].unicode() >= 0x40 && text[i].unicode() <= 0x7e)
        ++i;
    return i;
}

// Past a control string and its terminator (BEL, ESC \ or the 8-bit ST), or to the end.
qsizetype pastControlString(const QString& text, qsizetype i) {
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == bel || c == st8)
            return i + 1;
        if (c == esc && i + 1 < text.size() && text[i + 1] == u'\\')
            return i + 2;
    }
    return i;
}

// Past the sequence that starts at the ESC at `i`.
qsizetype pastEscape(const QString& text, qsizetype i) {
    ++i;
    if (i >= text.size())
        return i;
    const char16_t next = text[i].unicode();
    if (next == u'[')
        return pastControlSequence(text, i + 1);
    if (opensString(next))
        return pastControlString(text, i + 1);
    // ESC, its intermediates (space to '/'), and one final character ('0' to '~').
    while (i < text.size() && text[i].unicode() >= 0x20 && text[i].unicode() <= 0x2f)
        ++i;
    if (i < text.size() && text[i].unicode() >= 0x30 && text[i].unicode() <= 0x7e)
        ++i;
    return i;
}

}  // namespace

QString of(const QString& modelText) {
    qsizetype first = 0;
    while (first < modelText.size() && !isControl(modelText[first].unicode()))
        ++first;
    if (first == modelText.size())
        return modelText;  // the usual answer: nothing to take out, nothing copied

    QString out;
    out.reserve(modelText.size());
    out.append(QStringView(modelText).first(first));
    for (qsizetype i = first; i < modelText.size();) {
        const char16_t c = modelText[i].unicode();
        if (!isControl(c)) {
            out.append(modelText[i]);
            ++i;
        } else if (c == esc) {
            i = pastEscape(modelText, i);
        } else if (c == csi8) {
            // Only the 8-bit CSI is read as a sequence: the other C1 characters also come from text
            // decoded with the wrong code page, where taking a string to its end would eat words.
            i = pastControlSequence(modelText, i + 1);
        } else {
            ++i;
        }
    }
    return out;
}

}  // namespace quillet::PlainText
