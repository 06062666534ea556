// The toast's content: a check-mark badge, "Replaced", Undo and a close button on a capsule.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace quillet {

class ToastView : public QWidget {
    Q_OBJECT
public:
    /// Texts in the interface language of the moment.
    explicit ToastView(QWidget* parent = nullptr);

    QPushButton* undoButton() const { return m_undo; }
    QPushButton* closeButton() const { return m_close; }
    QLabel* messageLabel() const { return m_message; }
    /// The capsule the row sits on (the rest of the view stays transparent).
    QRectF capsuleRect() const;

signals:
    void undoClicked();
    void closeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_message = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace quillet
