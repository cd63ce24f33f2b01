#include "maintenance/MirrorStepper.h"

#include "common/NumberParse.h"

namespace vmf {

uint16_t MirrorStepper::Step(int delta) {
    // Unsigned arithmetic wraps by definition; the conversion back to int16_t
    // is modular since C++20.
    const auto bits =
        static_cast<uint16_t>(static_cast<uint16_t>(position_) + static_cast<uint16_t>(delta));
    position_ = static_cast<int16_t>(bits);
    return bits;
}

uint16_t MirrorStepper::TypedPosition(std::string_view text) {
    return static_cast<uint16_t>(static_cast<unsigned>(ParseIntPrefix(text)));
}

}  // namespace vmf
