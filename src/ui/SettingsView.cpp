// The settings form: the API key and its check, model, server, language, word threshold, start at
#include "ui/SettingsView.h"

#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/HotkeyManager.h"
#include "core/L10n.h"
#include "core/ModelServers.h"
#include "core/SettingsStore.h"
#include "ui/ActionsSection.h"
#include "ui/ApiKeySection.h"
#include "ui/FormSection.h"
#include "ui/ShortcutRecorder.h"
#include "ui/StatusSection.h"
#include "ui/Style.h"

namespace quillet {

namespace {

QLabel* rowLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// The completion list shows an application's name beside its identifier and matches either;
// choosing one puts the identifier into the field.
constexpr int kIdentifierRole = Qt::UserRole + 1;
constexpr int kSearchRole = Qt::UserRole + 2;
class IdentifierCompleter final : public QCompleter {
public:
    using QCompleter::QCompleter;
    QString pathFromIndex(const QModelIndex& index) const override {
        return index.data(kIdentifierRole).toString();
    }
};

}  // namespace

SettingsView::SettingsView(SettingsStore& store, KeyValidator validateKey, ShortcutControl shortcut,
                           QWidget* parent)
    : QWidget(parent), m_store(store), m_shortcutControl(std::move(shortcut)) {
    setObjectName(QStringLiteral("settingsView"));
    setFixedSize(width, height);
    build(std::move(validateKey));
    refresh();
    connect(&m_store, &SettingsStore::changed, this, &SettingsView::refresh);
}

SettingsView::~SettingsView() {
    // A recording in progress holds the keyboard and the suspended shortcut: give both back.
    if (m_shortcutRecorder->isRecording())
        m_shortcutRecorder->cancelRecording();
}

void SettingsView::setTrayCommands(TrayCommands commands) {
    if (m_statusSection) {
        m_formLayout->removeWidget(m_statusSection);
        m_statusSection->deleteLater();
    }
    m_statusSection = new StatusSection(std::move(commands), m_apiSection->parentWidget());
    m_statusSection->hide();
    m_formLayout->insertWidget(0, m_statusSection);
}

void SettingsView::setTrayMissing(bool missing) {
    if (!m_statusSection)
        return;
    m_statusSection->setVisible(missing);
    if (missing)
        m_statusSection->refresh();
}

void SettingsView::refreshStatus() {
    if (m_statusSection && m_statusSection->isVisibleTo(this))
        m_statusSection->refresh();
}

void SettingsView::setApplicationDirectory(ApplicationDirectory directory) {
    m_applications = std::move(directory);
    m_blocklistLanguage.reset();
    refreshBlocklist();
}

void SettingsView::build(KeyValidator validateKey) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* form = new QWidget(scroll);
    form->setObjectName(QStringLiteral("settingsForm"));
    scroll->setWidget(form);
    scroll->viewport()->setAutoFillBackground(false);
    form->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(form);
    m_formLayout = layout;
    layout->setContentsMargins(16, 10, 16, 8);
    layout->setSpacing(10);

    // OpenAI API
    m_apiSection = new FormSection(form);
    m_apiKey = new ApiKeySection(m_store, std::move(validateKey), *m_apiSection, this);
    m_apiSection->addRow(buildModelRow());
    m_apiSection->addRow(buildEndpointRow());
    layout->addWidget(m_apiSection);

    // Behaviour
    m_behaviorSection = new FormSection(form);
    m_languageLabel = rowLabel(this);
    m_languagePicker = new QComboBox(this);
    m_languagePicker->setObjectName(QStringLiteral("languagePicker"));
    for (AppLanguage lang : AppLanguages::allCases())
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

    m_behaviorSection->addRow(buildShortcutRow());
    layout->addWidget(m_behaviorSection);

