// The desktop's loan of keys and the clipboard around one write the user chose (see
// KeySynth::renewGrant): renewed at the choice, ended once the write is over and the user's
// clipboard is back, or at once when the panel goes with nothing written.
#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace quillet {

class KeySynth;
class TextIO;

class WriteGrant {
public:
    /// Both must outlive this object; a write still settling when it goes ends no loan.
    WriteGrant(KeySynth& keys, TextIO& textIO);

    /// The user chose a text, or Undo, in one of this program's windows: a write follows.
    void chosen();
    /// Nothing was written after all; the panel stays for another choice.
    void refused();
    /// The write (or its undo) is over: the loan ends once no paste is under way any more.
    void settled();
    /// The panel went: the loan ends unless a write is under way, which ends it itself.
    void dismissed();
    /// `action`, run after chosen(): for the Undo of a notice this program draws itself.
    std::function<void()> chosenFirst(std::function<void()> action);
    /// The same for the choice of a text in the panel.
    std::function<void(const QString&)> chosenFirst(std::function<void(const QString&)> action);

private:
    struct State {
        KeySynth& keys;
        bool writeUnderWay = false;
    };
    TextIO& m_textIO;
    std::shared_ptr<State> m_state;
};

}  // namespace quillet
