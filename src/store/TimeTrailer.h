#pragma once
// The time-stamp trailer of the data file: written after the history string,
// where readers of the plain layout stop reading, so every reader still reads
// such a file. Layout (little-endian):
//
//   "VQTRAIL1"  uint32 version (1)  uint64 payload length P  payload  uint32 CRC-32
//
// The CRC covers everything before it. The payload is a row of sections, each
// a 4-byte tag, a uint64 length N and N bytes; unknown tags are skipped.
// Section "TIME": uint32 head count, then per head uint32 record count and
// per record int64 UTC milliseconds and int32 local UTC offset in seconds.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vmf {

class Cvarnello_mfDoc;

inline constexpr std::size_t kTrailerHeaderBytes = 20;

// The trailer for the store's completed records, or an empty text when no
// record carries a time (the file then keeps the plain layout exactly).
std::string EncodeTimeTrailer(const Cvarnello_mfDoc& doc);

// The size in bytes of what EncodeTimeTrailer returns for doc, counted
// without building it (a save's progress total).
uint64_t EncodedTrailerSize(const Cvarnello_mfDoc& doc);

enum class TrailerOutcome {
    Absent,   // no trailer magic: a file of the plain layout
    Applied,  // the record times are in the store
    Ignored,  // a trailer that is damaged or of another version; no time set
};

// Given the first kTrailerHeaderBytes bytes after the history string (fewer
// when the file ends sooner): the whole trailer's size in bytes, 0 when there
// is no trailer magic, or SIZE_MAX when the header itself is unusable.
std::size_t TrailerSize(const unsigned char* head, std::size_t n);

// Reads a whole trailer of n bytes into the record times of doc, whose heads
// and record counts are those of the same file. All or nothing: unless the
// result is Applied, no record time of doc is changed.
TrailerOutcome ApplyTimeTrailer(const unsigned char* bytes, std::size_t n, Cvarnello_mfDoc& doc);

}  // namespace vmf
