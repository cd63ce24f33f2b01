#pragma once
// Telling whether the real library delivered a result without reading its
// return value. What KVWinUSBIF.dll returns on success is not known (0, 1 and
// a byte count are all plausible), so by default the binding judges a call by
// what it provably did: each output buffer is filled beforehand with a marker
// no valid result holds, and a marker still in place afterwards means nothing
// arrived. The markers are NaNs with a fixed payload (no calibration value or
// coefficient is one) and, for serial text, bytes without a NUL.

#include <cstdint>
#include <span>

namespace vmf {

// The float marker, as the four bytes a reply buffer holds (little-endian).
inline constexpr uint32_t kNoReplyFloatBits = 0x7FBADBADu;
// The double marker of the coefficient and exposure outputs.
inline constexpr uint64_t kNoReplyDoubleBits = 0x7FF4BADBADBADBADull;
// The byte the serial buffer is filled with: a text always ends in a NUL.
inline constexpr uint8_t kNoReplyTextByte = 0xFF;

// Fills a reply buffer with the float marker (a tail shorter than four bytes
// gets the marker's first bytes).
void MarkReply(std::span<uint8_t> buffer);

// The number of reply bytes that provably arrived: the buffer up to and
// including the last four-byte word that no longer holds the marker; 0 when
// every word still does. A buffer shorter than four bytes cannot hold a
// marker no reply holds (a one-byte acknowledgement may be any byte), so it
// counts as filled.
int ReceivedReplyBytes(std::span<const uint8_t> buffer);

void MarkDoubles(std::span<double> values);
// True when every value was overwritten.
bool AllDoublesWritten(std::span<const double> values);

void MarkText(std::span<char> buffer);
// True when the buffer now holds a NUL-terminated text.
bool TextWritten(std::span<const char> buffer);

}  // namespace vmf
