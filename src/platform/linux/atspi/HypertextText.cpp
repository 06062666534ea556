// The text of a rich-text editing host as the user sees it (see HypertextText.h).
#include "platform/linux/atspi/HypertextText.h"

#include <algorithm>

#include "platform/linux/atspi/TextOffsets.h"

namespace quillet::HypertextText {

namespace {

constexpr QChar embedded(0xFFFC);
// Deeper than any editor nests its blocks; a tree that goes on further is not walked into.
constexpr int maxDepth = 64;

// Characters as the application counts them: a surrogate pair is one.
qint64 charactersIn(const QString& readOut) {
    qint64 n = 0;
    for (qint64 i = 0; i < readOut.size(); ++i) {
        if (!(readOut.at(i).isLowSurrogate() && i > 0 && readOut.at(i - 1).isHighSurrogate()))
            ++n;
    }
    return n;
}

// The embedded object standing at character `offset` of `node`'s text (its index among the embeds),
// or -1 when a character of its own stands there.
int embedAt(const Node& node, qint64 offset) {
    if (offset < 0)
        return -1;
    qint64 character = 0;
    int embeds = 0;
    for (qint64 i = 0; i < node.text.size(); ++i) {
        if (node.text.at(i).isLowSurrogate() && i > 0 && node.text.at(i - 1).isHighSurrogate())
            continue;
        if (character == offset)
            return node.text.at(i) == embedded ? embeds : -1;
        if (node.text.at(i) == embedded)
            ++embeds;
        ++character;
    }
    return -1;
}

}  // namespace

Flattened::Flattened(const std::vector<Node>& tree) : m_tree(tree), m_reached(tree.size(), false) {
    if (!m_tree.empty())
        walk(0, 0);
}

void Flattened::walk(int node, int depth) {
    if (node < 0 || node >= int(m_tree.size()) || m_reached[node] || depth > maxDepth)
        return;
    m_reached[node] = true;
    m_order.push_back(node);
    const Node& n = m_tree[node];
    if (n.kind == Kind::object)
        return;
    if (n.kind == Kind::lineBreak) {
        m_text += QLatin1Char('\n');
        m_atLineStart = true;
        m_afterBlock = false;
        return;
    }
    const bool block = n.kind == Kind::block && depth > 0;
    if (block) {
        if (!m_atLineStart)
            m_text += QLatin1Char('\n');
        m_atLineStart = true;
        m_afterBlock = false;
    }
    QString text = n.text;
    // A block's final line break (the one an editor keeps in an empty paragraph) makes no line.
    if (n.kind == Kind::block && text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    qint64 segmentStart = 0, segmentOffset = 0, character = 0;
    std::size_t embed = 0;
    for (qint64 i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())
            continue;
        if (text.at(i) == embedded) {
            append(node, text.mid(segmentStart, i - segmentStart), segmentOffset);
            if (embed < n.embeds.size())
                walk(n.embeds[embed++], depth + 1);
            segmentStart = i + 1;
            segmentOffset = character + 1;
        }
        ++character;
    }
    append(node, text.mid(segmentStart), segmentOffset);
    if (block) {
        m_atLineStart = false;
        m_afterBlock = true;
    }
}

void Flattened::append(int node, const QString& readOut, qint64 offset) {
    const QString shown = TextOffsets::withoutPadding(readOut);
    if (!shown.isEmpty()) {
        if (m_afterBlock)
            m_text += QLatin1Char('\n');
        m_afterBlock = false;
        m_atLineStart = false;
    }
    const qint64 start = m_text.size();
    m_text += shown;
    m_runs.push_back(Run{node, start, m_text.size(), offset, charactersIn(readOut), readOut});
}

std::optional<qint64> Flattened::positionOf(int node, qint64 offset, bool asEnd) const {
    const Run* last = nullptr;
    for (const Run& run : m_runs) {
        if (run.node != node)
            continue;
        if (offset < run.offset + run.length)
            return run.start + TextOffsets::utf16Offset(run.readOut, offset - run.offset);
        if (offset == run.offset + run.length) {
            if (asEnd)
                return run.end;
            // At an embedded object: where its text starts, past the line feed of a block.
            const Node& n = m_tree[node];
            const int embed = embedAt(n, offset);
            if (embed >= 0 && embed < int(n.embeds.size()) && n.embeds[embed] != node) {
                if (const std::optional<qint64> inside = positionOf(n.embeds[embed], 0))
                    return inside;
            }
            return run.end;
        }
        last = &run;
    }
    if (last)  // past its runs: a block's final line break, left out
        return last->end;
    return std::nullopt;
}

std::optional<Place> Flattened::placeOf(qint64 at, bool atEnd) const {
    const Run* best = nullptr;
    for (const Run& run : m_runs) {
        if (at < run.start || at > run.end)
            continue;
        const bool inside = atEnd ? at > run.start : at < run.end;
        if (inside) {
            best = &run;
            break;
        }
        if (!best)
            best = &run;
    }
    if (!best)
        return std::nullopt;
    return Place{best->node, best->offset + TextOffsets::characterOffset(best->readOut, at - best->start)};
}

std::optional<std::pair<Place, qint64>> Flattened::editableRange(qint64 from, qint64 to) const {
    if (from > to)
        std::swap(from, to);
    if (from == to) {
        const std::optional<Place> place = placeOf(from);
        if (!place)
            return std::nullopt;
        return std::pair{*place, place->offset};
    }
    for (const Run& run : m_runs) {
        if (from >= run.start && from < run.end && to <= run.end) {
            const Place start{run.node,
                              run.offset + TextOffsets::characterOffset(run.readOut, from - run.start)};
            return std::pair{start, run.offset + TextOffsets::characterOffset(run.readOut, to - run.start)};
        }
    }
    return std::nullopt;
}

bool Flattened::delegates(int node, qint64 offset, bool before, bool caret) const {
    const Node& n = m_tree[node];
    const int embed = embedAt(n, before ? offset - 1 : offset);
    if (embed < 0 || embed >= int(n.embeds.size()))
        return false;
    const int child = n.embeds[embed];
    if (child < 0 || child >= int(m_tree.size()) || !m_reached[child])
        return false;
    return caret ? m_tree[child].caret >= 0 : m_tree[child].selection.has_value();
}

std::optional<std::pair<qint64, qint64>> Flattened::selection() const {
    std::optional<qint64> start, end, coarseStart, coarseEnd;
    const auto lower = [](std::optional<qint64>& kept, std::optional<qint64> found) {
        if (found && (!kept || *found < *kept))
            kept = found;
    };
    const auto upper = [](std::optional<qint64>& kept, std::optional<qint64> found) {
        if (found && (!kept || *found > *kept))
            kept = found;
    };
    for (int node : m_order) {
        const std::optional<std::pair<qint64, qint64>>& sel = m_tree[node].selection;
        if (!sel || sel->first == sel->second)
            continue;
        const qint64 from = std::min(sel->first, sel->second), to = std::max(sel->first, sel->second);
        const std::optional<qint64> first = positionOf(node, from), last = positionOf(node, to, true);
        lower(coarseStart, first);
        upper(coarseEnd, last);
        if (!delegates(node, from, false, false))
            lower(start, first);
        if (!delegates(node, to, true, false))
            upper(end, last);
    }
    if (!start)
        start = coarseStart;
    if (!end)
        end = coarseEnd;
    if (!start || !end)
        return std::nullopt;
    return std::pair{*start, std::max(*start, *end)};
}

std::optional<qint64> Flattened::caret() const {
    std::optional<qint64> fallback;
    for (int node : m_order) {
        const qint64 caret = m_tree[node].caret;
        if (caret < 0)
            continue;
        const std::optional<qint64> at = positionOf(node, caret);
        if (!at)
            continue;
        if (!delegates(node, caret, false, true) && !delegates(node, caret, true, true))
            return at;
        if (!fallback)
            fallback = at;
    }
    return fallback;
}

}  // namespace quillet::HypertextText
