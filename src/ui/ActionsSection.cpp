// Draws the settings' list of the user's own actions and reports the user's edits.
#include "ui/ActionsSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/SettingsStore.h"
#include "ui/FormSection.h"
#include "ui/Style.h"

namespace quillet {

ActionsSection::ActionsSection(SettingsStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_section = new FormSection(this);
    outer->addWidget(m_section);

    m_list = new QWidget(this);
    m_list->setObjectName(QStringLiteral("actionList"));
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(0);
    m_section->addRow(m_list);

    auto* form = new QWidget(this);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(12, 6, 10, 6);
    column->setSpacing(6);
    m_name = new QLineEdit(form);
    m_name->setObjectName(QStringLiteral("actionNameField"));
    m_name->setMaxLength(CustomActions::maxNameLength);
    column->addWidget(m_name);
    m_instruction = new QPlainTextEdit(form);
    m_instruction->setObjectName(QStringLiteral("actionInstructionField"));
    m_instruction->setTabChangesFocus(true);
    m_instruction->setFixedHeight(64);
    column->addWidget(m_instruction);
    m_error = new QLabel(form);
    m_error->setObjectName(QStringLiteral("actionError"));
    m_error->setWordWrap(true);
    QPalette pal = m_error->palette();
    pal.setColor(QPalette::WindowText, Style::red());
    m_error->setPalette(pal);
    m_error->hide();
    column->addWidget(m_error);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(form);
    m_cancel->setObjectName(QStringLiteral("cancelActionButton"));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &ActionsSection::cancelEdit);
    buttons->addWidget(m_cancel);
    m_save = new QPushButton(form);
    m_save->setObjectName(QStringLiteral("saveActionButton"));
    connect(m_save, &QPushButton::clicked, this, &ActionsSection::save);
    buttons->addWidget(m_save);
    column->addLayout(buttons);
    m_section->addRow(form);

    connect(m_name, &QLineEdit::textChanged, m_error, &QLabel::hide);
    connect(m_instruction, &QPlainTextEdit::textChanged, m_error, &QLabel::hide);
    refresh();
}

void ActionsSection::refresh() {
    const L10n l = L10n::current();
    m_section->setTitle(l.text(QT_TRANSLATE_NOOP("Quillet", "Actions")));
    m_name->setPlaceholderText(l.text(QT_TRANSLATE_NOOP("Quillet", "Name, e.g. Make it friendlier")));
    m_name->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Action name")));
    m_instruction->setPlaceholderText(
        l.text(QT_TRANSLATE_NOOP("Quillet", "What to do with the text, e.g. Make the text friendlier.")));
    m_instruction->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Instruction")));
    Style::setButtonText(*m_save, m_editing ? l.text(QT_TRANSLATE_NOOP("Quillet", "Save"))
                                            : l.text(QT_TRANSLATE_NOOP("Quillet", "Add")));
    Style::setButtonText(*m_cancel, l.text(QT_TRANSLATE_NOOP("Quillet", "Cancel")));
    m_cancel->setVisible(m_editing.has_value());

    const QList<CustomAction>& actions = m_store.customActions();
    if (m_shownLanguage == l.lang && actions == m_shown)
        return;
    m_shownLanguage = l.lang;
    m_shown = actions;
    // Later, not now: the button that led here is inside one of these rows.
    while (QLayoutItem* item = m_listLayout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->setParent(nullptr);
            w->deleteLater();
        }
        delete item;
    }
    const QColor dim = Style::secondary(*this);
    for (qsizetype i = 0; i < actions.size(); ++i) {
        if (i > 0)
            m_listLayout->addWidget(new Hairline);
        auto* name = Style::plainLabel(actions[i].name);
        name->setObjectName(QStringLiteral("actionName"));
        Style::setPlainToolTip(*name, actions[i].instruction);
        auto arrow = [&](Qt::ArrowType type, int delta, const QString& label, bool enabled) {
            auto* button = new QToolButton;
            button->setArrowType(type);
            button->setAutoRaise(true);
            button->setEnabled(enabled);
            button->setAccessibleName(label.arg(actions[i].name));
            Style::setPlainToolTip(*button, button->accessibleName());
            connect(button, &QToolButton::clicked, this, [this, i, delta] { move(i, delta); });
            return button;
        };
        auto* edit = new QToolButton;
        edit->setObjectName(QStringLiteral("editAction"));
        edit->setAutoRaise(true);
        edit->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Edit")));
        edit->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Edit %1")).arg(actions[i].name));
        connect(edit, &QToolButton::clicked, this, [this, i] { this->edit(i); });
        auto* remove = new QToolButton;
        remove->setObjectName(QStringLiteral("removeAction"));
        remove->setAutoRaise(true);
        remove->setIcon(Style::symbolIcon(Style::Symbol::minusCircleFill, dim));
        remove->setIconSize(QSize(16, 16));
        remove->setAccessibleName(l.text(QT_TRANSLATE_NOOP("Quillet", "Remove %1")).arg(actions[i].name));
        Style::setPlainToolTip(*remove, remove->accessibleName());
        connect(remove, &QToolButton::clicked, this, [this, i] { this->remove(i); });
        QWidget* row = FormSection::makeRow(
            name, {arrow(Qt::UpArrow, -1, l.text(QT_TRANSLATE_NOOP("Quillet", "Move %1 up")), i > 0),
                   arrow(Qt::DownArrow, 1, l.text(QT_TRANSLATE_NOOP("Quillet", "Move %1 down")),
                         i + 1 < actions.size()),
                   edit, remove});
        row->layout()->setContentsMargins(12, 0, 6, 0);
        m_listLayout->addWidget(row);
    }
    m_list->setVisible(!actions.isEmpty());
    m_section->updateHairlines();
}

