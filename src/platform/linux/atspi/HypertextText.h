// The text of a rich-text editing host as the user sees it. Web engines hand such a host over as
// hypertext: each block (paragraph, heading, list item) and each link is an object of its own,
// standing in its parent's text as one U+FFFC. The host's text is read by walking those objects in
// order; an edit goes to the one object that holds the words.
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace quillet::HypertextText {

/// How an embedded object joins the text around it.
enum class Kind {
    inlined,    // a link, a span, bold or a mention: its words run on with its parent's
    block,      // a paragraph, heading, list item or section: a line (or lines) of its own
    lineBreak,  // a line break of its own, with no text
    object,     // an image or anything else without text: nothing
};

/// One object of the tree as the walk read it. Offsets are in the application's characters.
struct Node {
    QString text;             // its own text, U+FFFC where each embedded object stands (Gecko's padding kept)
    std::vector<int> embeds;  // the embedded objects, by index into the tree, in the order they stand
    Kind kind = Kind::inlined;
    std::optional<std::pair<qint64, qint64>> selection;  // its first selection, if any
    qint64 caret = -1;                                   // its caret, -1 when it has none
};

/// A place in one object's own text.
struct Place {
    int node = -1;
    qint64 offset = 0;  // in that object's characters
    bool operator==(const Place&) const = default;
};

/// The text of a tree flattened: one line feed between blocks, a line break as a line feed, never
/// U+FFFC, Gecko's padding left out; and the way between its positions (UTF-16) and the objects'.
class Flattened {
public:
    /// Flattens the tree whose root (the editing host) is `tree[0]`.
    explicit Flattened(const std::vector<Node>& tree);

    const QString& text() const { return m_text; }

    /// The position in the text of `offset` in object `node`'s own text; none for an object the walk
    /// did not reach. An offset at an embedded object is where that object's text starts, or as the
    /// end of a range (`asEnd`), where the text before it ends.
    std::optional<qint64> positionOf(int node, qint64 offset, bool asEnd = false) const;

    /// Where position `at` of the text lies: in the object whose words start there rather than one
    /// whose words end there, unless `atEnd`.
    std::optional<Place> placeOf(qint64 at, bool atEnd = false) const;

    /// The one object holding all of [`from`, `to`) without an embedded object in between, with the
    /// range in its own text (start, end); none when the range spans objects: it cannot be edited in
    /// place there.
    std::optional<std::pair<Place, qint64>> editableRange(qint64 from, qint64 to) const;

    /// The selection (start, end) as the tree's objects hold it, or none. An object whose selection
    /// starts or ends at an embedded object that has a selection of its own leaves that end to it.
    std::optional<std::pair<qint64, qint64>> selection() const;

    /// The caret, from the innermost object that has it.
    std::optional<qint64> caret() const;

private:
    // A stretch of one object's own text between embedded objects, as it stands in the flat text.
    struct Run {
        int node;
        qint64 start;     // in the flat text (UTF-16)
        qint64 end;       // in the flat text (UTF-16)
        qint64 offset;    // in the object's characters, at `start`
        qint64 length;    // in the object's characters
        QString readOut;  // as the application reads it, for the offsets inside
    };

    void walk(int node, int depth);
    void append(int node, const QString& readOut, qint64 offset);
    // Whether what stands at `offset` of `node` (just before it when `before`) is an embedded object
    // that holds a selection (or the caret) of its own.
    bool delegates(int node, qint64 offset, bool before, bool caret) const;

    std::vector<Node> m_tree;
    QString m_text;
    std::vector<Run> m_runs;
    std::vector<int> m_order;  // the objects reached, in the order they stand
    std::vector<bool> m_reached;
    bool m_atLineStart = true;  // a line was opened (or the text is empty) and nothing stands on it
    bool m_afterBlock = false;  // a block ended: what follows starts a line of its own
};

}  // namespace quillet::HypertextText
