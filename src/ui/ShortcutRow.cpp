// The settings' global shortcut row: the recorder and its Clear button, why a combination was
// refused or could not be taken, and where the desktop holds the shortcut, the steps to bind it there.
#include "ui/ShortcutRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/HotkeyManager.h"
#include "core/SettingsStore.h"
#include "ui/ShortcutRecorder.h"
#include "ui/Style.h"

namespace quillet {

ShortcutRow::ShortcutRow(SettingsStore& store, Control control, QWidget* parent)
    : QWidget(parent), m_store(store), m_control(std::move(control)) {
    m_label = new QLabel(this);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    m_recorder = new ShortcutRecorder(this);
    m_label->setBuddy(m_recorder);
    m_clear = new QPushButton(this);
    m_clear->setObjectName(QStringLiteral("shortcutClearButton"));
    m_unavailable = new QLabel(this);
    m_unavailable->setObjectName(QStringLiteral("shortcutUnavailable"));
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("shortcutError"));
    m_error->setWordWrap(true);
    m_error->hide();
    m_steps = Style::plainLabel(QString(), this);
    m_steps->setObjectName(QStringLiteral("shortcutSteps"));
    m_steps->setWordWrap(true);
    // The command is there to be copied into the desktop's settings.
    m_steps->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_steps->hide();

    connect(m_recorder, &ShortcutRecorder::recordingChanged, this, [this](bool recording) {
        if (recording)
            m_error->hide();
        if (m_control.suspend)
            m_control.suspend(recording);
    });
    connect(m_recorder, &ShortcutRecorder::recorded, this,
            [this](const Shortcut& shortcut) { change(shortcut); });
    connect(m_recorder, &ShortcutRecorder::refused, this,
            [this](ShortcutRecorder::Refusal why, const std::optional<Shortcut>& pressed) {
                const L10n l = L10n::current();
                if (why == ShortcutRecorder::Refusal::needsModifier && pressed) {
                    showError(l.text(QT_TRANSLATE_NOOP(
                                         "Quillet",
                                         "Use Ctrl, Alt or Super with %1: alone it would stop working "
                                         "in every other program."))
                                  .arg(pressed->text()));
                } else {
                    showError(l.text(QT_TRANSLATE_NOOP("Quillet", "This key cannot be part of a shortcut.")));
                }
            });
    connect(m_clear, &QPushButton::clicked, this, [this] { change(std::nullopt); });

    // The reason for a refusal and the desktop's steps go under the recorder: the row grows down.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 5, 10, 5);
    row->setSpacing(8);
    row->addWidget(m_label, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    line->addStretch(1);
    line->addWidget(m_unavailable);
    line->addWidget(m_recorder);
    line->addWidget(m_clear);
    column->addLayout(line);
    column->addWidget(m_error);
    column->addWidget(m_steps);
    row->addLayout(column, 1);
    setMinimumHeight(34);
    m_label->setMinimumHeight(m_recorder->sizeHint().height());
}

ShortcutRow::~ShortcutRow() {
    if (m_recorder->isRecording())
        m_recorder->cancelRecording();
}

void ShortcutRow::change(const std::optional<Shortcut>& shortcut) {
    m_error->hide();
    if (m_control.change) {
        if (const std::optional<GrabError> failure = m_control.change(shortcut)) {
            showError(HotkeyManager::describe(*failure, *shortcut, L10n::current()));
            return;
        }
    } else {
        m_store.setGlobalShortcut(shortcut ? shortcut->text() : QString());
    }
    refresh(L10n::current());
}

void ShortcutRow::showError(const QString& text) {
    m_error->setText(text);
    m_error->show();
}

void ShortcutRow::refresh(const L10n& l) {
    m_label->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Global shortcut")));
    const std::optional<Shortcut> shortcut = Shortcut::inEffect(m_store.globalShortcut());
    m_recorder->setShortcut(shortcut);
    m_recorder->retranslate();
    Style::setButtonText(*m_clear, l.text(QT_TRANSLATE_NOOP("Quillet", "Clear")));
    m_clear->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Clear the global shortcut")));
    m_clear->setEnabled(shortcut.has_value());

    const std::optional<GrabError> failure =
        shortcut && m_control.startupFailure ? m_control.startupFailure() : std::nullopt;
    const QString reason = failure ? HotkeyManager::describe(*failure, *shortcut, l) : QString();
    m_unavailable->setVisible(failure.has_value());
    m_unavailable->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Unavailable")));
    m_unavailable->setToolTip(reason);
    m_unavailable->setAccessibleName(m_unavailable->text());
    m_unavailable->setAccessibleDescription(reason);
    QPalette pal = m_unavailable->palette();
    pal.setColor(QPalette::WindowText, Style::statusRed(*this));
    m_unavailable->setPalette(pal);
    m_error->setPalette(pal);
    QFont f = m_recorder->font();
    f.setStrikeOut(failure.has_value());
    m_recorder->setFont(f);

    // Where the desktop holds the shortcut, the steps to bind it there; none: the recorder.
    const QStringList steps = m_control.desktopSteps ? m_control.desktopSteps(l) : QStringList();
    const bool desktopHolds = !steps.isEmpty();
    const QStringList note =
        !desktopHolds && m_control.desktopNote ? m_control.desktopNote(l) : QStringList();
    if (desktopHolds)
        m_unavailable->hide();
    m_steps->setText((desktopHolds ? steps : note).join(QLatin1Char('\n')));
    m_steps->setVisible(desktopHolds || !note.isEmpty());
    m_recorder->setVisible(!desktopHolds);
    m_clear->setVisible(!desktopHolds);
}

}  // namespace quillet