    // Blocked applications: one row per entry, above the row that adds one. The form around it
    // scrolls; the list itself never does.
    m_blockSection = new FormSection(form);
    m_blockList = new QWidget(this);
    m_blockList->setObjectName(QStringLiteral("blockList"));
    m_blockList->setAutoFillBackground(false);  // the panel behind draws the background
    m_blockListLayout = new QVBoxLayout(m_blockList);
    m_blockListLayout->setContentsMargins(0, 0, 0, 0);
    m_blockListLayout->setSpacing(0);
    m_blockListLayout->addStretch(1);
    m_blockSection->addRow(m_blockList);
    m_newAppField = new QLineEdit(this);
    m_newAppField->setObjectName(QStringLiteral("newBlockedAppField"));
    m_newAppField->setClearButtonEnabled(false);
    m_newAppCompleter = new IdentifierCompleter(new QStandardItemModel(this), this);
    m_newAppCompleter->setCompletionRole(kSearchRole);
    m_newAppCompleter->setFilterMode(Qt::MatchContains);
    m_newAppCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    m_newAppCompleter->setCompletionMode(QCompleter::PopupCompletion);
    m_newAppField->setCompleter(m_newAppCompleter);
    m_newAppField->installEventFilter(this);
    connect(m_newAppField, &QLineEdit::textChanged, this, &SettingsView::updateButtons);
    m_addButton = new QPushButton(this);
    m_addButton->setObjectName(QStringLiteral("addBlockedAppButton"));
    connect(m_addButton, &QPushButton::clicked, this, &SettingsView::addBlockedApp);
    {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(12, 6, 10, 6);
        h->setSpacing(8);
        h->addWidget(m_newAppField, 1);
        h->addWidget(m_addButton);
        m_blockSection->addRow(row);
    }
    layout->addWidget(m_blockSection);

    m_actionsSection = new ActionsSection(m_store, form);
    layout->addWidget(m_actionsSection);
    layout->addStretch(1);
}

QWidget* SettingsView::buildModelRow() {
    m_modelLabel = FormSection::columnLabel(this);
    m_modelPicker = new QComboBox(this);
    m_modelPicker->setObjectName(QStringLiteral("modelPicker"));
    m_modelPicker->setEditable(true);
    m_modelPicker->setInsertPolicy(QComboBox::NoInsert);
    m_modelPicker->addItems(SettingsStore::suggestedModels);
    m_modelLabel->setBuddy(m_modelPicker);
    connect(m_modelPicker, &QComboBox::activated, this,
            [this](int index) { commitModel(m_modelPicker->itemText(index)); });
    connect(m_modelPicker->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { commitModel(m_modelPicker->currentText()); });
    m_modelRefresh = new QPushButton(this);
    m_modelRefresh->setObjectName(QStringLiteral("modelRefreshButton"));
    m_modelRefresh->setEnabled(false);
    connect(m_modelRefresh, &QPushButton::clicked, this, &SettingsView::refreshModels);
    m_modelError = Style::plainLabel(QString(), this);
    m_modelError->setObjectName(QStringLiteral("modelError"));
    m_modelError->setWordWrap(true);
    m_modelError->hide();

    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(2);
    auto* pickerLine = new QHBoxLayout;
    pickerLine->setSpacing(8);
    pickerLine->addWidget(m_modelPicker, 1);
    pickerLine->addWidget(m_modelRefresh);
    columnLayout->addLayout(pickerLine);
    columnLayout->addWidget(m_modelError);
    QWidget* row = FormSection::labelledRow(m_modelLabel, {column});
    static_cast<QHBoxLayout*>(row->layout())->setAlignment(m_modelLabel, Qt::AlignTop);
    m_modelLabel->setMinimumHeight(m_modelPicker->sizeHint().height());
    return row;
}

void SettingsView::setModelLister(ModelLister lister) {
    m_modelLister = std::move(lister);
    m_modelRefresh->setEnabled(m_modelLister && !m_listingModels);
}

void SettingsView::refreshModels() {
    if (!m_modelLister || m_listingModels)
        return;
    m_listingModels = true;
    m_modelRefresh->setEnabled(false);
    m_modelError->hide();
    const quint64 generation = ++m_modelListGeneration;
    const QString server = m_store.apiBaseURL();
    QPointer<SettingsView> self(this);
    m_modelLister([self, generation, server](QStringList names, QString failure) {
        if (!self || generation != self->m_modelListGeneration)
            return;
        self->m_listingModels = false;
        self->m_modelRefresh->setEnabled(bool(self->m_modelLister));
        if (!failure.isEmpty()) {
            self->m_modelError->setText(failure);
            self->m_modelError->show();
            return;
        }
        self->m_serverModels.insert(server, names);
        self->fillModelItems();
    });
}

