// The settings window's content: a list of pages beside the page shown (general, server and model,
// shortcut, blocked apps, actions). Every control but the key writes to the store at once.
#include "ui/SettingsView.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/L10n.h"
#include "core/SettingsStore.h"
#include "ui/ActionsSection.h"
#include "ui/ApiKeySection.h"
#include "ui/Brand.h"
#include "ui/FormSection.h"
#include "ui/StatusSection.h"
#include "ui/Style.h"

namespace quillet {

namespace {

constexpr int kPageListWidth = 176;

QLabel* rowLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// The list of pages: plain rows, the chosen one on a tinted rounded field, as desktop settings draw it.
QString pageListStyle(const QWidget& w) {
    return QStringLiteral(
               "QListWidget { background: transparent; border: none; outline: 0; }"
               "QListWidget::item { padding: 7px 10px; margin: 1px 0; border-radius: 6px; color: %1; }"
               "QListWidget::item:hover:!selected { background: %2; }"
               "QListWidget::item:selected { background: %3; color: %1; }")
        .arg(Style::primary(w).name(), Style::withAlpha(Style::primary(w), 0.06).name(QColor::HexArgb),
             Style::withAlpha(Brand::teal(), 0.35).name(QColor::HexArgb));
}

}  // namespace

SettingsView::SettingsView(SettingsStore& store, KeyValidator validateKey, ShortcutControl shortcut,
                           QWidget* parent)
    : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("settingsView"));
    setFixedSize(width, height);
    build(std::move(validateKey), std::move(shortcut));
    refresh();
    connect(&m_store, &SettingsStore::changed, this, &SettingsView::refresh);
    connect(&m_store, &SettingsStore::savedChanged, this, [this] { refreshSaveError(L10n::current()); });
}

SettingsView::~SettingsView() = default;

void SettingsView::build(KeyValidator validateKey, ShortcutControl shortcut) {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_pageList = new QListWidget(this);
    m_pageList->setObjectName(QStringLiteral("settingsPages"));
    m_pageList->setFixedWidth(kPageListWidth);
    m_pageList->setFrameShape(QFrame::NoFrame);
    m_pageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageList->viewport()->setAutoFillBackground(false);
    m_pageList->setFont(Style::font(13));
    for (int i = 0; i < pageCount; ++i)
        m_pageList->addItem(QString());
    auto* listColumn = new QVBoxLayout;
    listColumn->setContentsMargins(10, 12, 6, 12);
    listColumn->addWidget(m_pageList);
    outer->addLayout(listColumn);

    auto* divider = new Hairline(this);
    divider->setFixedSize(1, QWIDGETSIZE_MAX);
    divider->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    outer->addWidget(divider);

    // Above every page: a change that could not be saved is said whichever page is shown.
    auto* content = new QVBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(0);
    m_saveError = Style::plainLabel(QString(), this);
    m_saveError->setObjectName(QStringLiteral("saveError"));
    m_saveError->setWordWrap(true);
    m_saveError->setContentsMargins(16, 12, 16, 0);
    m_saveError->hide();
    content->addWidget(m_saveError);
    m_pages = new QStackedWidget(this);
    content->addWidget(m_pages, 1);
    outer->addLayout(content, 1);
    connect(m_pageList, &QListWidget::currentRowChanged, m_pages, &QStackedWidget::setCurrentIndex);

    m_generalLayout = addPage();
    m_behaviorSection = new FormSection;
    m_generalLayout->addWidget(buildGeneralSection());

    m_server = new ServerSection(m_store, std::move(validateKey));
    addPage()->addWidget(m_server);

    m_shortcutSection = new FormSection;
    m_shortcut = new ShortcutRow(m_store, std::move(shortcut));
    m_shortcutSection->addRow(m_shortcut);
    addPage()->addWidget(m_shortcutSection);

    m_blocklist = new BlocklistSection(m_store);
    addPage()->addWidget(m_blocklist);

    m_actionsSection = new ActionsSection(m_store);
    addPage()->addWidget(m_actionsSection);

    for (int i = 0; i < m_pages->count(); ++i)
        static_cast<QVBoxLayout*>(pageArea(Page(i))->widget()->layout())->addStretch(1);
    m_pageList->setCurrentRow(0);
}

