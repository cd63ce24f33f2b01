#pragma once
// CRC-32 as zlib computes it (IEEE 802.3, reflected, polynomial 0xEDB88320,
// initial value and final xor 0xFFFFFFFF): the check of the data file's
// time-stamp trailer and of every frame of the recovery journal.

#include <cstddef>
#include <cstdint>

namespace vmf {

// The CRC of n bytes at data, continued from crc (0 starts a new one), so a
// long run may be checked in pieces: Crc32(Crc32(0, a, n), b, m) equals the
// CRC of a followed by b.
uint32_t Crc32(uint32_t crc, const void* data, std::size_t n);

}  // namespace vmf