void SettingsView::fillModelItems() {
    const auto listed = m_serverModels.constFind(m_store.apiBaseURL());
    const QStringList items =
        listed != m_serverModels.constEnd()
            ? *listed
            : (m_store.apiBaseURL() == SettingsStore::defaultApiBaseURL ? SettingsStore::suggestedModels
                                                                        : QStringList());
    QStringList shown;
    for (int i = 0; i < m_modelPicker->count(); ++i)
        shown << m_modelPicker->itemText(i);
    if (shown == items)
        return;
    // The name in effect stays in the field whatever the list offers: any name may be typed.
    const QSignalBlocker block(m_modelPicker);
    const QString typed = m_modelPicker->currentText();
    m_modelPicker->clear();
    m_modelPicker->addItems(items);
    m_modelPicker->setEditText(typed);
}

QWidget* SettingsView::buildEndpointRow() {
    m_endpointLabel = FormSection::columnLabel(this);
    m_endpointField = new QLineEdit(this);
    m_endpointField->setObjectName(QStringLiteral("endpointField"));
    m_endpointField->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhNoAutoUppercase);
    m_endpointLabel->setBuddy(m_endpointField);
    connect(m_endpointField, &QLineEdit::textEdited, this, [this] {
        m_endpointEdited = true;
        updateButtons();
    });
    connect(m_endpointField, &QLineEdit::editingFinished, this, &SettingsView::commitEndpoint);
    m_endpointReset = new QPushButton(this);
    m_endpointReset->setObjectName(QStringLiteral("endpointResetButton"));
    connect(m_endpointReset, &QPushButton::clicked, this, &SettingsView::resetEndpoint);
    m_endpointPresets = new QToolButton(this);
    m_endpointPresets->setObjectName(QStringLiteral("endpointPresetsButton"));
    m_endpointPresets->setPopupMode(QToolButton::InstantPopup);
    auto* presets = new QMenu(m_endpointPresets);
    for (const ModelServers::Preset& preset : ModelServers::presets()) {
        QAction* action = presets->addAction(preset.name + QStringLiteral("  ") + preset.baseURL);
        action->setData(preset.baseURL);
        connect(action, &QAction::triggered, this, [this, url = preset.baseURL] {
            m_endpointField->setText(url);
            m_endpointEdited = true;
            commitEndpoint();
        });
    }
    m_endpointPresets->setMenu(presets);
    m_endpointError = Style::plainLabel(QString(), this);
    m_endpointError->setObjectName(QStringLiteral("endpointError"));
    m_endpointError->setWordWrap(true);
    m_endpointError->hide();

    // The error goes under the field, so the row grows down instead of pushing the field aside.
    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(2);
    auto* fieldLine = new QHBoxLayout;
    fieldLine->setSpacing(8);
    fieldLine->addWidget(m_endpointField, 1);
    fieldLine->addWidget(m_endpointReset);
    fieldLine->addWidget(m_endpointPresets);
    columnLayout->addLayout(fieldLine);
    columnLayout->addWidget(m_endpointError);
    QWidget* row = FormSection::labelledRow(m_endpointLabel, {column});
    static_cast<QHBoxLayout*>(row->layout())->setAlignment(m_endpointLabel, Qt::AlignTop);
    m_endpointLabel->setMinimumHeight(m_endpointField->sizeHint().height());
    return row;
}

