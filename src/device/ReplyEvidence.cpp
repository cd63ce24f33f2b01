#include "device/ReplyEvidence.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vmf {
namespace {

uint8_t MarkerByte(size_t i) { return static_cast<uint8_t>(kNoReplyFloatBits >> (8 * (i % 4))); }

}  // namespace

void MarkReply(std::span<uint8_t> buffer) {
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = MarkerByte(i);
}

int ReceivedReplyBytes(std::span<const uint8_t> buffer) {
    if (buffer.size() < 4) return static_cast<int>(buffer.size());
    for (size_t end = buffer.size(); end > 0;) {
        const size_t begin = (end - 1) / 4 * 4;
        for (size_t i = begin; i < end; ++i)
            if (buffer[i] != MarkerByte(i)) return static_cast<int>(end);
        end = begin;
    }
    return 0;
}

void MarkDoubles(std::span<double> values) {
    std::fill(values.begin(), values.end(), std::bit_cast<double>(kNoReplyDoubleBits));
}

bool AllDoublesWritten(std::span<const double> values) {
    return std::none_of(values.begin(), values.end(),
                        [](double v) { return std::bit_cast<uint64_t>(v) == kNoReplyDoubleBits; });
}

void MarkText(std::span<char> buffer) {
    std::fill(buffer.begin(), buffer.end(), static_cast<char>(kNoReplyTextByte));
}

bool TextWritten(std::span<const char> buffer) {
    return std::find(buffer.begin(), buffer.end(), '\0') != buffer.end();
}

}  // namespace vmf
