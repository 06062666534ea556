// The AT-SPI layer's text: a field's text, selection and caret read and written, offsets converted
// between the toolkits' units and the program's UTF-16.
#include "platform/linux/atspi/AtspiAccessibilityImpl.h"

#include <algorithm>

#include "platform/linux/atspi/AtspiRoles.h"
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
    const AccessError answered = hung.guard(bus, [&] {
        name.reset(atspi_accessible_get_toolkit_name(application.get(), nullptr));
        // GTK's version tells 3 from 4; no other toolkit's is needed.
        if (name && is("gtk"))
            version.reset(atspi_accessible_get_toolkit_version(application.get(), nullptr));
        return name && (version || !is("gtk")) ? AccessError::success : AccessError::cannotComplete;
    });
    if (answered != AccessError::success)
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

std::optional<QString> readText(AtspiAccessible* a, AccessError& err, int start = 0, int end = -1) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text) {
        err = AccessError::unsupported;
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
std::optional<std::pair<int, int>> selectionOf(AtspiText* text, AccessError& err) {
    GErrorHolder error;
    const int n = atspi_text_get_n_selections(text, &error);
    if (error) {
        err = errorOf(error.error);
        return std::nullopt;
    }
    if (n <= 0) {
        err = AccessError::noValue;
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
std::optional<std::pair<int, int>> selectionOrCaret(AtspiText* text, AccessError& err, AccessError noCaret) {
    std::optional<std::pair<int, int>> sel = selectionOf(text, err);
    if (sel || err != AccessError::noValue)
        return sel;
    GErrorHolder error;
    const int caret = atspi_text_get_caret_offset(text, &error);
    if (error || caret < 0) {
        err = error ? errorOf(error.error) : noCaret;
        return std::nullopt;
    }
    return std::pair<int, int>{caret, caret};
}

// A number the text interface answers in one call (the character count, the caret).
AccessError textNumber(AtspiAccessible* a, gint (*ask)(AtspiText*, GError**), qint64& out) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text)
        return AccessError::unsupported;
    GErrorHolder error;
    const int n = ask(text.get(), &error);
    if (error)
        return errorOf(error.error);
    if (n < 0)
        return AccessError::noValue;
    out = n;
    return AccessError::success;
}

// The characters from `sel.first` to `sel.second` of `shown` as the program counts them.
TextRange unitsOf(const QString& shown, std::pair<int, int> sel) {
    const qint64 start = utf16Offset(shown, sel.first);
    return TextRange{start, utf16Offset(shown, sel.second) - start};
}

}  // namespace

Answer<QString> AtspiAccessibility::role(const Accessible& element) {
    return d->answer<QString>(element, [this](AtspiAccessible* a, QString& out) {
        GErrorHolder error;
        const AtspiRole role = atspi_accessible_get_role(a, &error);
        if (error)
            return errorOf(error.error);
        // A page's editing host (a section, a div) is a text area; Chromium's offers no
        // EditableText, so the role is all that tells it is written in.
        out = AtspiRoles::nameOf(a, role);
        if (!out.startsWith(QLatin1String("AX")) && d->isEditingHost(a))
            out = QStringLiteral("AXTextArea");
        return AccessError::success;
    });
}

Answer<QString> AtspiAccessibility::text(const Accessible& field) {
    return d->answer<QString>(field, [this](AtspiAccessible* a, QString& out) {
        if (d->isHypertextHost(a))
            return d->readHypertext(a, Property::value, out);
        AccessError err = AccessError::success;
        std::optional<QString> text = readText(a, err);
        if (!text)
            return err;
        out = withoutPadding(d->textOf(a, *text));
        return AccessError::success;
    });
}

// One small answer each, whatever the text's length: what the focus monitor reads on every tick.
Answer<qint64> AtspiAccessibility::characterCount(const Accessible& field) {
    return d->answer<qint64>(field, [this](AtspiAccessible* a, qint64& out) {
        if (d->isHypertextHost(a))
            return d->readHypertext(a, Property::numberOfCharacters, out);
        return textNumber(a, atspi_text_get_character_count, out);
    });
}

Answer<qint64> AtspiAccessibility::caretOffset(const Accessible& field) {
    return d->answer<qint64>(field, [this](AtspiAccessible* a, qint64& out) {
        if (d->isHypertextHost(a))
            return d->readHypertext(a, Property::caretOffset, out);
        return textNumber(a, atspi_text_get_caret_offset, out);
    });
}