QWidget* SettingsView::buildShortcutRow() {
    m_shortcutLabel = rowLabel(this);
    m_shortcutRecorder = new ShortcutRecorder(this);
    m_shortcutLabel->setBuddy(m_shortcutRecorder);
    m_shortcutClear = new QPushButton(this);
    m_shortcutClear->setObjectName(QStringLiteral("shortcutClearButton"));
    m_shortcutUnavailable = new QLabel(this);
    m_shortcutUnavailable->setObjectName(QStringLiteral("shortcutUnavailable"));
    m_shortcutError = new QLabel(this);
    m_shortcutError->setObjectName(QStringLiteral("shortcutError"));
    m_shortcutError->setWordWrap(true);
    m_shortcutError->hide();
    m_shortcutSteps = Style::plainLabel(QString(), this);
    m_shortcutSteps->setObjectName(QStringLiteral("shortcutSteps"));
    m_shortcutSteps->setWordWrap(true);
    // The command is there to be copied into the desktop's settings.
    m_shortcutSteps->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_shortcutSteps->hide();

    connect(m_shortcutRecorder, &ShortcutRecorder::recordingChanged, this, [this](bool recording) {
        if (recording)
            m_shortcutError->hide();
        if (m_shortcutControl.suspend)
            m_shortcutControl.suspend(recording);
    });
    connect(m_shortcutRecorder, &ShortcutRecorder::recorded, this,
            [this](const Shortcut& shortcut) { changeShortcut(shortcut); });
    connect(m_shortcutRecorder, &ShortcutRecorder::refused, this,
            [this](ShortcutRecorder::Refusal why, const std::optional<Shortcut>& pressed) {
                const L10n l = L10n::current();
                if (why == ShortcutRecorder::Refusal::needsModifier && pressed) {
                    showShortcutError(
                        l.text(QStringLiteral("Use Ctrl, Alt or Super with %1: alone it would stop working "
                                              "in every other program."),
                               QStringLiteral("Uz %1 koristi Ctrl, Alt ili Super: sam bi prestao da radi u "
                                              "svim drugim programima."))
                            .arg(pressed->text()));
                } else {
                    showShortcutError(l.text(QStringLiteral("This key cannot be part of a shortcut."),
                                             QStringLiteral("Ovaj taster ne može biti deo prečice.")));
                }
            });
    connect(m_shortcutClear, &QPushButton::clicked, this, [this] { changeShortcut(std::nullopt); });

    // The reason for a refusal goes under the recorder, so the row grows down.
    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(2);
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    line->addStretch(1);
    line->addWidget(m_shortcutUnavailable);
    line->addWidget(m_shortcutRecorder);
    line->addWidget(m_shortcutClear);
    columnLayout->addLayout(line);
    columnLayout->addWidget(m_shortcutError);
    columnLayout->addWidget(m_shortcutSteps);
    QWidget* row = FormSection::makeRow(m_shortcutLabel, {column});
    static_cast<QHBoxLayout*>(row->layout())->setAlignment(m_shortcutLabel, Qt::AlignTop);
    m_shortcutLabel->setMinimumHeight(m_shortcutRecorder->sizeHint().height());
    return row;
}

std::optional<Shortcut> SettingsView::storedShortcut() const {
    const QString text = m_store.globalShortcut();
    if (text.isEmpty())
        return std::nullopt;
    // A text that names no combination leaves the default in force.
    return Shortcut::fromText(text).value_or(Shortcut::defaultShortcut());
}

void SettingsView::changeShortcut(const std::optional<Shortcut>& shortcut) {
    m_shortcutError->hide();
    if (m_shortcutControl.change) {
        if (const std::optional<GrabError> failure = m_shortcutControl.change(shortcut)) {
            showShortcutError(HotkeyManager::describe(*failure, *shortcut, L10n::current()));
            return;
        }
    } else {
        m_store.setGlobalShortcut(shortcut ? shortcut->text() : QString());
    }
    refresh();
}

void SettingsView::showShortcutError(const QString& text) {
    m_shortcutError->setText(text);
    m_shortcutError->show();
}

