#pragma once
// The head's command protocol over DevWrite/DevRead: one command written, one
// reply read. Shared by the calibration transfer and the simulated heads so
// both sides agree on every byte. All numbers on the wire are little-endian;
// floats are IEEE 754 single precision; indices are unsigned 16-bit.

#include <cstdint>

#include "store/StoreBounds.h"

namespace vmf::head {

// Opcodes (byte 0). Upper case reads, lower case writes.
inline constexpr uint8_t kReadWavelength = 0x58;   // 'X'
inline constexpr uint8_t kReadDark = 0x5A;         // 'Z'
inline constexpr uint8_t kReadWhite = 0x57;        // 'W'
inline constexpr uint8_t kReadTrans = 0x55;        // 'U'
inline constexpr uint8_t kReadGain = 0x59;         // 'Y'
inline constexpr uint8_t kWriteWavelength = 0x78;  // 'x'
inline constexpr uint8_t kWriteDark = 0x7A;        // 'z'
inline constexpr uint8_t kWriteWhite = 0x77;       // 'w'
inline constexpr uint8_t kWriteTrans = 0x75;       // 'u'
inline constexpr uint8_t kWriteGain = 0x79;        // 'y'

// Byte 1 of every command: the count of its meaningful bytes.
inline constexpr uint8_t kUsedReadIndexed = 4;  // read wavelength / dark step
inline constexpr uint8_t kUsedReadTable = 2;    // read white / trans / gain
inline constexpr uint8_t kUsedWriteValue = 8;   // write one table value
inline constexpr uint8_t kUsedWriteDark = 10;   // write one dark value

// Bytes sent per command (the unused tail is zero).
inline constexpr int kSizeReadIndexed = 4;
inline constexpr int kSizeReadTable = 64;
inline constexpr int kSizeWriteValue = 64;
inline constexpr int kSizeWriteDark = 10;

// Reply sizes.
inline constexpr int kReplyWavelength = 4;           // one float
inline constexpr int kReplyDark = MAX_CHANNELS * 4;  // 1152
inline constexpr int kReplyTable = REF_ENTRIES * 4;  // 1156
inline constexpr int kReplyWriteAck = 1;             // content ignored

// The simulated head's answers to a write, and to a command it does not know
// or cannot accept (bad opcode, length, count byte or index).
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;

}  // namespace vmf::head
