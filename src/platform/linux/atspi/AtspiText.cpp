// The AT-SPI layer's text: attributes read and written, offsets converted between the toolkits'
// units and the program's UTF-16.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include <algorithm>

#include "platform/linux/atspi/AtspiRoles.h"
#include "platform/linux/atspi/ChromiumAccessibility.h"
#include "platform/linux/atspi/TextOffsets.h"

namespace quillet {

using namespace atspi;

using TextOffsets::characterOffset;
using TextOffsets::utf16Offset;
using TextOffsets::withoutPadding;

AtspiAccessibility::Impl::Toolkit AtspiAccessibility::Impl::toolkitOf(AtspiAccessible* a) {
    const QByteArray bus = busNameOf(a);
    auto it = toolkitByBus.find(bus);
    if (it != toolkitByBus.end())
        return *it;
    Toolkit toolkit;
    GRef<AtspiAccessible> application(atspi_accessible_get_application(a, nullptr));
    if (!application || isHung(a))
        return toolkit;
    // An application busy starting up may not answer in time. Its toolkit is then asked again
    // next time: a guess remembered would hold for its whole life (a GTK 4 window searched as if
    // GTK 3 drew it, Qt's inserts padded with garbage).
    GOwned<gchar> name, version;
    const auto is = [&](const char* toolkitName) { return g_ascii_strcasecmp(name.get(), toolkitName) == 0; };
    const AXError answered = hung.guard(bus, [&] {
        name.reset(atspi_accessible_get_toolkit_name(application.get(), nullptr));
        // GTK's version tells 3 from 4; no other toolkit's is needed.
        if (name && is("gtk"))
            version.reset(atspi_accessible_get_toolkit_version(application.get(), nullptr));
        return name && (version || !is("gtk")) ? AXError::success : AXError::cannotComplete;
    });
    if (answered != AXError::success)
        return toolkit;
    if (const gchar* v = version.get())
        toolkit.setsShowing = !(v[0] >= '4' && v[0] <= '9' && v[1] == '.');
    toolkit.countsUtf16 = is("qt");
    toolkit.gecko = is("gecko");
    toolkit.web = toolkit.gecko || is("chromium") ||
                  QString::fromUtf8(name.get()).contains(QLatin1String("webkit"), Qt::CaseInsensitive);
    return *toolkitByBus.insert(bus, toolkit);
}

bool AtspiAccessibility::Impl::isOnWebPage(AtspiAccessible* a) {
    const Toolkit toolkit = toolkitOf(a);
    if (toolkit.web)
        return true;
    // Qt's WebEngine gives an editable element of a page as a section or a paragraph, roles no
    // native Qt widget takes; only those are followed up to their page.
    if (!toolkit.countsUtf16 || isHung(a))
        return false;
    const AtspiRole role = atspi_accessible_get_role(a, nullptr);
    if (role != ATSPI_ROLE_SECTION && role != ATSPI_ROLE_PARAGRAPH && role != ATSPI_ROLE_HEADING &&
        role != ATSPI_ROLE_LIST_ITEM && role != ATSPI_ROLE_BLOCK_QUOTE)
        return false;
    GRef<AtspiAccessible> node(static_cast<AtspiAccessible*>(g_object_ref(a)));
    for (int depth = 0; depth < 64; ++depth) {
        GRef<AtspiAccessible> parent(atspi_accessible_get_parent(node.get(), nullptr));
        if (!parent)
            return false;
        const AtspiRole above = atspi_accessible_get_role(parent.get(), nullptr);
        if (above == ATSPI_ROLE_DOCUMENT_WEB)
            return true;
        if (above == ATSPI_ROLE_FRAME || above == ATSPI_ROLE_APPLICATION)
            return false;
        node = std::move(parent);
    }
    return false;
}

QString AtspiAccessibility::Impl::textOf(AtspiAccessible* a, const QString& readOut) {
    if (readOut.endsWith(QLatin1Char('\n')) && showsExtraFinalBreak(a))
        return readOut.left(readOut.size() - 1);
    return readOut;
}

bool AtspiAccessibility::Impl::showsExtraFinalBreak(AtspiAccessible* a) {
    return toolkitOf(a).gecko && hasState(a, ATSPI_STATE_EDITABLE);
}

namespace {

std::optional<QString> readText(AtspiAccessible* a, AXError& err, int start = 0, int end = -1) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text) {
        err = AXError::attributeUnsupported;
        return std::nullopt;
    }
    GErrorHolder error;
    std::optional<QString> result = takeString(atspi_text_get_text(text.get(), start, end, &error));
    // GTK 4's entries answer "up to the end" with nothing: the end is asked for then.
    if (!error && result && result->isEmpty() && end < 0 &&
        (end = atspi_text_get_character_count(text.get(), &error)) > 0)
        result = takeString(atspi_text_get_text(text.get(), start, end, &error));
    if (error || !result) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    return result;
}