void SettingsView::refreshShortcut(const L10n& l) {
    m_shortcutLabel->setText(l.text(QStringLiteral("Global shortcut"), QStringLiteral("Globalni shortcut")));
    const std::optional<Shortcut> shortcut = storedShortcut();
    m_shortcutRecorder->setShortcut(shortcut);
    m_shortcutRecorder->retranslate();
    Style::setButtonText(*m_shortcutClear, l.text(QStringLiteral("Clear"), QStringLiteral("Obriši")));
    m_shortcutClear->setAccessibleName(
        l.text(QStringLiteral("Clear the global shortcut"), QStringLiteral("Obriši globalni shortcut")));
    m_shortcutClear->setEnabled(shortcut.has_value());

    const std::optional<GrabError> failure =
        shortcut && m_shortcutControl.startupFailure ? m_shortcutControl.startupFailure() : std::nullopt;
    const QString reason = failure ? HotkeyManager::describe(*failure, *shortcut, l) : QString();
    m_shortcutUnavailable->setVisible(failure.has_value());
    m_shortcutUnavailable->setText(l.text(QStringLiteral("Unavailable"), QStringLiteral("Nedostupan")));
    m_shortcutUnavailable->setToolTip(reason);
    m_shortcutUnavailable->setAccessibleName(m_shortcutUnavailable->text());
    m_shortcutUnavailable->setAccessibleDescription(reason);
    QPalette pal = m_shortcutUnavailable->palette();
    pal.setColor(QPalette::WindowText, Style::statusRed(*this));
    m_shortcutUnavailable->setPalette(pal);
    m_shortcutError->setPalette(pal);
    QFont f = m_shortcutRecorder->font();
    f.setStrikeOut(failure.has_value());
    m_shortcutRecorder->setFont(f);

    // Where the desktop holds the shortcut, the steps to bind it there; none: the recorder.
    const QStringList steps =
        m_shortcutControl.desktopSteps ? m_shortcutControl.desktopSteps(l) : QStringList();
    const bool desktopHolds = !steps.isEmpty();
    const QStringList note =
        !desktopHolds && m_shortcutControl.desktopNote ? m_shortcutControl.desktopNote(l) : QStringList();
    if (desktopHolds)
        m_shortcutUnavailable->hide();
    m_shortcutSteps->setText((desktopHolds ? steps : note).join(QLatin1Char('\n')));
    m_shortcutSteps->setVisible(desktopHolds || !note.isEmpty());
    m_shortcutRecorder->setVisible(!desktopHolds);
    m_shortcutClear->setVisible(!desktopHolds);
}

void SettingsView::fillCompletions() {
    auto* model = static_cast<QStandardItemModel*>(m_newAppCompleter->model());
    model->clear();
    if (!m_applications.running)
        return;
    const QStringList blocked = m_store.blocklist();
    QList<QStandardItem*> items;
    for (const RunningApplication& app : m_applications.running()) {
        if (!app.bundleIdentifier || blocked.contains(*app.bundleIdentifier))
            continue;
        const QString id = *app.bundleIdentifier;
        const QString name = app.localizedName.value_or(QString());
        auto* item = new QStandardItem(name.isEmpty() || name == id ? id : name + QStringLiteral(" — ") + id);
        item->setData(id, kIdentifierRole);
        item->setData(name + QLatin1Char(' ') + id, kSearchRole);
        items << item;
    }
    // In the order a person reads them, whatever the letter case.
    std::sort(items.begin(), items.end(), [](const QStandardItem* a, const QStandardItem* b) {
        return a->text().compare(b->text(), Qt::CaseInsensitive) < 0;
    });
    for (QStandardItem* item : items)
        model->appendRow(item);
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event) {
    // The running applications as they are when the person starts typing a new entry.
    if (watched == m_newAppField && event->type() == QEvent::FocusIn)
        fillCompletions();
    return QWidget::eventFilter(watched, event);
}

KeyStatus SettingsView::keyStatus() const {
    return m_apiKey->keyStatus();
}

QString SettingsView::apiKeyInput() const {
    return m_apiKey->input();
}

QString SettingsView::newBlockedApp() const {
    return m_newAppField->text();
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // What was typed and left unsaved last time is gone.
    m_apiKey->clearInput();
    m_endpointEdited = false;
    m_endpointError->hide();
    refresh();
}

void SettingsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Status colours are worked out from the palette: a new palette needs them again.
    if (event->type() == QEvent::PaletteChange) {
        m_blocklistLanguage.reset();
        refresh();
    }
}

