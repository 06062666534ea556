// Offsets into another application's text: characters against UTF-16 code units (see TextOffsets.h).
#include "platform/linux/atspi/TextOffsets.h"

namespace quillet::TextOffsets {

namespace {

// UTF-16 units taken by the character starting at `i` (text read from UTF-8 holds no lone surrogates).
qint64 widthAt(const QString& text, qint64 i) {
    return (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
}

struct Position {
    qint64 characters = 0;  // as the application counts, padding included
    qint64 units = 0;       // UTF-16 units of the text without padding
    qint64 index = 0;       // into `text`
};

// Walks `text` one character at a time from its start until `reached` holds or the text ends.
template <typename Reached>
Position walk(const QString& text, Reached reached) {
    Position p;
    while (p.index < text.size() && !reached(p)) {
        const qint64 width = widthAt(text, p.index);
        if (!isPadding(text, p.index))
            p.units += width;
        p.index += width;
        ++p.characters;
    }
    return p;
}

}  // namespace

bool isPadding(const QString& text, qint64 i) {
    return text.at(i) == QChar(0xFEFF) && i >= 2 && text.at(i - 1).isLowSurrogate() &&
           text.at(i - 2).isHighSurrogate();
}

QString withoutPadding(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qint64 i = 0; i < text.size(); ++i) {
        if (!isPadding(text, i))
            result.append(text.at(i));
    }
    return result;
}

qint64 utf16Offset(const QString& text, qint64 characters) {
    return walk(text, [&](const Position& p) { return p.characters >= characters; }).units;
}

qint64 characterOffset(const QString& text, qint64 units) {
    Position p = walk(text, [&](const Position& at) { return at.units >= units; });
    // A position just past a padded character lies past its padding too.
    if (p.index < text.size() && isPadding(text, p.index))
        ++p.characters;
    return p.characters;
}

}  // namespace quillet::TextOffsets
