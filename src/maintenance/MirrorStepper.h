#pragma once
// The arithmetic of the mirror dialog: the position moved by the step
// buttons in signed 16-bit two's-complement (32767 + 1000 wraps to -31769),
// and a typed position cut to the 16 bits the mirror unit takes.

#include <cstdint>
#include <string_view>

namespace vmf {

class MirrorStepper {
public:
    // The position last sent by a step button; 0 at every opening, whatever
    // the mirror holds.
    int16_t position() const { return position_; }

    // Moves the position by delta with 16-bit wrap-around and returns the
    // same 16 bits read unsigned, as the device takes them.
    uint16_t Step(int delta);

    // The typed text read as a decimal integer (leading blanks skipped, no
    // number reads as 0, beyond int saturates), cut to its low 16 bits. The
    // stepped position is not changed by it.
    static uint16_t TypedPosition(std::string_view text);

private:
    int16_t position_ = 0;
};

}  // namespace vmf
