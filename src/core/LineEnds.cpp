// Line breaks as an application gives them: the model is sent line feeds, and a text goes back into
#include "core/LineEnds.h"

namespace quillet::LineEnds {

namespace {

enum class Style { none, lineFeed, crLf, cr, mixed };

Style styleOf(const QString& text) {
    Style seen = Style::none;
    auto note = [&seen](Style style) { seen = seen == Style::none || seen == style ? style : Style::mixed; };
    for (qsizetype i = 0; i < text.size() && seen != Style::mixed; ++i) {
        if (text.at(i) == QLatin1Char('\n')) {
            note(Style::lineFeed);
        } else if (text.at(i) == QLatin1Char('\r')) {
            const bool pair = i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n');
            note(pair ? Style::crLf : Style::cr);
            i += pair ? 1 : 0;
        }
    }
    return seen;
}

}  // namespace

QString toLineFeeds(const QString& text) {
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QString like(const QString& chosen, const QString& original) {
    const Style style = styleOf(original);
    if (style != Style::crLf && style != Style::cr)
        return chosen;
    QString result = toLineFeeds(chosen);
    result.replace(QLatin1Char('\n'), style == Style::crLf ? QStringLiteral("\r\n") : QStringLiteral("\r"));
    return result;
}

}  // namespace quillet::LineEnds