Answer<QString> AtspiAccessibility::textNearCaret(const Accessible& field) {
    return d->answer<QString>(field, [this](AtspiAccessible* a, QString& out) {
        if (d->isHypertextHost(a))
            return d->readHypertext(a, Property::textNearCaret, out);
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AccessError::unsupported;
        GErrorHolder error;
        const int count = atspi_text_get_character_count(text.get(), &error);
        const int caret = error ? -1 : atspi_text_get_caret_offset(text.get(), &error);
        if (error)
            return errorOf(error.error);
        if (count < 0)
            return AccessError::noValue;
        const int at = std::clamp(caret, 0, count);
        const int start = int(std::max<qint64>(0, at - nearCaretSpan));
        const int end = int(std::min<qint64>(count, at + nearCaretSpan));
        out = QString();
        if (start == end)
            return AccessError::success;
        AccessError err = AccessError::success;
        std::optional<QString> part = readText(a, err, start, end);
        if (!part)
            return err;
        out = *part;
        return AccessError::success;
    });
}

Answer<QString> AtspiAccessibility::selectedText(const Accessible& field) {
    return d->answer<QString>(field, [this](AtspiAccessible* a, QString& out) {
        if (d->isHypertextHost(a))
            return d->readHypertext(a, Property::selectedText, out);
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AccessError::unsupported;
        AccessError err = AccessError::success;
        const std::optional<std::pair<int, int>> sel = selectionOf(text.get(), err);
        if (!sel)
            return err;
        out = QString();
        if (sel->first == sel->second)
            return AccessError::success;
        if (d->showsExtraFinalBreak(a)) {
            // A selection up to the end takes in the extra line break: cut from the text itself.
            std::optional<QString> whole = readText(a, err);
            if (!whole)
                return err;
            const QString shown = d->textOf(a, *whole);
            const TextRange range = unitsOf(shown, *sel);
            out = withoutPadding(shown).mid(range.location, range.length);
            return AccessError::success;
        }
        std::optional<QString> part = readText(a, err, sel->first, sel->second);
        if (!part)
            return err;
        out = withoutPadding(*part);
        return AccessError::success;
    });
}

Answer<TextRange> AtspiAccessibility::selection(const Accessible& field) {
    return d->answer<TextRange>(field, [this](AtspiAccessible* a, TextRange& out) {
        if (d->isHypertextHost(a))
            return d->readHypertext(a, Property::selectedTextRange, out);
        GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
        if (!text)
            return AccessError::unsupported;
        AccessError err = AccessError::success;
        const std::optional<std::pair<int, int>> sel =
            selectionOrCaret(text.get(), err, AccessError::noValue);
        if (!sel)
            return err;
        std::optional<QString> whole = readText(a, err);
        if (!whole)
            return err;
        out = d->toolkitOf(a).countsUtf16 ? TextRange{sel->first, sel->second - sel->first}
                                          : unitsOf(d->textOf(a, *whole), *sel);
        return AccessError::success;
    });
}

bool AtspiAccessibility::isRichText(const Accessible& field) {
    bool rich = false;
    d->answer<bool>(field, [this, &rich](AtspiAccessible* a, bool&) {
        rich = d->isRichText(a);
        return AccessError::success;
    });
    return rich;
}

bool AtspiAccessibility::hidesSelection(const Accessible& field) {
    bool hides = false;
    d->answer<bool>(field, [this, &hides](AtspiAccessible* a, bool&) {
        // Qt's WebEngine reads every selection and caret of a page's text as none.
        hides = !d->toolkitOf(a).web && d->isOnWebPage(a);
        return AccessError::success;
    });
    return hides;
}

AccessError AtspiAccessibility::setText(const Accessible& field, const QString& text) {
    return d->ask(
        field, [&] { return writeTextNow(field, text, true); }, [] { return AccessError::illegalArgument; });
}

AccessError AtspiAccessibility::replaceSelection(const Accessible& field, const QString& text) {
    return d->ask(
        field, [&] { return writeTextNow(field, text, false); }, [] { return AccessError::illegalArgument; });
}

