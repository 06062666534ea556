// The text of an INI file as QSettings reads it, changed one key at a time: every line that does not
// hold the key stays as it was, byte for byte (comments, blank lines, unknown keys, their order).
#include "platform/linux/system/IniFile.h"

#include <optional>

namespace quillet::IniFile {

namespace {

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// One line of the file, its end ("\n", "\r\n", or nothing on a last line without one) kept apart.
struct Line {
    QByteArray text;
    QByteArray end;
};

QList<Line> splitLines(const QByteArray& file) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        const qsizetype newline = file.indexOf('\n', start);
        const qsizetype stop = newline < 0 ? file.size() : newline;
        Line line{file.mid(start, stop - start), newline < 0 ? QByteArray() : QByteArray("\n")};
        if (!line.end.isEmpty() && line.text.endsWith('\r')) {
            line.text.chop(1);
            line.end = "\r\n";
        }
        lines << line;
        start = stop + 1;
    }
    return lines;
}

// A name as QSettings reads it in a section header or before '=': a backslash is its separator.
QByteArray nameOf(QByteArray text) {
    return text.trimmed().replace('\\', '/');
}

// Whether `name` is the key or one of the keys under it (an array's "key/size", "key/1/value").
bool holds(const QByteArray& name, const QByteArray& key) {
    return name == key || name.startsWith(key + '/');
}

// The section a header line opens; empty for a line that is no header.
std::optional<QByteArray> headerOf(const QByteArray& text) {
    const QByteArray line = text.trimmed();
    if (!line.startsWith('['))
        return std::nullopt;
    const qsizetype close = line.lastIndexOf(']');
    return nameOf(line.mid(1, close < 0 ? -1 : close - 1));
}

// The key a line sets; empty for a comment, a blank line or a line without '='.
std::optional<QByteArray> keyOf(const QByteArray& text) {
    const QByteArray line = text.trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
        return std::nullopt;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0)
        return std::nullopt;
    return nameOf(line.left(equals));
}

}  // namespace

QByteArray encoded(const QString& value) {
    // A leading '@' would mark a typed value (@ByteArray, @Variant...): doubled, it reads as itself.
    const QString text = value.startsWith(u'@') ? QStringLiteral("@") + value : value;
    QByteArray result;
    result.reserve(text.size() * 3 / 2);
    bool needsQuotes = false;
    bool escapeNextIfHex = false;  // "\x7" followed by "f" would read as one escape, "\x7f"
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u';' || c == u',' || c == u'=')
            needsQuotes = true;
        if (escapeNextIfHex && isHexDigit(c)) {
            result += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
            case u'\0':
                result += "\\0";
                escapeNextIfHex = true;
                break;
            case u'\a':
                result += "\\a";
                break;
            case u'\b':
                result += "\\b";
                break;
            case u'\f':
                result += "\\f";
                break;
            case u'\n':
                result += "\\n";
                break;
            case u'\r':
                result += "\\r";
                break;
            case u'\t':
                result += "\\t";
                break;
            case u'\v':
                result += "\\v";
                break;
            case u'"':
            case u'\\':
                result += '\\';
                result += char(c);
                break;
            default:
                if (c <= 0x1F) {
                    result += "\\x" + QByteArray::number(c, 16);
                    escapeNextIfHex = true;
                } else {
                    // A character outside the first plane comes as two halves, encoded together.
                    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
                    result += text.mid(i, n).toUtf8();
                    i += n - 1;
                }
        }
    }
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        result = '"' + result + '"';
    return result;
}

QByteArray withValue(const QByteArray& file, const QString& key, const std::variant<Plain, Array>& value) {
    const QByteArray name = key.toUtf8();
    const QList<Line> lines = splitLines(file);
    const QByteArray eol = !lines.isEmpty() && lines.first().end == "\r\n" ? "\r\n" : "\n";

    // Which lines hold the key, and where the general keys end.
    QList<bool> dropped(lines.size(), false);
    qsizetype firstDropped = -1;      // the first line of the old value, in its form
    qsizetype lastGeneral = -1;       // the last line of the general keys (or their header)
    qsizetype firstOtherHeader = -1;  // the first header of a section with a name
    bool general = true;
    bool inKeySection = false;
    const bool plain = std::holds_alternative<Plain>(value);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const std::optional<QByteArray> header = headerOf(lines[i].text)) {
            general = *header == "General";
            inKeySection = holds(*header, name);
            dropped[i] = inKeySection;
            if (inKeySection && !plain && firstDropped < 0)
                firstDropped = i;
            if (general)
                lastGeneral = i;
            else if (firstOtherHeader < 0)
                firstOtherHeader = i;
            continue;
        }
        const std::optional<QByteArray> lineKey = keyOf(lines[i].text);
        if (!lineKey)
            continue;
        if (inKeySection) {
            dropped[i] = true;
        } else if (general && holds(*lineKey, name)) {
            dropped[i] = true;
            if (plain && firstDropped < 0 && *lineKey == name)
                firstDropped = i;
        } else if (general) {
            lastGeneral = i;
        }
    }

    // The new lines, in QSettings' form.
    QByteArray added;
    if (plain) {
        added = name + '=' + std::get<Plain>(value) + eol;
    } else {
        const QStringList& items = std::get<Array>(value);
        added = '[' + name + ']' + eol;
        for (qsizetype i = 0; i < items.size(); ++i)
            added += QByteArray::number(i + 1) + "\\value=" + encoded(items[i]) + eol;
        added += "size=" + QByteArray::number(items.size()) + eol;
    }

    // Where they go: in place of the old value; else a plain value after the general keys (before the
    // first section, under a header of their own, when there are none), an array at the end.
    qsizetype at = firstDropped;
    if (at < 0 && plain) {
        if (lastGeneral >= 0) {
            at = lastGeneral + 1;
        } else if (firstOtherHeader >= 0) {
            at = firstOtherHeader;
            added = "[General]" + eol + added + eol;
        } else {
            added = "[General]" + eol + added;
        }
    }

    QByteArray result;
    result.reserve(file.size() + added.size() + 2);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == at)
            result += added;
        if (!dropped[i])
            result += lines[i].text + lines[i].end;
    }
    if (at < 0 || at >= lines.size()) {
        if (!result.isEmpty() && !result.endsWith('\n'))
            result += eol;
        // A section of its own is set off by a blank line, as QSettings writes them.
        if (!plain && !result.isEmpty() && !result.endsWith(eol + eol) && result != eol)
            result += eol;
        result += added;
    }
    return result;
}

}  // namespace quillet::IniFile
