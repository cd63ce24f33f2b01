#include "csv/CsvWriter.h"

#include <algorithm>
#include <vector>

#include "csv/CsvCells.h"
#include "csv/CsvFileSink.h"

namespace vmf {
namespace {

constexpr char kLineEnd[] = "\r\n";
// Bytes gathered before they go to the sink: large enough that a file is
// written in a few dozen system calls, small enough to stay in cache.
constexpr size_t kChunkBytes = 1u << 20;

// Collects text and hands it to the sink in big chunks; remembers the first
// failure so the layouts need not check after every cell.
class ChunkedOutput {
public:
    explicit ChunkedOutput(CsvSink& sink) : sink_(sink) { text.reserve(kChunkBytes + 4096); }
    std::string text;

    // Call after each row: passes the text on once a chunk has gathered.
    bool RowDone() { return text.size() < kChunkBytes || Flush(); }
    bool Flush() {
        if (!ok_) return false;
        if (!text.empty() && !sink_.Append(text.data(), text.size(), reason_)) ok_ = false;
        text.clear();
        return ok_;
    }
    // Passes a long finished row on without copying it into the chunk.
    bool Put(const std::string& row) {
        if (!Flush()) return false;
        if (!row.empty() && !sink_.Append(row.data(), row.size(), reason_)) ok_ = false;
        return ok_;
    }
    const std::string& reason() const { return reason_; }

private:
    CsvSink& sink_;
    std::string reason_;
    bool ok_ = true;
};

// Output wavelengths of targets 0 and 1: start, start + step, ... up to end.
// The grid arrays hold only 340..850 nm and a step below 1 would never end,
// so both are forced into bounds here whatever the caller passed.
std::vector<int> OutputWavelengths(const CsvRequest& q) {
    const int start = std::max(q.startWavelength, GRID_START_NM);
    const int end = std::min(q.endWavelength, GRID_END_NM);
    const int step = std::max(q.stepWavelength, 1);
    std::vector<int> out;
    for (int w = start; w <= end; w += step) {
        out.push_back(w);
        if (end - w < step) break;  // also keeps w + step from overflowing
    }
    return out;
}

bool IsReferenceTarget(int target) { return target == CSV_TARGET_WHITE || target == CSV_TARGET_TRANS; }

int ChannelsOf(const Cvarnello_mfDoc& doc, int a) { return std::clamp(doc.channelCount[a], 0, MAX_CHANNELS); }

}  // namespace

CsvWriter::CsvWriter(Cvarnello_mfDoc& doc, SpectrumWorkspace& ws, const ProcessingOptions& processing, int target)
    : doc_(doc), ws_(ws), processing_(processing), target_(target) {}

bool CsvWriter::Check(const CsvRequest& q, std::string& reason) const {
    if (target_ < 0 || target_ >= CSV_TARGET_COUNT) {
        reason = "unknown output target " + std::to_string(target_);
        return false;
    }
    if (q.head < 0 || q.head >= MAX_HEADS) {
        reason = "no head slot " + std::to_string(q.head);
        return false;
    }
    if (IsReferenceTarget(target_) || q.firstRecord >= q.endRecord) return true;
    if (q.firstRecord < 0 || q.endRecord > MAX_RECORDS) {
        reason = "record range " + std::to_string(q.firstRecord) + ".." + std::to_string(q.endRecord) +
                 " lies outside the store";
        return false;
    }
    for (int r = q.firstRecord; r < q.endRecord; ++r) {
        if (!doc_.recRaw(q.head, r) || !doc_.recProcessed(q.head, r)) {
            reason = "record " + std::to_string(r) + " of head " + std::to_string(q.head) + " holds no spectrum";
            return false;
        }
    }
    return true;
}

bool CsvWriter::WriteCsvFile(const std::string& utf8Path, int firstRecord, int endRecord, int head,
                             bool addTemperature, bool addLabels, bool addExposure, bool vertical,
                             int startWavelength, int endWavelength, int stepWavelength, std::string& error) {
    const CsvRequest q{firstRecord,     endRecord,     head,          addTemperature, addLabels, addExposure,
                       vertical,        startWavelength, endWavelength, stepWavelength};
    std::string reason;
    auto fail = [&] {
        error = "CSVファイルを保存できませんでした: " + utf8Path + " (" + reason + ")";
        return false;
    };
    if (!Check(q, reason)) return fail();
    if (utf8Path.empty()) {
        reason = "no file name";
        return fail();
    }
    CsvFileSink file;
    if (!file.Open(utf8Path, reason)) return fail();
    if (!Write(file, q, reason)) return fail();
    if (!file.Commit(reason)) return fail();
    return true;
}

bool CsvWriter::Write(CsvSink& sink, const CsvRequest& q, std::string& error) {
    if (!Check(q, error)) return false;
    ChunkedOutput out(sink);
    std::string& t = out.text;
    const int a = q.head;

    if (IsReferenceTarget(target_)) {
        // One column or row of the stored reference at the channel wavelengths;
        // the record and wavelength ranges play no part.
        const auto& ref = target_ == CSV_TARGET_WHITE ? doc_.whiteRef[a] : doc_.transRef[a];
        const auto& wl = doc_.wavelengthNm[a];
        const int n = ChannelsOf(doc_, a);
        const float refExposure = ref[n];  // the entry after the channels
        if (q.vertical) {
            if (q.addTemperature) {
                if (q.addLabels) t += "temp,";
                t += ",";
                t += kLineEnd;
            }
            if (q.addExposure) {
                if (q.addLabels) t += "exposure,";
                AppendRefExposureCell(t, refExposure);
                t += kLineEnd;
            }
            for (int c = 0; c < n; ++c) {
                if (q.addLabels) AppendValueCell(t, wl[c]);
                AppendValueCell(t, ref[c]);
                t += kLineEnd;
            }
        } else {
            if (q.addLabels) {
                if (q.addTemperature) t += "temp,";
                if (q.addExposure) t += "exposure,";
                for (int c = 0; c < n; ++c) AppendValueCell(t, wl[c]);
                t += kLineEnd;
            }
            if (q.addTemperature) t += ",";
            if (q.addExposure) AppendRefExposureCell(t, refExposure);
            for (int c = 0; c < n; ++c) AppendValueCell(t, ref[c]);
            t += kLineEnd;
        }
        if (!out.Flush()) {
            error = out.reason();
            return false;
        }
        return true;
    }

    const std::vector<int> waves = OutputWavelengths(q);
    const size_t nw = waves.size();
    const int first = q.firstRecord;
    const int end = std::max(q.firstRecord, q.endRecord);
    // The light-source method never refreshes the grid ratio, so whatever it
    // holds belongs to some earlier computation: that method's ratio is 0.
    const bool zeroRatio = target_ == CSV_TARGET_RATIO && processing_.method == MeasuringMethod::LightSource;
    const float* grid = target_ == CSV_TARGET_PROCESSED ? ws_.displaySpectrum[a].data() : ws_.displayRatio[a].data();

    auto prepare = [&](int r) {
        ws_.ProcessRecord(doc_, a, r, processing_);
        ws_.ResampleRecord(doc_, a, r, processing_);
    };
    auto value = [&](size_t i) { return zeroRatio ? 0.0f : grid[waves[i] - GRID_START_NM]; };

    if (!q.vertical) {
        if (q.addLabels) {
            if (q.addTemperature) t += "temp,";
            if (q.addExposure) t += "exposure,";
            for (int w : waves) AppendIntCell(t, w, 6);
            t += kLineEnd;
        }
        for (int r = first; r < end; ++r) {
            prepare(r);
            if (q.addTemperature) AppendTemperatureCell(t, doc_.recTemperatureC(a, r));
            if (q.addExposure) AppendExposureCell(t, doc_.recExposureUs(a, r));
            for (size_t i = 0; i < nw; ++i) AppendValueCell(t, value(i));
            t += kLineEnd;
            if (!out.RowDone()) break;
        }
    } else {
        // Each output row gathers one cell per record while the records are
        // prepared one after another; the rows go out once all are done.
        const size_t records = static_cast<size_t>(end - first);
        std::string tempRow, exposureRow;
        std::vector<std::string> rows(nw);
        if (q.addTemperature) tempRow.reserve(records * 5 + 16);
        if (q.addExposure) exposureRow.reserve(records * 7 + 16);
        for (auto& row : rows) row.reserve(records * 7 + 16);
        for (int r = first; r < end; ++r) {
            prepare(r);
            if (q.addTemperature) AppendTemperatureCell(tempRow, doc_.recTemperatureC(a, r));
            if (q.addExposure) AppendExposureCell(exposureRow, doc_.recExposureUs(a, r));
            for (size_t i = 0; i < nw; ++i) AppendValueCell(rows[i], value(i));
        }
        auto putRow = [&](const char* label, int waveLabel, std::string& cells) {
            if (label) t += label;
            if (waveLabel >= 0) AppendIntCell(t, waveLabel, 0);
            if (cells.size() < kChunkBytes) {
                t += cells;
            } else {
                out.Put(cells);
            }
            std::string().swap(cells);  // the memory of a written row is not needed again
            t += kLineEnd;
            out.RowDone();
        };
        if (q.addTemperature) putRow(q.addLabels ? "temp," : nullptr, -1, tempRow);
        if (q.addExposure) putRow(q.addLabels ? "exposure," : nullptr, -1, exposureRow);
        for (size_t i = 0; i < nw; ++i) putRow(nullptr, q.addLabels ? waves[i] : -1, rows[i]);
    }
    if (!out.Flush()) {
        error = out.reason();
        return false;
    }
    return true;
}

}  // namespace vmf
