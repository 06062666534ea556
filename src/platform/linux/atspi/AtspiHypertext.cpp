// The AT-SPI layer's rich-text editing hosts: a web page's editable element whose blocks and links
// are objects of their own, each standing in its parent's text as one U+FFFC. Read by walking them
// (HypertextText), written in the one object that holds the words.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include <algorithm>

#include "platform/linux/atspi/HypertextText.h"
#include "platform/linux/atspi/TextOffsets.h"

namespace quillet {

using namespace atspi;
using HypertextText::Flattened;
using HypertextText::Kind;

namespace {

// More objects than any editor's document holds in one host; the walk stops there.
constexpr std::size_t maxObjects = 20000;
// How long one walk serves the reads that follow it: the focus monitor reads the count and the caret
// one right after the other. The text itself is never read older than this.
constexpr qint64 walkKeptMs = 100;
// The marks the focus monitor checks on every tick (count, caret, the text around the caret) come
// from the objects on the way to the caret, read again on each tick (a few round trips), over the
// last whole walk: where the user writes, nothing else changes. A long document's walk costs several
// round trips per paragraph (some 0.4 s for 300 paragraphs with a link each), so whole walks for the
// marks alone come at most every 2 s, and take at most a twentieth of the time.
constexpr qint64 marksWalkEveryMs = 2000;
constexpr qint64 marksWalkEveryPerCost = 20;
// An object whose calls take this long ran into libatspi's time-out: its application is busy (a
// browser waiting for the clipboard Quillet holds, say). The walk ends there, with an error, rather
// than waiting out each of its further calls while the application waits for Quillet.
constexpr qint64 stalledMs = AtspiAccessibility::callTimeoutMs * 8 / 10;

Kind kindOf(AtspiAccessible* a, bool hasText) {
    if (!hasText)
        return Kind::object;
    switch (atspi_accessible_get_role(a, nullptr)) {
        case ATSPI_ROLE_IMAGE:
            return Kind::object;
        case ATSPI_ROLE_PARAGRAPH:
        case ATSPI_ROLE_HEADING:
        case ATSPI_ROLE_LIST:
        case ATSPI_ROLE_LIST_ITEM:
        case ATSPI_ROLE_SECTION:
        case ATSPI_ROLE_BLOCK_QUOTE:
        case ATSPI_ROLE_ARTICLE:
        case ATSPI_ROLE_FORM:
        case ATSPI_ROLE_PANEL:
        case ATSPI_ROLE_TABLE:
        case ATSPI_ROLE_TABLE_ROW:
        case ATSPI_ROLE_TABLE_CELL:
        case ATSPI_ROLE_CAPTION:
        case ATSPI_ROLE_HEADER:
        case ATSPI_ROLE_FOOTER:
        case ATSPI_ROLE_LANDMARK:
        case ATSPI_ROLE_DOCUMENT_WEB:
        case ATSPI_ROLE_DOCUMENT_TEXT:
        case ATSPI_ROLE_DESCRIPTION_LIST:
        case ATSPI_ROLE_DESCRIPTION_TERM:
        case ATSPI_ROLE_DESCRIPTION_VALUE:
        case ATSPI_ROLE_FOOTNOTE:
        case ATSPI_ROLE_COMMENT:
            return Kind::block;
        default:
            return Kind::inlined;
    }
}

// The objects embedded in `a`'s text, in the order they stand; `failed` is set where a call failed.
std::vector<GRef<AtspiAccessible>> linksOf(AtspiAccessible* a, bool& failed) {
    std::vector<GRef<AtspiAccessible>> links;
    GRef<AtspiHypertext> hypertext(atspi_accessible_get_hypertext_iface(a));
    if (!hypertext)
        return links;
    GErrorHolder error;
    const int n = atspi_hypertext_get_n_links(hypertext.get(), &error);
    failed = failed || error;
    for (int i = 0; i < n; ++i) {
        GRef<AtspiHyperlink> link(atspi_hypertext_get_link(hypertext.get(), i, nullptr));
        if (link)
            links.emplace_back(atspi_hyperlink_get_object(link.get(), 0, nullptr));
        failed = failed || !link || !links.back();
    }
    return links;
}

// The character offsets of the U+FFFC in `text`, in order.
std::vector<qint64> embedsIn(const QString& text) {
    std::vector<qint64> at;
    qint64 character = 0;
    for (qint64 i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())
            continue;
        if (text.at(i) == QChar(0xFFFC))
            at.push_back(character);
        ++character;
    }
    return at;
}

// The object embedded at `offset` of object `node`'s text, or -1.
int embeddedAt(const AtspiAccessibility::Impl::HypertextWalk& walk, int node, qint64 offset) {
    for (int child : walk.tree[node].embeds) {
        if (walk.embedOffset[child] == offset)
            return child;
    }
    return -1;
}

// The caret and the selection, asked only on the way to them: each object's own stands at the
// embedded object that holds them.
void followCaret(AtspiAccessibility::Impl::HypertextWalk& walk, int node) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(accessibleOf(walk.objects[node])));
    if (!text)
        return;
    const int caret = atspi_text_get_caret_offset(text.get(), nullptr);
    walk.tree[node].caret = caret;
    if (const int child = embeddedAt(walk, node, caret); caret >= 0 && child >= 0)
        followCaret(walk, child);
}

