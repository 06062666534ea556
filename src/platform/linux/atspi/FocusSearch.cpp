// Which element of a window holds the keyboard focus, found by walking its tree: for toolkits that
#include "platform/linux/atspi/FocusSearch.h"

namespace quillet::FocusSearch {

Walk::Walk(const Accessible& root) : m_root(root) {
    if (!root.isNull())
        m_stack.push_back({root, 0});
}

bool Walk::resume(FocusTree& tree, const Limits& limits) {
    const auto deadline = tree.now() + limits.maxTime;
    int visited = 0;
    while (!m_stack.empty()) {
        if (visited >= limits.maxNodes || tree.now() > deadline)
            return false;
        const Entry entry = std::move(m_stack.back());
        m_stack.pop_back();
        ++visited;
        const std::optional<FocusNode> node = tree.node(entry.element);
        if (!node)
            continue;
        // Hidden pages, closed menus and spare dialogs keep their widgets in the tree.
        if (!node->showing && entry.depth > 0)
            continue;
        if (node->focused) {
            if (node->editableText) {
                // Only a deeper text inside this one can still be the answer.
                m_text = entry.element;
                m_stack.clear();
            } else if (entry.depth > m_deepestDepth) {
                m_deepest = entry.element;
                m_deepestDepth = entry.depth;
            }
        }
        if (node->managesDescendants || entry.depth >= limits.maxDepth)
            continue;
        std::vector<Accessible> children = tree.children(entry.element);
        // Reversed onto the stack, so the tree is read in its own order.
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            m_stack.push_back({std::move(*it), entry.depth + 1});
    }
    return true;
}

Accessible find(FocusTree& tree, const Accessible& root, const Limits& limits) {
    Walk walk(root);
    walk.resume(tree, limits);
    return walk.result();
}

}  // namespace quillet::FocusSearch
