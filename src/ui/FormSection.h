// The grouped form of the settings window: sections of rows divided by hairlines, and its switch.
#pragma once

#include <QCheckBox>
#include <QList>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace quillet {

/// An on/off switch tinted in the brand teal. Still a check box to keyboards and screen readers.
class ToggleSwitch : public QCheckBox {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(38, 22); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

/// A thin divider between rows.
class Hairline : public QWidget {
public:
    explicit Hairline(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

/// One section of a grouped form: a header above a rounded panel whose rows are divided by hairlines.
class FormSection : public QWidget {
public:
    explicit FormSection(QWidget* parent = nullptr);
    void setTitle(const QString& title);
    /// Appends a row; a hairline goes between it and the previous one.
    void addRow(QWidget* row);
    /// Hairlines sit only between rows that are not hidden; call after hiding or showing a row.
    void updateHairlines();
    /// A row of a leading label and trailing widgets, with a flexible space between them.
    static QWidget* makeRow(QWidget* leading, const QList<QWidget*>& trailing);
    /// A label of the column that the first section's fields line up behind.
    static QLabel* columnLabel(QWidget* parent);
    /// A row of such a label and its fields, the first field taking the width that is left.
    static QWidget* labelledRow(QLabel* label, const QList<QWidget*>& fields);

private:
    QLabel* m_header;
    QWidget* m_panel;
    QVBoxLayout* m_panelLayout;
    QList<QWidget*> m_rows;  // each row inside a slot with its hairline
};

}  // namespace quillet