void followSelection(AtspiAccessibility::Impl::HypertextWalk& walk, int node) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(accessibleOf(walk.objects[node])));
    if (!text || atspi_text_get_n_selections(text.get(), nullptr) <= 0)
        return;
    const GOwned<AtspiRange> range(atspi_text_get_selection(text.get(), 0, nullptr));
    if (!range || range->start_offset == range->end_offset)
        return;
    const qint64 start = std::min(range->start_offset, range->end_offset);
    const qint64 end = std::max(range->start_offset, range->end_offset);
    walk.tree[node].selection = std::pair{start, end};
    const int first = embeddedAt(walk, node, start), last = embeddedAt(walk, node, end - 1);
    if (first >= 0)
        followSelection(walk, first);
    if (last >= 0 && last != first)
        followSelection(walk, last);
}

// Reads the objects on the way to the caret again, over an earlier walk: their text and where the
// caret stands in each. False where the document changed in a way only a whole walk can follow (a
// block added or removed, an object added into a paragraph).
bool followCaretAgain(AtspiAccessibility::Impl::HypertextWalk& walk) {
    for (HypertextText::Node& node : walk.tree)
        node.caret = -1;
    int node = 0;
    for (std::size_t depth = 0; depth < walk.tree.size(); ++depth) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(accessibleOf(walk.objects[node])));
        if (!text)
            return false;
        GErrorHolder error;
        const std::optional<QString> read = takeString(atspi_text_get_text(text.get(), 0, -1, &error));
        if (error || !read)
            return false;
        HypertextText::Node& at = walk.tree[node];
        if (*read != at.text) {
            const std::vector<qint64> embeds = embedsIn(*read);
            if (node == 0 || embeds.size() != at.embeds.size())
                return false;
            for (std::size_t k = 0; k < embeds.size(); ++k)
                walk.embedOffset[at.embeds[k]] = embeds[k];
            at.text = *read;
        }
        const int caret = atspi_text_get_caret_offset(text.get(), nullptr);
        at.caret = caret;
        const int child = caret >= 0 ? embeddedAt(walk, node, caret) : -1;
        if (child < 0)
            break;
        node = child;
    }
    walk.flat = std::make_shared<Flattened>(walk.tree);
    return true;
}

}  // namespace

