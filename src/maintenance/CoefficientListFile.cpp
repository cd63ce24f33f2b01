#include "maintenance/CoefficientListFile.h"

#include "common/NumberParse.h"
#include "store/FileHandle.h"

namespace vmf {

namespace {

constexpr std::string_view kHeadKind = "C12880MA";

std::string WithoutQuotes(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (char ch : field) {
        if (ch != '"') out.push_back(ch);
    }
    return out;
}

// Cuts the text-mode byte stream into the pieces a 256-byte line buffer
// receives: up to and including a line end, or 255 characters.
class PieceSplitter {
public:
    explicit PieceSplitter(std::vector<CoefficientEntry>& out) : out_(out) {}

    bool Full() const { return static_cast<int>(out_.size()) >= COEFFICIENT_LIST_CAPACITY; }

    void Feed(std::string_view bytes) {
        for (char ch : bytes) {
            if (Full()) return;
            // Spreadsheets saving "CSV UTF-8" put a byte order mark in front
            // of the first line; it would hide that line's kind label.
            if (bomSeen_ >= 0) {
                if (ch == kBom[bomSeen_]) {
                    if (++bomSeen_ == 3) bomSeen_ = -1;
                    continue;
                }
                ReplayBomPrefix();
            }
            Take(ch);
        }
    }

    void Finish() {
        if (bomSeen_ > 0) ReplayBomPrefix();
        if (pendingCr_) {
            pendingCr_ = false;
            Put('\r');
        }
        if (!piece_.empty()) Emit();
    }

private:
    static constexpr char kBom[3] = {'\xEF', '\xBB', '\xBF'};

    // The start looked like a byte order mark but was not one.
    void ReplayBomPrefix() {
        const int seen = bomSeen_;
        bomSeen_ = -1;
        for (int i = 0; i < seen; ++i) Take(kBom[i]);
    }
    // Text mode: CR LF becomes LF.
    void Take(char ch) {
        if (pendingCr_) {
            pendingCr_ = false;
            if (ch == '\n') {
                Put('\n');
                return;
            }
            Put('\r');
        }
        if (ch == '\r') {
            pendingCr_ = true;
            return;
        }
        Put(ch);
    }
    void Put(char ch) {
        if (Full()) return;
        piece_.push_back(ch);
        if (ch == '\n' || static_cast<int>(piece_.size()) == COEFFICIENT_LINE_PIECE) Emit();
    }
    void Emit() {
        std::string_view line(piece_);
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        CoefficientEntry entry;
        if (CoefficientListFile::ParseLine(line, entry)) out_.push_back(std::move(entry));
        piece_.clear();
    }

    std::vector<CoefficientEntry>& out_;
    std::string piece_;
    bool pendingCr_ = false;
    int bomSeen_ = 0;  // bytes of a leading byte order mark matched; -1 once past it
};

}  // namespace

bool CoefficientListFile::ParseLine(std::string_view piece, CoefficientEntry& entry) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (fields.size() < 2 + WAVE_COEFFS) {
        const size_t comma = piece.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(piece.substr(start));
            break;
        }
        fields.push_back(piece.substr(start, comma - start));
        start = comma + 1;
    }
    if (WithoutQuotes(fields[0]) != kHeadKind) return false;
    entry.serial = fields.size() > 1 ? WithoutQuotes(fields[1]) : std::string();
    for (int i = 0; i < WAVE_COEFFS; ++i) {
        const size_t f = static_cast<size_t>(2 + i);
        entry.coeffs[static_cast<size_t>(i)] =
            f < fields.size() ? ParseDecimalPrefix(fields[f]) : 0.0;
    }
    return true;
}

std::vector<CoefficientEntry> CoefficientListFile::Parse(std::string_view bytes) {
    std::vector<CoefficientEntry> entries;
    PieceSplitter splitter(entries);
    splitter.Feed(bytes);
    splitter.Finish();
    return entries;
}

bool CoefficientListFile::Load(const std::string& utf8Path, std::vector<CoefficientEntry>& entries,
                               std::string& reason) {
    entries.clear();
    FileHandle file;
    if (!file.OpenRead(utf8Path, reason)) return false;
    std::vector<CoefficientEntry> read;
    PieceSplitter splitter(read);
    char buffer[16384];
    while (!splitter.Full()) {
        const std::ptrdiff_t got = file.Read(buffer, sizeof buffer, reason);
        if (got < 0) return false;
        if (got == 0) break;
        splitter.Feed(std::string_view(buffer, static_cast<size_t>(got)));
    }
    splitter.Finish();
    entries = std::move(read);
    std::string ignored;
    file.Close(ignored);
    return true;
}

}  // namespace vmf
