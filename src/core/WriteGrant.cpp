// The desktop's loan of keys and the clipboard around one write the user chose.
#include "core/WriteGrant.h"

#include "core/TextIO.h"
#include "platform/KeySynth.h"

namespace quillet {

WriteGrant::WriteGrant(KeySynth& keys, TextIO& textIO)
    : m_textIO(textIO), m_state(std::make_shared<State>(State{keys})) {}

void WriteGrant::chosen() {
    m_state->writeUnderWay = true;
    m_state->keys.renewGrant();
}

void WriteGrant::refused() {
    m_state->writeUnderWay = false;
}

void WriteGrant::settled() {
    // A paste still waiting to be taken needs the keys and the clipboard until it is, and the
    // user's clipboard goes back through the same loan.
    m_textIO.settle(TextIO::settleLimit, [weak = std::weak_ptr<State>(m_state)] {
        if (const std::shared_ptr<State> state = weak.lock()) {
            state->writeUnderWay = false;
            state->keys.endGrant();
        }
    });
}

void WriteGrant::dismissed() {
    if (!m_state->writeUnderWay)
        m_state->keys.endGrant();
}

std::function<void()> WriteGrant::chosenFirst(std::function<void()> action) {
    return [weak = std::weak_ptr<State>(m_state), action = std::move(action)] {
        if (const std::shared_ptr<State> state = weak.lock()) {
            state->writeUnderWay = true;
            state->keys.renewGrant();
        }
        if (action)
            action();
    };
}

std::function<void(const QString&)> WriteGrant::chosenFirst(std::function<void(const QString&)> action) {
    return [first = chosenFirst(std::function<void()>()), action = std::move(action)](const QString& chosen) {
        first();
        if (action)
            action(chosen);
    };
}

}  // namespace quillet