void SettingsView::refresh() {
    const L10n l = L10n::current();

    m_apiSection->setTitle(QStringLiteral("OpenAI API"));
    m_apiKey->refresh();
    m_modelLabel->setText(QStringLiteral("Model"));
    m_modelPicker->setAccessibleName(m_modelLabel->text());
    Style::setButtonText(*m_modelRefresh, l.text(QStringLiteral("Refresh"), QStringLiteral("Osveži")));
    m_modelRefresh->setAccessibleName(
        l.text(QStringLiteral("Refresh the model list"), QStringLiteral("Osveži spisak modela")));
    {
        QPalette pal = m_modelError->palette();
        pal.setColor(QPalette::WindowText, Style::red());
        m_modelError->setPalette(pal);
    }
    if (!m_modelPicker->lineEdit()->hasFocus()) {
        fillModelItems();
        const QSignalBlocker block(m_modelPicker);
        const int index = m_modelPicker->findText(m_store.model());
        if (index >= 0)
            m_modelPicker->setCurrentIndex(index);
        // A name stored by other means stays in effect, and in view, until the user picks another.
        m_modelPicker->setEditText(m_store.model());
    }
    m_endpointLabel->setText(l.text(QStringLiteral("Endpoint"), QStringLiteral("Adresa servera")));
    m_endpointField->setAccessibleName(m_endpointLabel->text());
    m_endpointField->setPlaceholderText(SettingsStore::defaultApiBaseURL);
    if (!m_endpointEdited)
        m_endpointField->setText(m_store.apiBaseURL());
    Style::setButtonText(*m_endpointReset, l.text(QStringLiteral("Reset"), QStringLiteral("Resetuj")));
    m_endpointPresets->setText(l.text(QStringLiteral("Presets"), QStringLiteral("Predlošci")));
    m_endpointPresets->setAccessibleName(
        l.text(QStringLiteral("Endpoint presets"), QStringLiteral("Predlošci adresa servera")));
    m_endpointReset->setAccessibleName(
        l.text(QStringLiteral("Reset endpoint"), QStringLiteral("Resetuj adresu servera")));
    m_endpointError->setText(l.text(QStringLiteral("Enter an address that starts with http:// or https://"),
                                    QStringLiteral("Unesi adresu koja počinje sa http:// ili https://")));
    {
        QPalette pal = m_endpointError->palette();
        pal.setColor(QPalette::WindowText, Style::statusRed(*this));
        m_endpointError->setPalette(pal);
    }

    m_behaviorSection->setTitle(l.text(QStringLiteral("Behavior"), QStringLiteral("Ponašanje")));
    m_languageLabel->setText(l.text(QStringLiteral("Language"), QStringLiteral("Jezik")));
    m_languagePicker->setAccessibleName(m_languageLabel->text());
    {
        const QSignalBlocker block(m_languagePicker);
        m_languagePicker->setCurrentIndex(
            static_cast<int>(AppLanguages::allCases().indexOf(m_store.language())));
    }
    const QString wordsText =
        l.text(QStringLiteral("Min. words to show the icon"), QStringLiteral("Min. broj reči za ikonicu"));
    m_wordsLabel->setText(wordsText + QStringLiteral(": ") + QString::number(m_store.minWordCount()));
    m_wordsStepper->setAccessibleName(wordsText);
    {
        const QSignalBlocker block(m_wordsStepper);
        m_wordsStepper->setValue(
            static_cast<int>(std::clamp<qint64>(m_store.minWordCount(), minWords, maxWords)));
    }
    m_loginLabel->setText(
        l.text(QStringLiteral("Launch at login"), QStringLiteral("Pokreni pri prijavljivanju")));
    m_loginSwitch->setAccessibleName(m_loginLabel->text());
    {
        const QSignalBlocker block(m_loginSwitch);
        m_loginSwitch->setChecked(m_store.launchAtLogin());
    }
    refreshShortcut(l);

    m_blockSection->setTitle(l.text(QStringLiteral("Blocked apps (bundle ID)"),
                                    QStringLiteral("Blokirane aplikacije (bundle ID)")));
    m_newAppField->setPlaceholderText(
        l.text(QStringLiteral("e.g. org.gnome.Terminal"), QStringLiteral("npr. org.gnome.Terminal")));
    m_newAppField->setAccessibleName(
        l.text(QStringLiteral("New blocked app"), QStringLiteral("Nova blokirana aplikacija")));
    Style::setButtonText(*m_addButton, l.text(QStringLiteral("Add"), QStringLiteral("Dodaj")));
    refreshBlocklist();
    m_actionsSection->refresh();
    if (m_statusSection && m_statusSection->isVisibleTo(this))
        m_statusSection->refresh();

    updateButtons();
}

