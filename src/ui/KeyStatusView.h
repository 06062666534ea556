// What the key check came to, shown after the save button of the settings and setup windows.
#pragma once

#include <QWidget>

class QLabel;

namespace quillet {

class Spinner;
class SymbolLabel;

/// The state of one API-key check. The last two end a save the keyring did not take: nothing was
/// checked, and the key stays in the field.
enum class KeyStatus { idle, checking, valid, invalid, keyringUnavailable, keyringLocked };

class KeyStatusView : public QWidget {
    Q_OBJECT
public:
    explicit KeyStatusView(QWidget* parent = nullptr);

    /// Shows `status` in the current language. At `idle`, `keyStored` shows the stored-key note;
    /// otherwise nothing is shown.
    void display(KeyStatus status, bool keyStored);
    /// The text shown, empty while only the spinner or nothing is shown.
    QString text() const;
    bool spinning() const;

private:
    QLabel* m_text;
    SymbolLabel* m_symbol;
    Spinner* m_spinner;
};

}  // namespace quillet
