// Which element of a window holds the keyboard focus, found by walking its tree: for toolkits that
// offer no quick way to ask, and for containers that claim the focus along with the text inside them.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "platform/Accessibility.h"

namespace quillet {

/// What the search needs to know of one element.
struct FocusNode {
    bool focused = false;
    /// Drawn on screen now; an element that is not is skipped with everything inside it.
    bool showing = true;
    /// A text the user can type into.
    bool editableText = false;
    /// A list or table that makes its rows as they are asked for: never walked into.
    bool managesDescendants = false;
};

/// One application's tree as the search reads it. Every read is a call to that application and may
/// fail: a failed read is an empty answer.
class FocusTree {
public:
    FocusTree() = default;
    FocusTree(const FocusTree&) = delete;
    FocusTree& operator=(const FocusTree&) = delete;
    virtual ~FocusTree() = default;

    /// The element's states; empty when it is gone or does not answer.
    virtual std::optional<FocusNode> node(const Accessible& element) = 0;
    /// Its children, in order; empty when it has none or does not answer.
    virtual std::vector<Accessible> children(const Accessible& element) = 0;
    /// Monotonic time, for the search's time limit.
    virtual std::chrono::milliseconds now() = 0;
};

namespace FocusSearch {

struct Limits {
    /// Elements read at most; a window of a large application has a few hundred.
    int maxNodes = 1500;
    /// Each read is a round trip to the application: the search gives up after this long.
    std::chrono::milliseconds maxTime{50};
    /// Levels below the root looked at.
    int maxDepth = 64;
};

/// A search that can be taken up again where its limits stopped it, so a slow application's tree is
/// read over several attempts instead of never to the end.
class Walk {
public:
    explicit Walk(const Accessible& root);
    /// Goes on within `limits` (counted from this call); true once the whole tree was read.
    bool resume(FocusTree& tree, const Limits& limits = {});
    /// The deepest element that holds the focus among those read so far, an editable text first.
    Accessible result() const { return m_text.isNull() ? m_deepest : m_text; }
    const Accessible& root() const { return m_root; }

private:
    struct Entry {
        Accessible element;
        int depth;
    };
    Accessible m_root;
    std::vector<Entry> m_stack;
    Accessible m_text;
    Accessible m_deepest;
    int m_deepestDepth = -1;
};

/// The deepest element under `root` (the root included) that holds the focus, preferring an
/// editable text to a container that claims the focus too; a null element when none does or the
/// limits ran out before one was found.
Accessible find(FocusTree& tree, const Accessible& root, const Limits& limits = {});

}  // namespace FocusSearch
}  // namespace quillet
