// A masked field that keeps its secret apart from the text the widget shows and announces.
#include "ui/SecretField.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>

#include "core/L10n.h"

namespace quillet {

namespace {

// Whether a key press types its text, as a line edit would take it.
bool types(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text.front();
    if (c.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse ||
           (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// A key is one line: a paste of several keeps the first.
QString firstLine(const QString& text) {
    QString line = text.section(u'\n', 0, 0);
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

}  // namespace

SecretField::SecretField(QWidget* parent) : QLineEdit(parent) {
    setEchoMode(QLineEdit::Password);
    setDragEnabled(false);
    setAcceptDrops(false);
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase);
    // Whatever the line edit removes by itself (Backspace, Delete, a selection typed over, a word),
    // the secret loses at the same place.
    connect(this, &QLineEdit::textChanged, this, &SecretField::follow);
}

void SecretField::clearSecret() {
    m_secret.clear();
    clear();
}

void SecretField::insertSecret(const QString& text) {
    if (text.isEmpty())
        return;
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int removed = hasSelectedText() ? int(selectedText().size()) : 0;
    m_secret.replace(start, removed, text);
    m_inserting = true;
    insert(QString(text.size(), QChar(mask)));
    m_inserting = false;
}

void SecretField::follow() {
    if (m_inserting)
        return;
    const qsizetype shown = text().size();
    if (shown < m_secret.size()) {
        // A deletion leaves the cursor where the removed run began.
        m_secret.remove(cursorPosition(), m_secret.size() - shown);
    } else if (shown > m_secret.size() ||
               std::any_of(text().cbegin(), text().cend(), [](QChar c) { return c != QChar(mask); })) {
        // Nothing reaches the field but through insertSecret(); anything else starts it afresh.
        m_secret.clear();
        QSignalBlocker block(this);
        clear();
    }
}

void SecretField::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        insertSecret(firstLine(QGuiApplication::clipboard()->text()));
        event->accept();
        return;
    }
    // Undoing would bring back masks without what they stood for.
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        event->accept();
        return;
    }
    if (types(event)) {
        insertSecret(event->text());
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SecretField::inputMethodEvent(QInputMethodEvent* event) {
    // Only what is committed counts; a composition under way is never shown.
    insertSecret(event->commitString());
    event->accept();
}

void SecretField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        insertSecret(firstLine(QGuiApplication::clipboard()->text(QClipboard::Selection)));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void SecretField::contextMenuEvent(QContextMenuEvent* event) {
    // The line edit's own menu pastes past the mask, and its Undo brings back masks alone.
    const L10n l = L10n::current();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* paste = menu->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Paste")), this, [this] {
        insertSecret(firstLine(QGuiApplication::clipboard()->text()));
    });
    paste->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    QAction* clearAll =
        menu->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Clear")), this, &SecretField::clearSecret);
    clearAll->setEnabled(!m_secret.isEmpty());
    menu->popup(event->globalPos());
    event->accept();
}

}  // namespace quillet
