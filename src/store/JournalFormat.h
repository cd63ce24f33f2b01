#pragma once
// The recovery journal's file format. A journal is the magic "VQJRNL01"
// followed by frames; every frame checks itself, so a journal cut short by a
// crash or damaged on the disk gives back every frame before the damage:
//
//   tag (4 ASCII bytes)  uint32 payload length N  payload (N bytes)
//   uint32 CRC-32 of tag, length and payload
//
// All numbers little-endian. Frames:
//   "SETU"  the store's heads, calibration data, references and LED drivers
//           in the data file's own layout (its fields 1 to 4), then the
//           history string; each one replaces what an earlier one said.
//   "RECS"  uint32 n, then n completed records, each: int32 head, int32 slot,
//           int32 exposure, float32 temperature, int64 UTC ms, int32 UTC
//           offset s, uint32 channels C, C raw floats, C processed floats.
//           Each record is the next slot of its head, with the channel
//           count of its head's set-up; anything else is damage. A later
//           "SETU" keeps every head that holds records and its channels.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vmf {

class Cvarnello_mfDoc;

inline constexpr char kJournalMagic[8] = {'V', 'Q', 'J', 'R', 'N', 'L', '0', '1'};
inline constexpr std::size_t kJournalFrameOverhead = 12;

// The set-up frame's payload for the store as it is now.
std::string JournalSetupPayload(const Cvarnello_mfDoc& doc);
// Appends a records frame's payload: slot slots[a] of every head a < heads
// whose slot is not negative.
void AppendJournalRecords(std::string& payload, const Cvarnello_mfDoc& doc, const int* slots,
                          int heads);
// Appends a whole frame (header, payload, check) to out.
void AppendJournalFrame(std::string& out, const char* tag, const std::string& payload);

struct JournalReplay {
    bool isJournal = false;  // the magic was there
    int frames = 0;          // frames applied
    uint64_t goodBytes = 0;  // bytes up to the end of the last frame applied
    bool damaged = false;    // bytes after the last good frame (cut short or corrupted)
    bool outOfMemory = false;
};

// Reads up to n bytes at offset into data; fewer only at the end of input.
using JournalSource = std::function<std::size_t(void* data, std::size_t n, uint64_t offset)>;

// Replays a journal into doc, which should be a new store: every frame in
// order up to the first that is cut short, fails its check or does not fit
// the store. doc then holds what was journalled up to that point.
JournalReplay ReplayJournal(const JournalSource& source, Cvarnello_mfDoc& doc);
JournalReplay ReplayJournal(const void* data, std::size_t n, Cvarnello_mfDoc& doc);
// The same from a journal file. False with error set when the file cannot be
// read or is no journal at all.
bool ReplayJournalFile(const std::string& utf8Path, Cvarnello_mfDoc& doc, JournalReplay& replay,
                       std::string& error);

}  // namespace vmf