bool AtspiAccessibility::Impl::isHypertextHost(AtspiAccessible* a) {
    if (!a || !toolkitOf(a).web || !hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    GRef<AtspiHypertext> hypertext(atspi_accessible_get_hypertext_iface(a));
    return hypertext && atspi_hypertext_get_n_links(hypertext.get(), nullptr) > 0;
}

bool AtspiAccessibility::Impl::isRichText(AtspiAccessible* a) {
    if (!a || !hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    if (isHypertextHost(a))
        return true;
    // WebKit gives a contenteditable element as one text, its paragraphs apart by blank lines; its
    // page process calls its toolkit GTK, its elements name the engine.
    GHashTable* attributes = atspi_accessible_get_attributes(a, nullptr);
    if (!attributes)
        return false;
    const auto* tag = static_cast<const gchar*>(g_hash_table_lookup(attributes, "tag"));
    const auto* engine = static_cast<const gchar*>(g_hash_table_lookup(attributes, "toolkit"));
    const bool webkit = engine && g_ascii_strncasecmp(engine, "webkit", 6) == 0;
    // Qt's WebEngine names no tags; the page's blocks it follows are never a text area or an input.
    const bool qtPage = !webkit && !toolkitOf(a).web && isOnWebPage(a);
    const bool page = webkit || toolkitOf(a).web || qtPage;
    const bool plain =
        tag ? g_ascii_strcasecmp(tag, "textarea") == 0 || g_ascii_strcasecmp(tag, "input") == 0 : !qtPage;
    g_hash_table_unref(attributes);
    return page && !plain;
}

bool AtspiAccessibility::Impl::isEditingHost(AtspiAccessible* a) {
    if (!a || !hasState(a, ATSPI_STATE_EDITABLE))
        return false;
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text || !isOnWebPage(a))
        return false;
    GRef<AtspiAccessible> parent(atspi_accessible_get_parent(a, nullptr));
    return !parent || !hasState(parent.get(), ATSPI_STATE_EDITABLE);
}

Accessible AtspiAccessibility::Impl::editingHostOf(const Accessible& element) {
    AtspiAccessible* a = accessibleOf(element);
    if (!a || isHung(a) || !hasState(a, ATSPI_STATE_EDITABLE) || !isOnWebPage(a))
        return element;
    // Gecko and Chromium put the caret (and at times the focus) on the paragraph inside the host.
    GRef<AtspiAccessible> host(static_cast<AtspiAccessible*>(g_object_ref(a)));
    for (int depth = 0; depth < 64; ++depth) {
        GRef<AtspiAccessible> parent(atspi_accessible_get_parent(host.get(), nullptr));
        if (!parent || !hasState(parent.get(), ATSPI_STATE_EDITABLE))
            break;
        GRef<AtspiText> text(atspi_accessible_get_text_iface(parent.get()));
        if (!text)
            break;
        host = std::move(parent);
    }
    return host.get() == a ? element : share(host.get());
}

const AtspiAccessibility::Impl::HypertextWalk* AtspiAccessibility::Impl::walkHypertext(AtspiAccessible* host,
                                                                                       AccessError& err,
                                                                                       bool marksOnly) {
    if (walked && walked->objects.front().ref()->identity() == host && walkedAt.isValid()) {
        if (walkedAt.elapsed() < walkKeptMs)
            return &*walked;
        const qint64 marksKept = std::max(marksWalkEveryMs, marksWalkEveryPerCost * walkCostMs);
        if (marksOnly && walkedAt.elapsed() < marksKept && followCaretAgain(*walked))
            return &*walked;
    }
    QElapsedTimer cost;
    cost.start();
    walked.reset();
    HypertextWalk walk;
    std::vector<std::pair<GRef<AtspiAccessible>, int>> pending;  // object, its parent's index
    pending.emplace_back(static_cast<AtspiAccessible*>(g_object_ref(host)), -1);
    std::vector<qint64> starts{0};
    // Breadth first: each object's embeds get consecutive indexes, listed once its text is read.
    for (std::size_t next = 0; next < pending.size() && walk.tree.size() < maxObjects; ++next) {
        AtspiAccessible* a = pending[next].first.get();
        QElapsedTimer calls;
        calls.start();
        bool failed = false;
        HypertextText::Node node;
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        node.kind = next == 0 ? Kind::block : kindOf(a, bool(text));
        if (text) {
            GErrorHolder error;
            std::optional<QString> read = takeString(atspi_text_get_text(text.get(), 0, -1, &error));
            if (error || !read) {
                if (next == 0) {
                    err = errorOf(error.error);
                    return nullptr;
                }
                failed = true;
                read = QString();
            }
            node.text = *read;
            if (node.kind != Kind::object && node.text.contains(QChar(0xFFFC))) {
                const std::vector<qint64> at = embedsIn(node.text);
                std::vector<GRef<AtspiAccessible>> links = linksOf(a, failed);
                for (std::size_t k = 0; k < links.size() && k < at.size(); ++k) {
                    if (!links[k])
                        break;  // each U+FFFC stands for the link of its rank: the rest would mismatch
                    node.embeds.push_back(int(pending.size()));
                    starts.push_back(at[k]);
                    pending.emplace_back(std::move(links[k]), int(next));
                }
            }
        }
        if (failed && calls.elapsed() >= stalledMs) {
            err = AccessError::cannotComplete;
            return nullptr;
        }
        walk.tree.push_back(std::move(node));
        walk.objects.push_back(share(a));
        walk.parent.push_back(pending[next].second);
        walk.embedOffset.push_back(starts[next]);
    }
    // Embeds beyond the objects read lead nowhere.
    for (HypertextText::Node& node : walk.tree)
        std::erase_if(node.embeds, [&](int i) { return i >= int(walk.tree.size()); });
    QElapsedTimer calls;
    calls.start();
    followCaret(walk, 0);
    if (calls.elapsed() < stalledMs)
        followSelection(walk, 0);
    if (calls.elapsed() >= stalledMs) {
        err = AccessError::cannotComplete;
        return nullptr;
    }
    walk.flat = std::make_shared<Flattened>(walk.tree);
    walked = std::move(walk);
    walkedAt.start();
    walkCostMs = cost.elapsed();
    return &*walked;
}

AccessError AtspiAccessibility::Impl::readHypertextProperty(AtspiAccessible* host, Property attribute,
                                                            PropertyValue& out) {
    AccessError err = AccessError::success;
    const bool marksOnly = attribute == Property::numberOfCharacters || attribute == Property::caretOffset ||
                           attribute == Property::textNearCaret;
    const HypertextWalk* walk = walkHypertext(host, err, marksOnly);
    if (!walk)
        return err;
    const Flattened& flat = *walk->flat;
    const QString& text = flat.text();
    if (attribute == Property::value) {
        out = text;
    } else if (attribute == Property::numberOfCharacters) {
        out = qint64(text.size());
    } else if (attribute == Property::caretOffset) {
        const std::optional<qint64> caret = flat.caret();
        if (!caret)
            return AccessError::noValue;
        out = *caret;
    } else if (attribute == Property::textNearCaret) {
        const qint64 at = std::clamp<qint64>(flat.caret().value_or(0), 0, text.size());
        const qint64 start = std::max<qint64>(0, at - nearCaretSpan);
        out = text.mid(start, std::min<qint64>(text.size(), at + nearCaretSpan) - start);
    } else if (attribute == Property::selectedText) {
        const std::optional<std::pair<qint64, qint64>> sel = flat.selection();
        if (!sel) {
            if (!flat.caret())
                return AccessError::noValue;
            out = QString();
        } else {
            out = text.mid(sel->first, sel->second - sel->first);
        }
    } else if (attribute == Property::selectedTextRange) {
        const std::optional<std::pair<qint64, qint64>> sel = flat.selection();
        const std::optional<qint64> caret = flat.caret();
        if (sel) {
            out = TextRange{sel->first, sel->second - sel->first};
        } else if (caret) {
            out = TextRange{*caret, 0};
        } else {
            return AccessError::noValue;
        }
    } else {
        return AccessError::unsupported;
    }
    return AccessError::success;
}

AccessError AtspiAccessibility::Impl::selectHypertextRange(AtspiAccessible* host, const TextRange& range) {
    AccessError err = AccessError::success;
    const HypertextWalk* found = walkHypertext(host, err);
    if (!found)
        return err;
    const HypertextWalk walk = *found;
    walked.reset();  // the selection changes
    const Flattened& flat = *walk.flat;
    const qint64 from = std::clamp<qint64>(range.location, 0, flat.text().size());
    const qint64 to = std::clamp<qint64>(range.location + range.length, from, flat.text().size());
    std::optional<HypertextText::Place> start = flat.placeOf(from), end = flat.placeOf(to, true);
    if (!start || !end)
        return AccessError::cannotComplete;
    qint64 startOffset = start->offset, endOffset = from == to ? start->offset : end->offset;
    int target = start->node;
    if (from != to && start->node != end->node) {
        // Across objects: the selection goes on the innermost one holding both, from the object the
        // start lies in to the one the end lies in. Only where that is exactly the range asked for.
        const auto chain = [&](int node) {
            std::vector<int> up;
            for (; node >= 0; node = walk.parent[node])
                up.push_back(node);
            return up;
        };
        const std::vector<int> up = chain(start->node), down = chain(end->node);
        int common = 0;
        for (int node : up) {
            if (std::find(down.begin(), down.end(), node) != down.end()) {
                common = node;
                break;
            }
        }
        const auto childOnWay = [&](const std::vector<int>& way) {
            const auto at = std::find(way.begin(), way.end(), common);
            return at == way.begin() ? -1 : *(at - 1);
        };
        const int first = childOnWay(up), last = childOnWay(down);
        startOffset = first < 0 ? start->offset : walk.embedOffset[first];
        endOffset = last < 0 ? end->offset : walk.embedOffset[last] + 1;
        if (flat.positionOf(common, startOffset) != from || flat.positionOf(common, endOffset, true) != to)
            return AccessError::cannotComplete;
        target = common;
    }
    AtspiAccessible* object = accessibleOf(walk.objects[target]);
    GRef<AtspiText> text(atspi_accessible_get_text_iface(object));
    if (!text)
        return AccessError::cannotComplete;
    GErrorHolder error;
    int n = atspi_text_get_n_selections(text.get(), &error);
    if (error)
        return errorOf(error.error);
    if (startOffset == endOffset) {
        for (int i = n - 1; i >= 0; --i)
            atspi_text_remove_selection(text.get(), i, nullptr);
        if (!atspi_text_set_caret_offset(text.get(), int(startOffset), &error) || error)
            return errorOf(error.error);
        return AccessError::success;
    }
    const auto holdsAsAsked = [&] {
        const GOwned<AtspiRange> held(atspi_text_get_selection(text.get(), 0, nullptr));
        return held && std::min(held->start_offset, held->end_offset) == startOffset &&
               std::max(held->start_offset, held->end_offset) == endOffset;
    };
    if (n > 0 && flat.selection() != std::pair<qint64, qint64>{from, to} && holdsAsAsked()) {
        // The object's selection reads as the one asked for while the page's runs on into other
        // objects (a host reads a selection from the middle of one paragraph to the end of the next
        // as both paragraphs whole). Chromium leaves a selection it takes for unchanged as it is,
        // and learns of a change from its page a moment later: collapsed first, and waited for.
        atspi_text_set_caret_offset(text.get(), int(startOffset), nullptr);
        for (int i = 0; i < 25 && atspi_text_get_n_selections(text.get(), nullptr) > 0 && holdsAsAsked(); ++i)
            g_usleep(10 * 1000);
    }
    n = atspi_text_get_n_selections(text.get(), &error);
    if (error)
        return errorOf(error.error);
    const gboolean ok =
        n > 0 ? atspi_text_set_selection(text.get(), 0, int(startOffset), int(endOffset), &error)
              : atspi_text_add_selection(text.get(), int(startOffset), int(endOffset), &error);
    if (!ok || error)
        return errorOf(error.error);
    // The page learns of it a moment later (Gecko too): whoever reads it back next must see it.
    for (int i = 0; i < 25 && !holdsAsAsked(); ++i)
        g_usleep(10 * 1000);
    return AccessError::success;
}

AccessError AtspiAccessibility::Impl::replaceHypertext(AtspiAccessible* host, const TextRange& range,
                                                       const QString& text) {
    AccessError err = AccessError::success;
    const HypertextWalk* found = walkHypertext(host, err);
    if (!found)
        return err;
    const HypertextWalk walk = *found;
    walked.reset();  // the text changes
    const std::optional<std::pair<HypertextText::Place, qint64>> edit =
        walk.flat->editableRange(range.location, range.location + range.length);
    if (!edit)
        return AccessError::unsupported;
    AtspiAccessible* object = accessibleOf(walk.objects[edit->first.node]);
    return replaceIn(object, edit->first.offset, edit->second, text);
}

AccessError AtspiAccessibility::Impl::replaceIn(AtspiAccessible* a, qint64 start, qint64 end,
                                                const QString& text) {
    // Gecko answers every edit of a page's text (a text area's too) with success and changes nothing.
    if (!hasState(a, ATSPI_STATE_EDITABLE) || toolkitOf(a).gecko)
        return AccessError::unsupported;
    GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(a));
    if (!editable)
        return AccessError::unsupported;
    // The length is in bytes for GTK and at least the character count for most others; Qt's is UTF-16.
    const auto insert = [&](const QString& words, GError** error) {
        const QByteArray utf8 = words.toUtf8();
        const int length = toolkitOf(a).countsUtf16 ? int(words.size()) : int(utf8.size());
        return utf8.isEmpty() || (atspi_editable_text_insert_text(editable.get(), int(start),
                                                                  utf8.constData(), length, error) &&
                                  !*error);
    };
    // What the delete takes out goes back in where the insert is refused: the edit is all or nothing.
    GRef<AtspiText> textIface(atspi_accessible_get_text_iface(a));
    const std::optional<QString> removed =
        start == end || !textIface
            ? std::optional<QString>(QString())
            : takeString(atspi_text_get_text(textIface.get(), int(start), int(end), nullptr));
    if (!removed)
        return AccessError::cannotComplete;
    GErrorHolder error;
    if (start != end &&
        (!atspi_editable_text_delete_text(editable.get(), int(start), int(end), &error) || error))
        return errorOf(error.error);
    if (!insert(text, &error.error)) {
        const AccessError refused = errorOf(error.error);
        GErrorHolder again;
        insert(*removed, &again.error);
        return refused;
    }
    return AccessError::success;
}

}  // namespace quillet