AccessError AtspiAccessibility::writeTextNow(const Accessible& field, const QString& text, bool whole) {
    AtspiAccessible* a = accessibleOf(field);
    AccessError err = AccessError::success;
    GErrorHolder error;
    if (!hasState(a, ATSPI_STATE_EDITABLE))
        return AccessError::unsupported;
    if (d->isHypertextHost(a)) {
        // Only within the one object that holds the range: set_text_contents or an edit of
        // the host's own text would take whole paragraphs with it.
        TextRange range;
        if (whole) {
            qint64 length = 0;
            if (d->readHypertext(a, Property::numberOfCharacters, length) != AccessError::success)
                return AccessError::cannotComplete;
            range = TextRange{0, length};
        } else if (const AccessError read = d->readHypertext(a, Property::selectedTextRange, range);
                   read != AccessError::success) {
            return read == AccessError::noValue ? AccessError::cannotComplete : read;
        }
        return d->replaceHypertext(a, range, text);
    }
    GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(a));
    if (!editable)
        return AccessError::unsupported;
    const QByteArray utf8 = text.toUtf8();
    if (whole) {
        if (!atspi_editable_text_set_text_contents(editable.get(), utf8.constData(), &error) || error)
            return errorOf(error.error);
        return AccessError::success;
    }
    GRef<AtspiText> textIface(atspi_accessible_get_text_iface(a));
    if (!textIface)
        return AccessError::unsupported;
    const std::optional<std::pair<int, int>> sel =
        selectionOrCaret(textIface.get(), err, AccessError::cannotComplete);
    if (!sel)
        return err;
    if (sel->first != sel->second &&
        (!atspi_editable_text_delete_text(editable.get(), sel->first, sel->second, &error) || error))
        return errorOf(error.error);
    // The length is in bytes for GTK and at least the character count for most others.
    const int length = d->toolkitOf(a).countsUtf16 ? int(text.size()) : int(utf8.size());
    if (!utf8.isEmpty() &&
        (!atspi_editable_text_insert_text(editable.get(), sel->first, utf8.constData(), length, &error) ||
         error))
        return errorOf(error.error);
    return AccessError::success;
}

AccessError AtspiAccessibility::select(const Accessible& field, const TextRange& range) {
    if (range.location < 0 || range.length < 0)
        return AccessError::illegalArgument;
    return d->ask(
        field, [&] { return selectNow(field, range); }, [] { return AccessError::illegalArgument; });
}

AccessError AtspiAccessibility::selectNow(const Accessible& field, const TextRange& range) {
    AtspiAccessible* a = accessibleOf(field);
    AccessError err = AccessError::success;
    GErrorHolder error;
    if (d->isHypertextHost(a))
        return d->selectHypertextRange(a, range);
    GRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text)
        return AccessError::unsupported;
    std::optional<QString> whole = readText(a, err);
    if (!whole)
        return err;
    const bool utf16 = d->toolkitOf(a).countsUtf16;
    const int start = int(utf16 ? range.location : characterOffset(*whole, range.location));
    const int end =
        int(utf16 ? range.location + range.length : characterOffset(*whole, range.location + range.length));
    const int n = atspi_text_get_n_selections(text.get(), &error);
    if (error)
        return errorOf(error.error);
    if (start == end) {
        for (int i = n - 1; i >= 0; --i)
            atspi_text_remove_selection(text.get(), i, nullptr);
        if (!atspi_text_set_caret_offset(text.get(), start, &error) || error)
            return errorOf(error.error);
        return AccessError::success;
    }
    const gboolean ok = n > 0 ? atspi_text_set_selection(text.get(), 0, start, end, &error)
                              : atspi_text_add_selection(text.get(), start, end, &error);
    if (!ok || error)
        return errorOf(error.error);
    return AccessError::success;
}

AccessError AtspiAccessibility::replaceTextNow(const Accessible& element, const TextRange& range,
                                               const QString& text) {
    AtspiAccessible* a = accessibleOf(element);
    if (range.location < 0 || range.length < 0)
        return AccessError::illegalArgument;
    if (d->isHypertextHost(a))
        return d->replaceHypertext(a, range, text);
    if (!AtspiRoles::isEditableText(a))
        return AccessError::unsupported;
    AccessError err = AccessError::success;
    std::optional<QString> whole = readText(a, err);
    if (!whole)
        return err;
    const QString shown = d->textOf(a, *whole);
    if (range.location + range.length > withoutPadding(shown).size())
        return AccessError::illegalArgument;
    if (d->toolkitOf(a).countsUtf16)
        return d->replaceIn(a, range.location, range.location + range.length, text);
    return d->replaceIn(a, characterOffset(shown, range.location),
                        characterOffset(shown, range.location + range.length), text);
}

}  // namespace quillet
