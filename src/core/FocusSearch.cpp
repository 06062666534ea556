#include "core/FocusSearch.h"

namespace quillet::FocusSearch {

AXElement find(FocusTree& tree, const AXElement& root, const Limits& limits) {
    if (root.isNull())
        return {};
    struct Entry {
        AXElement element;
        int depth;
    };
    const auto deadline = tree.now() + limits.maxTime;
    std::vector<Entry> stack{{root, 0}};
    AXElement text;
    AXElement deepest;
    int deepestDepth = -1;
    int visited = 0;
    while (!stack.empty()) {
        if (visited >= limits.maxNodes || tree.now() > deadline)
            break;
        const Entry entry = std::move(stack.back());
        stack.pop_back();
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
                text = entry.element;
                stack.clear();
            } else if (entry.depth > deepestDepth) {
                deepest = entry.element;
                deepestDepth = entry.depth;
            }
        }
        if (node->managesDescendants || entry.depth >= limits.maxDepth)
            continue;
        std::vector<AXElement> children = tree.children(entry.element);
        // Reversed onto the stack, so the tree is read in its own order.
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back({std::move(*it), entry.depth + 1});
    }
    return text.isNull() ? deepest : text;
}

}  // namespace quillet::FocusSearch
