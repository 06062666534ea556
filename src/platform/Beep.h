// The system beep, the program's signal for a failure without words.
#pragma once

namespace quillet {

class Beep {
public:
    Beep() = default;
    Beep(const Beep&) = delete;
    Beep& operator=(const Beep&) = delete;
    virtual ~Beep() = default;

    virtual void beep() = 0;
};

}  // namespace quillet