// Selection 0 in characters; empty when there is none.
std::optional<std::pair<int, int>> selectionOf(AtspiText* text, AXError& err) {
    GErrorHolder error;
    const int n = atspi_text_get_n_selections(text, &error);
    if (error) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    if (n <= 0) {
        err = AXError::noValue;
        return std::nullopt;
    }
    const GOwned<AtspiRange> range(atspi_text_get_selection(text, 0, &error));
    if (error || !range) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    return std::pair<int, int>{std::min(range->start_offset, range->end_offset),
                               std::max(range->start_offset, range->end_offset)};
}

// Selection 0 in characters, else the caret as an empty selection; `noCaret` when there is neither.
std::optional<std::pair<int, int>> selectionOrCaret(AtspiText* text, AXError& err, AXError noCaret) {
    std::optional<std::pair<int, int>> sel = selectionOf(text, err);
    if (sel || err != AXError::noValue)
        return sel;
    GErrorHolder error;
    const int caret = atspi_text_get_caret_offset(text, &error);
    if (error || caret < 0) {
        err = error ? errorOf(error.error) : noCaret;
        return std::nullopt;
    }
    return std::pair<int, int>{caret, caret};
}

// The characters from `sel.first` to `sel.second` of `shown` as the program counts them.
AXTextRange unitsOf(const QString& shown, std::pair<int, int> sel) {
    const qint64 start = utf16Offset(shown, sel.first);
    return AXTextRange{start, utf16Offset(shown, sel.second) - start};
}

}  // namespace

