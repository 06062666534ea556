// Line breaks as an application gives them: the model is sent line feeds, and a text goes back into
// the application with the breaks its own text had (CR LF stays CR LF).
#pragma once

#include <QString>

namespace quillet::LineEnds {

/// `text` with every CR LF and lone CR turned into a line feed.
QString toLineFeeds(const QString& text);

/// `chosen` with its line breaks written as `original` writes them: where `original` breaks its
/// lines with CR LF only (or CR only), so does the result; anything else (line feeds, a mixture, no
/// line break at all) leaves `chosen` as it is.
QString like(const QString& chosen, const QString& original);

}  // namespace quillet::LineEnds
