// The settings' block list: one row per blocked application, with its name where one is known, and
// the field that adds one, completing from the applications running now.
#include "ui/BlocklistSection.h"

#include <QCompleter>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/SettingsStore.h"
#include "ui/FormSection.h"
#include "ui/Style.h"

namespace quillet {

namespace {

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

BlocklistSection::BlocklistSection(SettingsStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_section = new FormSection(this);
    outer->addWidget(m_section);

    // One row per entry, above the row that adds one. The page around it scrolls; the list never does.
    m_list = new QWidget(this);
    m_list->setObjectName(QStringLiteral("blockList"));
    m_list->setAutoFillBackground(false);  // the panel behind draws the background
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(0);
    m_listLayout->addStretch(1);
    m_section->addRow(m_list);

    m_newAppField = new QLineEdit(this);
    m_newAppField->setObjectName(QStringLiteral("newBlockedAppField"));
    m_newAppField->setClearButtonEnabled(false);
    m_completer = new IdentifierCompleter(new QStandardItemModel(this), this);
    m_completer->setCompletionRole(kSearchRole);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_newAppField->setCompleter(m_completer);
    m_newAppField->installEventFilter(this);
    m_addButton = new QPushButton(this);
    m_addButton->setObjectName(QStringLiteral("addBlockedAppButton"));
    connect(m_addButton, &QPushButton::clicked, this, &BlocklistSection::add);
    connect(m_newAppField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_addButton->setEnabled(!SettingsStore::blocklistEntryFrom(text).isEmpty());
    });
    m_addButton->setEnabled(false);
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(12, 6, 10, 6);
    h->setSpacing(8);
    h->addWidget(m_newAppField, 1);
    h->addWidget(m_addButton);
    m_section->addRow(row);
}

void BlocklistSection::setApplicationDirectory(ApplicationDirectory directory) {
    m_applications = std::move(directory);
    refresh(true);
}

void BlocklistSection::refresh(bool force) {
    const L10n l = L10n::current();
    m_section->setTitle(l.text(QT_TRANSLATE_NOOP("Quillet", "Blocked apps (bundle ID)")));
    m_newAppField->setPlaceholderText(l.text(QT_TRANSLATE_NOOP("Quillet", "e.g. org.gnome.Terminal")));
    m_newAppField->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "New blocked app")));
    Style::setButtonText(*m_addButton, l.text(QT_TRANSLATE_NOOP("Quillet", "Add")));
    if (force)
        m_shownLanguage.reset();
    refreshRows();
}

void BlocklistSection::refreshRows() {
    const L10n l = L10n::current();
    const QStringList list = m_store.blocklist();
    if (m_shownLanguage == l.lang && list == m_shown)
        return;
    m_shownLanguage = l.lang;
    m_shown = list;

    // Later, not now: the remove button that led here is inside one of these rows.
    while (m_listLayout->count() > 1) {
        QLayoutItem* item = m_listLayout->takeAt(0);
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
            m_listLayout->insertWidget(m_listLayout->count() - 1, new Hairline);
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
        remove->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Remove %1")).arg(id));
        Style::setPlainToolTip(*remove, remove->accessibleName());
        connect(remove, &QToolButton::clicked, this, [this, id] { this->remove(id); });
        QWidget* row = FormSection::makeRow(leading, {remove});
        row->setMinimumHeight(0);
        row->setFixedHeight(rowHeight);
        row->layout()->setContentsMargins(12, 0, 6, 0);
        m_listLayout->insertWidget(m_listLayout->count() - 1, row);
    }
    m_list->setVisible(!list.isEmpty());
    m_section->updateHairlines();
}

void BlocklistSection::fillCompletions() {
    auto* model = static_cast<QStandardItemModel*>(m_completer->model());
    model->clear();
    if (!m_applications.running)
        return;
    const QStringList blocked = m_store.blocklist();
    QList<QStandardItem*> items;
    for (const RunningApplication& app : m_applications.running()) {
        if (!app.appId || blocked.contains(*app.appId))
            continue;
        const QString id = *app.appId;
        const QString name = app.name.value_or(QString());
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

bool BlocklistSection::eventFilter(QObject* watched, QEvent* event) {
    // The running applications as they are when the person starts typing a new entry.
    if (watched == m_newAppField && event->type() == QEvent::FocusIn)
        fillCompletions();
    return QWidget::eventFilter(watched, event);
}

QString BlocklistSection::newEntry() const {
    return m_newAppField->text();
}

void BlocklistSection::add() {
    const QString typed = m_newAppField->text();
    m_newAppField->clear();
    m_store.addToBlocklist(typed);
}

void BlocklistSection::remove(const QString& appId) {
    m_store.removeFromBlocklist(appId);
}

}  // namespace quillet
