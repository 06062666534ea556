// The AT-SPI layer's focus policy: which element of the active application has the keyboard, with
// the quirks of each toolkit in saying so.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include <unistd.h>

#include "platform/ProcessTree.h"
#include "platform/linux/atspi/AtspiWindows.h"
#include "platform/linux/shared/ProcStat.h"

namespace quillet {

using namespace atspi;

Accessible AtspiAccessibility::Impl::focusedElement() {
    // On a web page the field is the editing host, wherever inside it the focus or the caret is.
    Accessible found = editingHostOf(findFocusedElement());
    if (isTypedInto(accessibleOf(found))) {
        lastTyped = found;
        pidOfLastTyped = hostOf(accessibleOf(found));
    }
    return found;
}

qint32 AtspiAccessibility::Impl::hostOf(AtspiAccessible* a) {
    const qint32 pid = pidOf(a);
    if (pid <= 0 || !activePid)
        return pid;
    const std::optional<qint32> active = activePid();
    if (!active || *active <= 0 || *active == pid || *active == qint32(::getpid()))
        return pid;
    const QByteArray bus = busNameOf(a);
    if (const auto known = hostByBus.constFind(bus); known != hostByBus.cend() && known->first == *active)
        return known->second;
    const auto parentOf = [](qint32 child) { return ProcStat::parentOf(child); };
    const qint32 host = ProcessTree::descendsFrom(pid, *active, parentOf) ? *active : pid;
    hostByBus.insert(bus, {*active, host});
    return host;
}

Accessible AtspiAccessibility::Impl::findFocusedElement() {
    if (!ensureInit())
        return {};
    if (focusOverride) {
        if (Accessible named = focusOverride(); !named.isNull())
            return named;
    }
    std::optional<qint32> active = activePid ? activePid() : std::nullopt;
    if (windowSink && active == 0 && (!lastRescan.isValid() || lastRescan.elapsed() >= rescanIntervalMs)) {
        // An activation lost under load would leave the desktop without a front window until
        // the next one: the windows themselves say which is active. Asked at most once a
        // second, since while one of our own windows is in front no other window is active.
        lastRescan.start();
        announceAllActiveWindows();
        active = activePid();
        if (Accessible named = focusOverride ? focusOverride() : Accessible(); !named.isNull())
            return named;
    }
    if (active && (*active == 0 || *active == qint32(::getpid())))
        return {};
    Accessible claimed;
    if (AtspiAccessible* last = accessibleOf(lastFocused)) {
        if ((!active || lastFocusedPid == *active || hostOf(last) == *active) && !isHung(last) &&
            hasState(last, ATSPI_STATE_FOCUSED)) {
            if (isTypedInto(last))
                return lastFocused;
            // Qt also claims the focus for the current item of a list that does not have it,
            // while the text keeps the keyboard and says so.
            if (AtspiAccessible* typed = accessibleOf(lastTyped);
                typed && pidOfLastTyped == lastFocusedPid && !isHung(typed) &&
                hasState(typed, ATSPI_STATE_FOCUSED) && isTypedInto(typed))
                return lastTyped;
            // A container that claims the focus (a KDE editor's view, an office document's
            // panel): the text inside it is where the user types.
            if (Accessible inner = searchFocus(lastFocused); isTypedInto(accessibleOf(inner)))
                return inner;
            // Qt reports the focus on a child of its text view as well.
            GRef<AtspiAccessible> parent(atspi_accessible_get_parent(last, nullptr));
            if (parent && isTypedInto(parent.get()) && hasState(parent.get(), ATSPI_STATE_FOCUSED))
                return share(parent.get());
            // Qt also leaves the focus claimed by a tab while the text in it has the keyboard.
            claimed = lastFocused;
        }
    }
    if (!active)
        return claimed;
    // A text that takes the keyboard without claiming the focus shows where it is by its caret.
    // Its states are asked afresh: a toolkit without a cache on the bus (GTK 4) announces no
    // change of them.
    if (AtspiAccessible* caret = accessibleOf(caretTrail.candidate(*active)))
        atspi_accessible_clear_cache(caret);
    if (AtspiAccessible* caret = accessibleOf(caretTrail.candidate(*active));
        caret && !isHung(caret) && isTypedInto(caret) && isInActiveWindow(caret))
        return caretTrail.candidate(*active);
    GRef<AtspiAccessible> app(appElement(*active));
    if (!app)
        return claimed;
    // No usable focus event yet (the program or the application just started): ask the windows,
    // the active one first.
    const int count = atspi_accessible_get_child_count(app.get(), nullptr);
    std::vector<GRef<AtspiAccessible>> windows;
    for (int i = 0; i < count; ++i) {
        GRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app.get(), i, nullptr));
        if (!window)
            continue;
        if (hasState(window.get(), ATSPI_STATE_ACTIVE)) {
            windows.insert(windows.begin(), std::move(window));
        } else if (claimed.isNull()) {
            windows.push_back(std::move(window));
        }
    }
    for (const auto& window : windows) {
        Accessible found = focusedDescendant(window.get());
        if (!claimed.isNull())
            return isTypedInto(accessibleOf(found)) ? found : claimed;
        if (found)
            return found;
    }
    return claimed;
}

