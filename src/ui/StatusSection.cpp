// What the tray menu offers, as a section of the settings window for desktops without a tray.
#include "ui/StatusSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Pause.h"

namespace quillet {

StatusSection::StatusSection(TrayState state, QWidget* parent)
    : FormSection(parent), m_tray(std::move(state)) {
    setObjectName(QStringLiteral("statusSection"));

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("statusLine"));
    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("pauseButton"));
    auto* choices = new QMenu(m_pause);
    m_pause->setMenu(choices);
    connect(choices, &QMenu::aboutToShow, this, [this, choices] {
        const L10n l = L10n::current();
        choices->clear();
        auto pause = [this](std::optional<qint64> seconds) {
            return [this, seconds] {
                Q_EMIT pauseChosen(seconds);
                refresh();
            };
        };
        choices->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "For 15 minutes")), this,
                           pause(Pause::shortPause));
        choices->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "For 1 hour")), this, pause(Pause::longPause));
        choices->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Until restart")), this, pause(std::nullopt));
    });
    m_resume = new QPushButton(this);
    m_resume->setObjectName(QStringLiteral("resumeButton"));
    connect(m_resume, &QPushButton::clicked, this, [this] {
        Q_EMIT resumeChosen();
        refresh();
    });
    addRow(makeRow(m_state, {m_pause, m_resume}));

    m_block = new QPushButton(this);
    m_block->setObjectName(QStringLiteral("blockApplicationButton"));
    connect(m_block, &QPushButton::clicked, this, [this] {
        Q_EMIT blockChosen();
        refresh();
    });
    m_blockRow = makeRow(m_block, {});
    addRow(m_blockRow);

    m_historyLabel = new QLabel(this);
    m_historyBox = new QWidget(this);
    m_historyLayout = new QVBoxLayout(m_historyBox);
    m_historyLayout->setContentsMargins(0, 0, 0, 0);
    m_historyLayout->setSpacing(0);
    {
        auto* row = new QWidget;
        auto* column = new QVBoxLayout(row);
        column->setContentsMargins(12, 6, 10, 4);
        column->setSpacing(2);
        column->addWidget(m_historyLabel);
        column->addWidget(m_historyBox);
        addRow(row);
    }

    m_setup = new QPushButton(this);
    m_setup->setObjectName(QStringLiteral("setupAgainButton"));
    connect(m_setup, &QPushButton::clicked, this, &StatusSection::setupChosen);
    m_quit = new QPushButton(this);
    m_quit->setObjectName(QStringLiteral("quitButton"));
    connect(m_quit, &QPushButton::clicked, this, &StatusSection::quitChosen);
    addRow(makeRow(m_setup, {m_quit}));
    refresh();
}

void StatusSection::refresh() {
    const L10n l = L10n::current();
    const bool paused = m_tray.isPaused && m_tray.isPaused();
    setTitle(QStringLiteral("Quillet"));
    m_state->setText(paused ? l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet — paused"))
                            : l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet — active")));
    Style::setButtonText(*m_pause, l.text(QT_TRANSLATE_NOOP("Quillet", "Pause")));
    Style::setButtonText(*m_resume, l.text(QT_TRANSLATE_NOOP("Quillet", "Resume")));
    m_pause->setVisible(!paused);
    m_resume->setVisible(paused);

    const std::optional<QString> candidate = m_tray.blockCandidate ? m_tray.blockCandidate() : std::nullopt;
    if (candidate)
        Style::setButtonText(*m_block, l.text(QT_TRANSLATE_NOOP("Quillet", "Block %1")).arg(*candidate));
    m_blockRow->setVisible(candidate.has_value());
    updateHairlines();

    m_historyLabel->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "History")));
    refreshHistory(m_tray.historyTitles ? m_tray.historyTitles() : QStringList());

    Style::setButtonText(*m_setup, l.text(QT_TRANSLATE_NOOP("Quillet", "Run setup again…")));
    Style::setButtonText(*m_quit, l.text(QT_TRANSLATE_NOOP("Quillet", "Quit Quillet")));
}

void StatusSection::refreshHistory(const QStringList& titles) {
    const L10n l = L10n::current();
    if (titles == m_shownHistory && m_historyLanguage == l.lang)
        return;
    m_shownHistory = titles;
    m_historyLanguage = l.lang;
    // Later, not now: the copy button that led here may be one of them.
    while (QLayoutItem* item = m_historyLayout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    if (titles.isEmpty()) {
        auto* none = new QLabel(l.text(QT_TRANSLATE_NOOP("Quillet", "No corrections this session")));
        QPalette pal = none->palette();
        pal.setColor(QPalette::WindowText, Style::secondary(*this));
        none->setPalette(pal);
        m_historyLayout->addWidget(none);
        return;
    }
    for (int i = 0; i < titles.size(); ++i) {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(8);
        auto* title = new QLabel(titles[i]);
        title->setTextFormat(Qt::PlainText);
        title->setMinimumWidth(0);
        title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* copy = new QPushButton;
        copy->setObjectName(QStringLiteral("copyHistoryEntry"));
        copy->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Copy")));
        copy->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Copy %1")).arg(titles[i]));
        copy->setToolTip(l.text(QT_TRANSLATE_NOOP("Quillet", "Puts the replacement on the clipboard")));
        connect(copy, &QPushButton::clicked, this, [this, i] { Q_EMIT historyEntryChosen(i); });
        h->addWidget(title, 1);
        h->addWidget(copy);
        m_historyLayout->addWidget(row);
    }
}

}  // namespace quillet
