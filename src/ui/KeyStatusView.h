// What the key check came to, shown after the save button of the settings and setup windows.
#pragma once

#include <QWidget>

#include "core/KeyCheck.h"

class QLabel;

namespace quillet {

class Spinner;
class SymbolLabel;

class KeyStatusView : public QWidget {
    Q_OBJECT
public:
    explicit KeyStatusView(QWidget* parent = nullptr);

    /// Shows `status` in the current language. At `idle`, `keyStored` shows the stored-key note, and
    /// `keyringSilent` (without a stored key) that the keyring does not answer; otherwise nothing is shown.
    void display(KeyStatus status, bool keyStored, bool keyringSilent = false);
    /// The text shown, empty while only the spinner or nothing is shown.
    QString text() const;
    bool spinning() const;

private:
    QLabel* m_text;
    SymbolLabel* m_symbol;
    Spinner* m_spinner;
};

}  // namespace quillet