// A page in an area that scrolls only when its content outgrows the window (a long block list).
QVBoxLayout* SettingsView::addPage() {
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(12);
    area->setWidget(page);
    page->setAutoFillBackground(false);
    m_pages->addWidget(area);
    return layout;
}

QWidget* SettingsView::buildGeneralSection() {
    m_languageLabel = rowLabel(this);
    m_languagePicker = new QComboBox(this);
    m_languagePicker->setObjectName(QStringLiteral("languagePicker"));
    for (const AppLanguage& lang : AppLanguages::allCases())
        m_languagePicker->addItem(AppLanguages::displayName(lang));
    m_languageLabel->setBuddy(m_languagePicker);
    connect(m_languagePicker, &QComboBox::activated, this, [this](int index) {
        const QList<AppLanguage> all = AppLanguages::allCases();
        if (index >= 0 && index < all.size())
            m_store.setLanguage(all[index]);
    });
    m_behaviorSection->addRow(FormSection::makeRow(m_languageLabel, {m_languagePicker}));

    m_wordsLabel = rowLabel(this);
    m_wordsStepper = new QSpinBox(this);
    m_wordsStepper->setObjectName(QStringLiteral("minWordsStepper"));
    m_wordsStepper->setRange(minWords, maxWords);
    m_wordsStepper->setSingleStep(1);
    m_wordsStepper->setKeyboardTracking(false);
    m_wordsStepper->setMinimumWidth(64);
    m_wordsLabel->setBuddy(m_wordsStepper);
    connect(m_wordsStepper, &QSpinBox::valueChanged, this,
            [this](int value) { m_store.setMinWordCount(value); });
    m_behaviorSection->addRow(FormSection::makeRow(m_wordsLabel, {m_wordsStepper}));

    m_loginLabel = rowLabel(this);
    m_loginSwitch = new ToggleSwitch(this);
    m_loginSwitch->setObjectName(QStringLiteral("launchAtLoginSwitch"));
    m_loginLabel->setBuddy(m_loginSwitch);
    connect(m_loginSwitch, &QCheckBox::clicked, this, [this](bool on) { m_store.setLaunchAtLogin(on); });
    m_behaviorSection->addRow(FormSection::makeRow(m_loginLabel, {m_loginSwitch}));
    return m_behaviorSection;
}

void SettingsView::setTrayState(TrayState state) {
    if (m_statusSection) {
        m_generalLayout->removeWidget(m_statusSection);
        m_statusSection->deleteLater();
    }
    m_statusSection = new StatusSection(std::move(state));
    m_statusSection->hide();
    // First of all: without a tray, this is where the menu's commands are.
    m_generalLayout->insertWidget(0, m_statusSection);
}

void SettingsView::setTrayMissing(bool missing) {
    if (!m_statusSection)
        return;
    m_statusSection->setVisible(missing);
    if (missing) {
        m_statusSection->refresh();
        showPage(Page::general);
    }
}

void SettingsView::refreshStatus() {
    if (m_statusSection && !m_statusSection->isHidden())
        m_statusSection->refresh();
}

void SettingsView::setApplicationDirectory(ApplicationDirectory directory) {
    m_blocklist->setApplicationDirectory(std::move(directory));
}

void SettingsView::setModelLister(ModelLister lister) {
    m_server->setModelLister(std::move(lister));
}

void SettingsView::refreshModels() {
    m_server->refreshModels();
}

void SettingsView::showPage(Page page) {
    m_pageList->setCurrentRow(static_cast<int>(page));
}

SettingsView::Page SettingsView::page() const {
    return Page(m_pages->currentIndex());
}

QScrollArea* SettingsView::pageArea(Page page) const {
    return static_cast<QScrollArea*>(m_pages->widget(static_cast<int>(page)));
}

