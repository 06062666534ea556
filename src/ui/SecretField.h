// A field for a secret: masked on screen, and to accessibility clients only its masked state, never a
// character of what is typed into it.
#pragma once

#include <QLineEdit>

namespace quillet {

/// A line edit tells the desktop's accessibility bus about every change of its text, typed or pasted,
/// with the text itself, whatever its echo mode. This one holds the secret apart and shows (and so
/// announces) only a mask character for each of its characters, as a desktop password field does.
class SecretField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr char16_t mask = u'\u2022';

    explicit SecretField(QWidget* parent = nullptr);

    /// What was typed or pasted, in full.
    const QString& secret() const { return m_secret; }
    /// Empties the field.
    void clearSecret();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void insertSecret(const QString& text);
    void follow();

    QString m_secret;
    bool m_inserting = false;
};

}  // namespace quillet