AXError AtspiAccessibility::copyAttributeNow(const AXElement& element, const QString& attribute,
                                             AXValue& out) {
    AtspiAccessible* a = accessibleOf(element);
    AXError err = AXError::success;
    if (attribute == AXAttr::role || attribute == AXAttr::subrole) {
        GErrorHolder error;
        const AtspiRole role = atspi_accessible_get_role(a, &error);
        if (error)
            return errorOf(error.error);
        if (attribute == AXAttr::role) {
            // A page's editing host (a section, a div) is a text area; Chromium's offers no
            // EditableText, so the role is all that tells it is written in.
            QString name = AtspiRoles::nameOf(a, role);
            if (!name.startsWith(QLatin1String("AX")) && d->isEditingHost(a))
                name = QStringLiteral("AXTextArea");
            out = name;
        } else {
            if (role != ATSPI_ROLE_PASSWORD_TEXT)
                return AXError::noValue;
            out = AtspiRoles::secure;
        }
        return AXError::success;
    }
    if ((attribute == AXAttr::value || attribute == AXAttr::numberOfCharacters ||
         attribute == AXAttr::caretOffset || attribute == AXAttr::textNearCaret ||
         attribute == AXAttr::selectedText || attribute == AXAttr::selectedTextRange) &&
        d->isHypertextHost(a))
        return d->copyHypertextAttribute(a, attribute, out);
    if (attribute == AXAttr::richText) {
        out = d->isRichText(a);
        return AXError::success;
    }
    if (attribute == AXAttr::selectionUnreported) {
        // Qt's WebEngine reads every selection and caret of a page's text as none.
        out = !d->toolkitOf(a).web && d->isOnWebPage(a);
        return AXError::success;
    }
    if (attribute == AXAttr::value) {
        std::optional<QString> text = readText(a, err);
        if (!text)
            return err;
        out = withoutPadding(d->textOf(a, *text));
        return AXError::success;
    }
    if (attribute == AXAttr::numberOfCharacters || attribute == AXAttr::caretOffset) {
        // One small answer each, whatever the text's length: what the focus monitor reads on every tick.
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        GErrorHolder error;
        const int n = attribute == AXAttr::numberOfCharacters
                          ? atspi_text_get_character_count(text.get(), &error)
                          : atspi_text_get_caret_offset(text.get(), &error);
        if (error)
            return errorOf(error.error);
        if (n < 0)
            return AXError::noValue;
        out = qint64(n);
        return AXError::success;
    }
    if (attribute == AXAttr::textNearCaret) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        GErrorHolder error;
        const int count = atspi_text_get_character_count(text.get(), &error);
        const int caret = error ? -1 : atspi_text_get_caret_offset(text.get(), &error);
        if (error)
            return errorOf(error.error);
        if (count < 0)
            return AXError::noValue;
        const int at = std::clamp(caret, 0, count);
        const int start = int(std::max<qint64>(0, at - AXAttr::nearCaretSpan));
        const int end = int(std::min<qint64>(count, at + AXAttr::nearCaretSpan));
        if (start == end) {
            out = QString();
            return AXError::success;
        }
        std::optional<QString> part = readText(a, err, start, end);
        if (!part)
            return err;
        out = *part;
        return AXError::success;
    }
    if (attribute == AXAttr::selectedText || attribute == AXAttr::selectedTextRange) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        if (attribute == AXAttr::selectedText) {
            const std::optional<std::pair<int, int>> sel = selectionOf(text.get(), err);
            if (!sel)
                return err;
            if (sel->first == sel->second) {
                out = QString();
                return AXError::success;
            }
            if (d->showsExtraFinalBreak(a)) {
                // A selection up to the end takes in the extra line break: cut from the text itself.
                std::optional<QString> whole = readText(a, err);
                if (!whole)
                    return err;
                const QString shown = d->textOf(a, *whole);
                const AXTextRange range = unitsOf(shown, *sel);
                out = withoutPadding(shown).mid(range.location, range.length);
                return AXError::success;
            }
            std::optional<QString> part = readText(a, err, sel->first, sel->second);
            if (!part)
                return err;
            out = withoutPadding(*part);
            return AXError::success;
        }
        const std::optional<std::pair<int, int>> sel = selectionOrCaret(text.get(), err, AXError::noValue);
        if (!sel)
            return err;
        std::optional<QString> whole = readText(a, err);
        if (!whole)
            return err;
        if (d->toolkitOf(a).countsUtf16) {
            out = AXTextRange{sel->first, sel->second - sel->first};
            return AXError::success;
        }
        out = unitsOf(d->textOf(a, *whole), *sel);
        return AXError::success;
    }
    if (attribute == AXAttr::position || attribute == AXAttr::size) {
        std::optional<Rect> frame;
        if (attribute == AXAttr::size && d->framedElement == element && d->framedAt.isValid() &&
            d->framedAt.elapsed() < 100) {
            frame = d->framed;
        } else {
            frame = d->frameOf(a, err);
            if (!frame && err != AXError::noValue && err != AXError::attributeUnsupported)
                return err;
        }
        d->framedElement = attribute == AXAttr::position ? element : AXElement();
        d->framed = frame;
        d->framedAt.start();
        if (!frame)
            return err == AXError::success ? AXError::noValue : err;
        if (attribute == AXAttr::position) {
            out = frame->topLeft();
        } else {
            out = frame->size();
        }
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError AtspiAccessibility::isAttributeSettableNow(const AXElement& element, const QString& attribute,
                                                   bool& settable) {
    AtspiAccessible* a = accessibleOf(element);
    if (attribute == AXAttr::value || attribute == AXAttr::selectedText) {
        settable = AtspiRoles::isEditableText(a);
    } else if (attribute == AXAttr::selectedTextRange) {
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        settable = bool(text);
    } else if (attribute == AXAttr::manualAccessibility) {
        settable = true;
    }
    return AXError::success;
}

AXError AtspiAccessibility::setAttributeNow(const AXElement& element, const QString& attribute,
                                            const AXValue& value) {
    AtspiAccessible* a = accessibleOf(element);
    AXError err = AXError::success;
    GErrorHolder error;
    if (attribute == AXAttr::manualAccessibility)
        return ChromiumAccessibility::requestContents(a);
    if (attribute == AXAttr::value || attribute == AXAttr::selectedText) {
        const QString* text = std::get_if<QString>(&value);
        if (!text)
            return AXError::illegalArgument;
        if (!hasState(a, ATSPI_STATE_EDITABLE))
            return AXError::attributeUnsupported;
        if (d->isHypertextHost(a)) {
            // Only within the one object that holds the range: set_text_contents or an edit of
            // the host's own text would take whole paragraphs with it.
            AXValue range = AXTextRange{0, 0};
            if (attribute == AXAttr::value) {
                if (d->copyHypertextAttribute(a, AXAttr::numberOfCharacters, range) != AXError::success)
                    return AXError::cannotComplete;
                range = AXTextRange{0, std::get<qint64>(range)};
            } else if (const AXError read = d->copyHypertextAttribute(a, AXAttr::selectedTextRange, range);
                       read != AXError::success) {
                return read == AXError::noValue ? AXError::cannotComplete : read;
            }
            return d->replaceHypertext(a, std::get<AXTextRange>(range), *text);
        }
        GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(a));
        if (!editable)
            return AXError::attributeUnsupported;
        const QByteArray utf8 = text->toUtf8();
        if (attribute == AXAttr::value) {
            if (!atspi_editable_text_set_text_contents(editable.get(), utf8.constData(), &error) || error)
                return errorOf(error.error);
            return AXError::success;
        }
        GRef<AtspiText> textIface(atspi_accessible_get_text_iface(a));
        if (!textIface)
            return AXError::attributeUnsupported;
        const std::optional<std::pair<int, int>> sel =
            selectionOrCaret(textIface.get(), err, AXError::cannotComplete);
        if (!sel)
            return err;
        if (sel->first != sel->second &&
            (!atspi_editable_text_delete_text(editable.get(), sel->first, sel->second, &error) || error))
            return errorOf(error.error);
        // The length is in bytes for GTK and at least the character count for most others.
        const int length = d->toolkitOf(a).countsUtf16 ? int(text->size()) : int(utf8.size());
        if (!utf8.isEmpty() &&
            (!atspi_editable_text_insert_text(editable.get(), sel->first, utf8.constData(), length, &error) ||
             error))
            return errorOf(error.error);
        return AXError::success;
    }
    if (attribute == AXAttr::selectedTextRange) {
        const AXTextRange* range = std::get_if<AXTextRange>(&value);
        if (!range || range->location < 0 || range->length < 0)
            return AXError::illegalArgument;
        if (d->isHypertextHost(a))
            return d->selectHypertextRange(a, *range);
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AXError::attributeUnsupported;
        std::optional<QString> whole = readText(a, err);
        if (!whole)
            return err;
        const bool utf16 = d->toolkitOf(a).countsUtf16;
        const int start = int(utf16 ? range->location : characterOffset(*whole, range->location));
        const int end = int(utf16 ? range->location + range->length
                                  : characterOffset(*whole, range->location + range->length));
        const int n = atspi_text_get_n_selections(text.get(), &error);
        if (error)
            return errorOf(error.error);
        if (start == end) {
            for (int i = n - 1; i >= 0; --i)
                atspi_text_remove_selection(text.get(), i, nullptr);
            if (!atspi_text_set_caret_offset(text.get(), start, &error) || error)
                return errorOf(error.error);
            return AXError::success;
        }
        const gboolean ok = n > 0 ? atspi_text_set_selection(text.get(), 0, start, end, &error)
                                  : atspi_text_add_selection(text.get(), start, end, &error);
        if (!ok || error)
            return errorOf(error.error);
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError AtspiAccessibility::replaceTextNow(const AXElement& element, const AXTextRange& range,
                                           const QString& text) {
    AtspiAccessible* a = accessibleOf(element);
    if (range.location < 0 || range.length < 0)
        return AXError::illegalArgument;
    if (d->isHypertextHost(a))
        return d->replaceHypertext(a, range, text);
    if (!AtspiRoles::isEditableText(a))
        return AXError::attributeUnsupported;
    AXError err = AXError::success;
    std::optional<QString> whole = readText(a, err);
    if (!whole)
        return err;
    const QString shown = d->textOf(a, *whole);
    if (range.location + range.length > withoutPadding(shown).size())
        return AXError::illegalArgument;
    if (d->toolkitOf(a).countsUtf16)
        return d->replaceIn(a, range.location, range.location + range.length, text);
    return d->replaceIn(a, characterOffset(shown, range.location),
                        characterOffset(shown, range.location + range.length), text);
}

}  // namespace quillet
