// What the key check came to, shown after the save button of the settings and setup windows.
#include "ui/KeyStatusView.h"

#include <QHBoxLayout>
#include <QLabel>

#include "core/L10n.h"
#include "ui/Style.h"
#include "ui/SurfaceWidgets.h"

namespace quillet {

using Style::Symbol;

KeyStatusView::KeyStatusView(QWidget* parent)
    : QWidget(parent),
      m_text(Style::plainLabel(QString(), this)),
      m_symbol(new SymbolLabel(Symbol::keyFill, 14, this)),
      m_spinner(new Spinner(14, Style::withAlpha(palette().color(QPalette::WindowText), 0.7), this)) {
    setObjectName(QStringLiteral("keyStatus"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(m_spinner);
    layout->addWidget(m_symbol);
    layout->addWidget(m_text);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    m_text->setFont(Style::font(12));
    // The row's room beside the button is the message's: a longer one goes on to a second line
    // rather than off the edge.
    m_text->setWordWrap(true);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    display(KeyStatus::idle, false);
}

void KeyStatusView::display(KeyStatus status, bool keyStored, bool keyringSilent) {
    const L10n l = L10n::current();
    QColor color;
    QString text;
    Symbol symbol = Symbol::keyFill;
    switch (status) {
        case KeyStatus::idle:
            if (keyStored) {
                text = l.text(QT_TRANSLATE_NOOP("Quillet", "Key is stored in the system keyring"));
                color = Style::secondary(*this);
            } else if (keyringSilent) {
                text = l.text(QT_TRANSLATE_NOOP("Quillet", "The keyring is not answering"));
                color = Style::statusRed(*this);
                symbol = Symbol::xmarkCircleFill;
            }
            break;
        case KeyStatus::checking:
            break;
        case KeyStatus::valid:
            text = l.text(QT_TRANSLATE_NOOP("Quillet", "Key is valid"));
            color = Style::statusGreen(*this);
            symbol = Symbol::checkmarkCircleFill;
            break;
        case KeyStatus::invalid:
            text = l.text(QT_TRANSLATE_NOOP("Quillet", "Key is invalid"));
            color = Style::statusRed(*this);
            symbol = Symbol::xmarkCircleFill;
            break;
        case KeyStatus::keyringUnavailable:
            text = l.text(QT_TRANSLATE_NOOP("Quillet", "Not saved: no keyring available"));
            color = Style::statusRed(*this);
            symbol = Symbol::xmarkCircleFill;
            break;
        case KeyStatus::keyringLocked:
            text = l.text(QT_TRANSLATE_NOOP("Quillet", "Not saved: the keyring is locked"));
            color = Style::statusRed(*this);
            symbol = Symbol::xmarkCircleFill;
            break;
        case KeyStatus::notSent:
            text = l.text(
                QT_TRANSLATE_NOOP("Quillet", "Saved, but not sent over plain HTTP until you allow it below"));
            color = Style::statusOrange(*this);
            symbol = Symbol::keyFill;
            break;
    }
    m_spinner->setVisible(status == KeyStatus::checking);
    m_symbol->setVisible(!text.isEmpty());
    m_symbol->setSymbol(symbol, color);
    m_text->setVisible(!text.isEmpty());
    m_text->setText(text);
    QPalette pal = m_text->palette();
    pal.setColor(QPalette::WindowText, color);
    m_text->setPalette(pal);
    // A screen reader hears the state even while only the spinner shows it.
    setAccessibleName(status == KeyStatus::checking ? l.text(QT_TRANSLATE_NOOP("Quillet", "Checking the key"))
                                                    : text);
}

QString KeyStatusView::text() const {
    return m_text->isVisibleTo(this) ? m_text->text() : QString();
}

bool KeyStatusView::spinning() const {
    return m_spinner->isVisibleTo(this);
}

}  // namespace quillet
