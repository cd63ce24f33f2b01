#pragma once
// The coefficient list file of the maintenance dialog: one line per head
// produced, "C12880MA", serial, c0 .. c5, comma-separated. Lines of another
// kind are skipped; at most 1000 entries are kept, later ones are ignored so
// the list can never overrun.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/StoreBounds.h"

namespace vmf {

inline constexpr int COEFFICIENT_LIST_CAPACITY = 1000;
// A line is read in pieces of at most this many characters (line end
// included); the rest of a longer line is read as further lines.
inline constexpr int COEFFICIENT_LINE_PIECE = 255;
// A list holds a thousand lines of some 150 bytes; a file longer than this is
// refused rather than read to its end.
inline constexpr std::size_t COEFFICIENT_LIST_LIMIT_BYTES = 16u << 20;

struct CoefficientEntry {
    // The serial as the file holds it: code page 932 bytes, the store's
    // encoding, so it goes into serialNo unchanged. Cp932ToUtf8 for showing.
    std::string serial;
    std::array<double, WAVE_COEFFS> coeffs{};
};

class CoefficientListFile {
public:
    // Parses the file's bytes. CR LF counts as one line end, as the text
    // mode of the system's C library reads it.
    static std::vector<CoefficientEntry> Parse(std::string_view bytes);
    // One piece of a line (without its line end), or nothing when the piece
    // is not a "C12880MA" line.
    static bool ParseLine(std::string_view piece, CoefficientEntry& entry);
    // Reads and parses the file at utf8Path. A file that cannot be opened or
    // read, or is longer than COEFFICIENT_LIST_LIMIT_BYTES, gives false and an
    // empty list (reason says why).
    static bool Load(const std::string& utf8Path, std::vector<CoefficientEntry>& entries,
                     std::string& reason);
};

}  // namespace vmf