void SettingsView::refreshBlocklist() {
    const L10n l = L10n::current();
    const QStringList list = m_store.blocklist();
    if (m_blocklistLanguage == l.lang && list == m_shownBlocklist)
        return;
    m_blocklistLanguage = l.lang;
    m_shownBlocklist = list;

    // Later, not now: the remove button that led here is inside one of these rows.
    while (m_blockListLayout->count() > 1) {
        QLayoutItem* item = m_blockListLayout->takeAt(0);
        if (QWidget* w = item->widget()) {
            w->hide();
            w->setParent(nullptr);
            w->deleteLater();
        }
        delete item;
    }
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(12 * 0.75);
    const QColor dim = Style::secondary(*this);
    for (int i = 0; i < list.size(); ++i) {
        const QString id = list[i];
        if (i > 0)
            m_blockListLayout->insertWidget(m_blockListLayout->count() - 1, new Hairline);
        auto* label = Style::plainLabel(id);
        label->setObjectName(QStringLiteral("blockedAppId"));
        label->setFont(mono);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The name a person knows the application by, beside the identifier that is stored.
        const std::optional<QString> name =
            m_applications.nameFor ? m_applications.nameFor(id) : std::nullopt;
        QWidget* leading = label;
        if (name && !name->isEmpty() && *name != id) {
            auto* nameLabel = Style::plainLabel(*name);
            nameLabel->setObjectName(QStringLiteral("blockedAppName"));
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, dim);
            label->setPalette(pal);
            leading = new QWidget;
            auto* pair = new QHBoxLayout(leading);
            pair->setContentsMargins(0, 0, 0, 0);
            pair->setSpacing(8);
            pair->addWidget(nameLabel);
            pair->addWidget(label);
        }
        auto* remove = new QToolButton;
        remove->setObjectName(QStringLiteral("removeBlockedApp"));
        remove->setAutoRaise(true);
        remove->setIcon(Style::symbolIcon(Style::Symbol::minusCircleFill, dim));
        remove->setIconSize(QSize(16, 16));
        remove->setCursor(Qt::PointingHandCursor);
        remove->setAccessibleName(l.text(QStringLiteral("Remove %1"), QStringLiteral("Ukloni %1")).arg(id));
        Style::setPlainToolTip(*remove, remove->accessibleName());
        connect(remove, &QToolButton::clicked, this, [this, id] { removeBlockedApp(id); });
        QWidget* row = FormSection::makeRow(leading, {remove});
        row->setMinimumHeight(0);
        row->setFixedHeight(blockRowHeight);
        row->layout()->setContentsMargins(12, 0, 6, 0);
        m_blockListLayout->insertWidget(m_blockListLayout->count() - 1, row);
    }
    m_blockList->setVisible(!list.isEmpty());
    m_blockSection->updateHairlines();
}

void SettingsView::updateButtons() {
    m_addButton->setEnabled(!SettingsStore::blocklistEntryFrom(m_newAppField->text()).isEmpty());
    m_endpointReset->setEnabled(m_endpointEdited || m_store.apiBaseURL() != SettingsStore::defaultApiBaseURL);
}

void SettingsView::saveAndValidate() {
    m_apiKey->saveAndValidate();
}

void SettingsView::addBlockedApp() {
    const QString typed = m_newAppField->text();
    m_newAppField->clear();
    m_store.addToBlocklist(typed);
}

void SettingsView::removeBlockedApp(const QString& bundleId) {
    m_store.removeFromBlocklist(bundleId);
}

void SettingsView::commitModel(const QString& typed) {
    if (typed.trimmed() == m_store.model()) {
        if (typed != m_store.model())
            m_modelPicker->setEditText(m_store.model());
        return;
    }
    if (!m_store.setModel(typed)) {
        // No model is no choice: the one in effect stays.
        const QSignalBlocker block(m_modelPicker);
        m_modelPicker->setEditText(m_store.model());
    }
}

void SettingsView::commitEndpoint() {
    if (!m_endpointEdited)
        return;
    const QString typed = m_endpointField->text();
    if (typed.trimmed().isEmpty()) {
        resetEndpoint();
        return;
    }
    const std::optional<QString> endpoint = SettingsStore::apiBaseURLFrom(typed);
    if (!endpoint) {
        // Keep what was typed, so it can be corrected.
        m_endpointError->show();
        return;
    }
    m_endpointError->hide();
    m_endpointEdited = false;
    if (*endpoint != m_store.apiBaseURL())
        m_store.setApiBaseURL(*endpoint);
    else
        updateButtons();
}

void SettingsView::resetEndpoint() {
    m_endpointEdited = false;
    m_endpointError->hide();
    m_store.setApiBaseURL(SettingsStore::defaultApiBaseURL);
}

}  // namespace quillet
