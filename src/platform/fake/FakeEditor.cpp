// A text field of another application that answers the synthetic keys as real ones do: select all,
#include "platform/fake/FakeEditor.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <utility>

namespace quillet {

FakeEditor::FakeEditor(FakeAccessibility& ax, FakeKeySynth& keys, FakeClipboard& board, qint32 pid,
                       const QString& text)
    : m_ax(ax), m_board(board), m_pid(pid) {
    element = ax.makeTextField(pid, text);
    ax.setSettable(element, Property::selectedText, true);
    ax.setSettable(element, Property::selectedTextRange, true);
    m_anchor = m_caret = text.size();
    publish();
    keys.onPress = [this](const QString& key) { press(key); };
}

QString FakeEditor::text() const {
    const PropertyValue& value = FakeAccessibility::data(element).attributes.value(Property::value);
    const QString* text = std::get_if<QString>(&value);
    return text ? *text : QString();
}

TextRange FakeEditor::selection() const {
    return TextRange{std::min(m_anchor, m_caret), std::abs(m_caret - m_anchor)};
}

void FakeEditor::select(qint64 location, qint64 length) {
    m_anchor = location;
    m_caret = location + length;
    publish();
}

// Accessibility writes (a new value, a new selection) move the selection under the keys' feet.
void FakeEditor::syncFromElement() {
    const PropertyValue& value =
        FakeAccessibility::data(element).attributes.value(Property::selectedTextRange);
    const TextRange* range = std::get_if<TextRange>(&value);
    const qint64 size = text().size();
    if (range && !(*range == m_published)) {
        m_anchor = range->location;
        m_caret = range->location + range->length;
    }
    m_anchor = std::clamp<qint64>(m_anchor, 0, size);
    m_caret = std::clamp<qint64>(m_caret, 0, size);
}

void FakeEditor::publish() {
    const TextRange range = selection();
    m_published = range;
    m_ax.set(element, Property::selectedTextRange, range);
    const QString selected = text().mid(range.location, range.length);
    m_ax.set(element, Property::selectedText, selected);
    // The toolkits offer a new selection to the desktop at once and keep offering the last one
    // after it is gone.
    if (!selected.isEmpty())
        m_board.selection = copiesTerminator ? selected + QChar(u'\0') : selected;
}

qint64 FakeEditor::step(qint64 from, bool backward) const {
    const QString whole = text();
    if (movesByCodePoint) {
        if (backward)
            return from <= 0 ? 0 : from - (from >= 2 && whole.at(from - 1).isLowSurrogate() ? 2 : 1);
        return from >= whole.size() ? from : from + (whole.at(from).isHighSurrogate() ? 2 : 1);
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, whole);
    finder.setPosition(from);
    const qint64 to = backward ? finder.toPreviousBoundary() : finder.toNextBoundary();
    return to < 0 ? from : to;
}

void FakeEditor::wake() {
    frozen = false;
    for (const QString& key : std::exchange(m_queued, {}))
        press(key);
}

void FakeEditor::press(const QString& key) {
    if (frozen) {
        m_queued << key;
        return;
    }
    syncFromElement();
    const QString whole = text();
    const TextRange range = selection();
    if (key == QLatin1String("selectAll")) {
        m_anchor = 0;
        m_caret = whole.size();
    } else if (key == QLatin1String("copy")) {
        if (range.length > 0) {
            QString copied = whole.mid(range.location, range.length);
            if (copiesTerminator)
                copied += QChar(u'\0');
            if (copiesCrLf)
                copied.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            m_board.copyText(copied, m_pid);
        } else if (copiesLineWithoutSelection) {
            const qint64 start = whole.lastIndexOf(QLatin1Char('\n'), m_caret - 1) + 1;
            qint64 end = whole.indexOf(QLatin1Char('\n'), m_caret);
            if (end < 0)
                end = whole.size();
            m_board.copyText(whole.mid(start, end - start) + QLatin1Char('\n'), m_pid);
            m_anchor = m_caret = start;
        }
    } else if (key == QLatin1String("paste")) {
        if (ignoresPaste)
            return;
        const std::optional<QString> pasted = m_board.paste(m_pid);
        if (!pasted)
            return;
        m_ax.set(element, Property::value,
                 whole.left(range.location) + *pasted + whole.mid(range.location + range.length));
        m_anchor = m_caret = range.location + pasted->size();
    } else if (key == QLatin1String("selectBackward") || key == QLatin1String("selectForward")) {
        m_caret = step(m_caret, key == QLatin1String("selectBackward"));
    } else if (key == QLatin1String("caretToStart")) {
        m_anchor = m_caret = 0;
    } else if (key == QLatin1String("moveForward")) {
        m_anchor = m_caret = step(m_caret, false);
    }
    publish();
}

}  // namespace quillet