KeyStatus SettingsView::keyStatus() const {
    return m_server->apiKey().keyStatus();
}

QString SettingsView::apiKeyInput() const {
    return m_server->apiKey().input();
}

QString SettingsView::newBlockedApp() const {
    return m_blocklist->newEntry();
}

void SettingsView::saveAndValidate() {
    m_server->apiKey().saveAndValidate();
}

void SettingsView::addBlockedApp() {
    m_blocklist->add();
}

void SettingsView::removeBlockedApp(const QString& appId) {
    m_blocklist->remove(appId);
}

void SettingsView::changeShortcut(const std::optional<Shortcut>& shortcut) {
    m_shortcut->change(shortcut);
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // What was typed and left unsaved last time is gone.
    m_server->clearEdits();
    refresh();
}

void SettingsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Status colours are worked out from the palette: a new palette needs them again.
    if (event->type() == QEvent::PaletteChange) {
        m_blocklist->refresh(true);
        refresh();
    }
}

void SettingsView::refreshPageNames(const L10n& l) {
    const QStringList names = {
        l.text(QT_TRANSLATE_NOOP("Quillet", "General")),
        l.text(QT_TRANSLATE_NOOP("Quillet", "Server and model")),
        l.text(QT_TRANSLATE_NOOP("Quillet", "Shortcut")),
        l.text(QT_TRANSLATE_NOOP("Quillet", "Blocked apps")),
        l.text(QT_TRANSLATE_NOOP("Quillet", "Actions")),
    };
    for (int i = 0; i < pageCount; ++i)
        m_pageList->item(i)->setText(names[i]);
    m_pageList->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Settings pages")));
    m_pageList->setStyleSheet(pageListStyle(*this));
}

void SettingsView::refresh() {
    const L10n l = L10n::current();
    refreshPageNames(l);
    m_server->refresh();

    m_behaviorSection->setTitle(l.text(QT_TRANSLATE_NOOP("Quillet", "Behavior")));
    m_languageLabel->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Language")));
    m_languagePicker->setAccessibleName(m_languageLabel->text());
    {
        const QSignalBlocker block(m_languagePicker);
        m_languagePicker->setCurrentIndex(
            static_cast<int>(AppLanguages::allCases().indexOf(m_store.language())));
    }
    const QString wordsText = l.text(QT_TRANSLATE_NOOP("Quillet", "Min. words to show the icon"));
    m_wordsLabel->setText(wordsText + QStringLiteral(": ") + QString::number(m_store.minWordCount()));
    m_wordsStepper->setAccessibleName(wordsText);
    {
        const QSignalBlocker block(m_wordsStepper);
        m_wordsStepper->setValue(
            static_cast<int>(std::clamp<qint64>(m_store.minWordCount(), minWords, maxWords)));
    }
    m_loginLabel->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Launch at login")));
    m_loginSwitch->setAccessibleName(m_loginLabel->text());
    {
        const QSignalBlocker block(m_loginSwitch);
        m_loginSwitch->setChecked(m_store.launchAtLogin());
    }

    m_shortcutSection->setTitle(l.text(QT_TRANSLATE_NOOP("Quillet", "Shortcut")));
    m_shortcut->refresh(l);
    m_blocklist->refresh();
    m_actionsSection->refresh();
    refreshStatus();
    refreshSaveError(l);
}

void SettingsView::refreshSaveError(const L10n& l) {
    m_saveError->setVisible(!m_store.saved());
    if (m_store.saved())
        return;
    m_saveError->setText(
        l.text(QT_TRANSLATE_NOOP("Quillet",
                                 "Could not save this change: %1 cannot be written. Check that "
                                 "the disk is not full and the folder can be written to."))
            .arg(m_store.location()));
    QPalette red = m_saveError->palette();
    red.setColor(QPalette::WindowText, Style::statusRed(*this));
    m_saveError->setPalette(red);
}

}  // namespace quillet