Accessible AtspiAccessibility::Impl::focusedDescendant(AtspiAccessible* window) {
    GRef<AtspiCollection> collection(atspi_accessible_get_collection_iface(window));
    if (!collection)
        return searchFocus(share(window));
    GRef<AtspiStateSet> states(atspi_state_set_new(nullptr));
    atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
    GRef<AtspiMatchRule> rule(atspi_match_rule_new(
        states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
    // Containers may claim the focus along with the text inside them: look at a few matches.
    GArray* matches = atspi_collection_get_matches(collection.get(), rule.get(),
                                                   ATSPI_Collection_SORT_ORDER_CANONICAL, 8, TRUE, nullptr);
    if (!matches)
        return {};
    std::vector<Accessible> found;
    for (guint i = 0; i < matches->len; ++i)
        found.push_back(adopt(g_array_index(matches, AtspiAccessible*, i)));
    g_array_free(matches, TRUE);
    for (const Accessible& e : found) {
        if (isTypedInto(accessibleOf(e)))
            return e;
    }
    if (found.empty())
        return {};
    if (Accessible inner = searchFocus(found.back()); !inner.isNull())
        return inner;
    return found.back();
}

// One application's tree for the focus search, read over AT-SPI. Calls to an application that
// stopped answering fail at once.
class AtspiAccessibility::Impl::Tree final : public FocusTree {
public:
    Tree(const Impl& impl, bool setsShowing) : m_impl(impl), m_setsShowing(setsShowing) { m_clock.start(); }
    std::optional<FocusNode> node(const Accessible& element) override {
        AtspiAccessible* a = accessibleOf(element);
        if (!a || m_impl.isHung(a))
            return std::nullopt;
        GRef<AtspiStateSet> set(atspi_accessible_get_state_set(a));
        if (!set || atspi_state_set_contains(set.get(), ATSPI_STATE_DEFUNCT))
            return std::nullopt;
        FocusNode node;
        node.focused = atspi_state_set_contains(set.get(), ATSPI_STATE_FOCUSED);
        // GTK 4 sets the showing state on the window alone; what it hides is not visible either.
        node.showing =
            atspi_state_set_contains(set.get(), m_setsShowing ? ATSPI_STATE_SHOWING : ATSPI_STATE_VISIBLE);
        node.managesDescendants = atspi_state_set_contains(set.get(), ATSPI_STATE_MANAGES_DESCENDANTS);
        // Only a focused element needs the further question.
        node.editableText = node.focused && atspi_state_set_contains(set.get(), ATSPI_STATE_EDITABLE) &&
                            GRef<AtspiText>(atspi_accessible_get_text_iface(a));
        return node;
    }
    std::vector<Accessible> children(const Accessible& element) override {
        std::vector<Accessible> result;
        AtspiAccessible* a = accessibleOf(element);
        if (!a)
            return result;
        GErrorHolder error;
        const int count = atspi_accessible_get_child_count(a, &error);
        for (int i = 0; !error && i < count; ++i) {
            if (Accessible child = adopt(atspi_accessible_get_child_at_index(a, i, nullptr)))
                result.push_back(std::move(child));
        }
        return result;
    }
    std::chrono::milliseconds now() override { return std::chrono::milliseconds(m_clock.elapsed()); }

private:
    const Impl& m_impl;
    bool m_setsShowing;
    QElapsedTimer m_clock;
};

Accessible AtspiAccessibility::Impl::searchFocus(const Accessible& root) {
    AtspiAccessible* a = accessibleOf(root);
    if (!a)
        return {};
    Tree tree(*this, toolkitOf(a).setsShowing);
    // A search of a window that ran out of time goes on where it stopped, so a slow application's
    // window is read to the end over a few attempts.
    std::erase_if(walks, [](const PendingWalk& w) { return w.started.elapsed() > 3000; });
    auto it =
        std::find_if(walks.begin(), walks.end(), [&](const PendingWalk& w) { return w.walk.root() == root; });
    if (it == walks.end()) {
        walks.push_back(PendingWalk{FocusSearch::Walk(root), {}});
        walks.back().started.start();
        it = std::prev(walks.end());
    }
    const bool done = it->walk.resume(tree);
    Accessible found = it->walk.result();
    if (done || isTypedInto(accessibleOf(found)))
        walks.erase(it);
    return found;
}

}  // namespace quillet