void ActionsSection::save() {
    QList<CustomAction> actions = m_store.customActions();
    const auto checked =
        CustomActions::checked(m_name->text(), m_instruction->toPlainText(), actions, m_editing);
    if (const auto* refusal = std::get_if<CustomActions::Refusal>(&checked)) {
        showError(CustomActions::message(*refusal, L10n::current()));
        return;
    }
    const CustomAction& action = std::get<CustomAction>(checked);
    if (m_editing && *m_editing < actions.size())
        actions[*m_editing] = action;
    else
        actions.append(action);
    m_editing.reset();
    m_name->clear();
    m_instruction->clear();
    m_store.setCustomActions(actions);
    refresh();
}

void ActionsSection::edit(qsizetype index) {
    const QList<CustomAction>& actions = m_store.customActions();
    if (index < 0 || index >= actions.size())
        return;
    m_editing = index;
    m_name->setText(actions[index].name);
    m_instruction->setPlainText(actions[index].instruction);
    m_error->hide();
    m_name->setFocus();
    refresh();
}

void ActionsSection::cancelEdit() {
    m_editing.reset();
    m_name->clear();
    m_instruction->clear();
    m_error->hide();
    refresh();
}

void ActionsSection::remove(qsizetype index) {
    QList<CustomAction> actions = m_store.customActions();
    if (index < 0 || index >= actions.size())
        return;
    actions.removeAt(index);
    // The form keeps pointing at the action it holds, or at none once that one is gone.
    if (m_editing && *m_editing == index)
        m_editing.reset();
    else if (m_editing && *m_editing > index)
        --*m_editing;
    m_store.setCustomActions(actions);
    refresh();
}

void ActionsSection::move(qsizetype index, int delta) {
    const QList<CustomAction> before = m_store.customActions();
    const QList<CustomAction> after = CustomActions::moved(before, index, index + delta);
    if (after == before)
        return;
    if (m_editing && *m_editing == index)
        m_editing = index + delta;
    else if (m_editing && *m_editing == index + delta)
        m_editing = index;
    m_store.setCustomActions(after);
    refresh();
}

void ActionsSection::showError(const QString& message) {
    m_error->setText(message);
    m_error->show();
}

}  // namespace quillet
