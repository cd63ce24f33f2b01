#include "csv/CsvWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "csv/CsvCells.h"
#include "csv/CsvFileSink.h"
#include "spectrum/GridResampler.h"
#include "store/RecordTime.h"

namespace vmf {
namespace {

constexpr char kLineEnd[] = "\r\n";
// Bytes gathered before they go to the sink: large enough that a file is
// written in a few dozen system calls, small enough to stay in cache.
constexpr size_t kChunkBytes = 1u << 20;

// Collects cells and hands them to the sink in big chunks. After the first
// failure it drops what it is given, so the layouts check ok() only once a
// row (or every thousand cells) instead of after every cell.
class ChunkedOutput {
public:
    explicit ChunkedOutput(CsvSink& sink)
        : sink_(sink), buffer_(new char[kChunkBytes + CSV_MAX_CELL_BYTES]), at_(buffer_.get()) {}

    bool ok() const { return ok_; }
    const std::string& reason() const { return reason_; }

    void Text(const char* text) {  // short texts only: labels and line ends
        char* d = Room();
        const size_t n = std::strlen(text);
        std::memcpy(d, text, n);
        at_ = d + n;
    }
    void Value(float v) { at_ = PutValueCell(Room(), v); }
    void Temperature(float t) { at_ = PutTemperatureCell(Room(), t); }
    void Exposure(int us) { at_ = PutExposureCell(Room(), us); }
    void RefExposure(float us) { at_ = PutRefExposureCell(Room(), us); }
    void Int(int v, int width) { at_ = PutIntCell(Room(), v, width); }
    void Time(int64_t utcMs, int32_t offsetS) {
        const std::string text = FormatRecordTime(utcMs, offsetS) + ",";
        char* d = Room();
        std::memcpy(d, text.data(), text.size());
        at_ = d + text.size();
    }

    bool Flush() {
        const size_t n = static_cast<size_t>(at_ - buffer_.get());
        at_ = buffer_.get();
        if (ok_ && n > 0 && !sink_.Append(buffer_.get(), n, reason_)) ok_ = false;
        return ok_;
    }

private:
    // Room for one cell: the chunk goes out once it is full.
    char* Room() {
        if (static_cast<size_t>(at_ - buffer_.get()) >= kChunkBytes) Flush();
        return at_;
    }

    CsvSink& sink_;
    std::unique_ptr<char[]> buffer_;
    char* at_;
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

bool Cancelled(std::string& error) {
    error = "cancelled";
    return false;
}

bool IsReferenceTarget(int target) {
    return target == CSV_TARGET_WHITE || target == CSV_TARGET_TRANS;
}

int ChannelsOf(const Cvarnello_mfDoc& doc, int a) {
    return std::clamp(doc.channelCount[a], 0, MAX_CHANNELS);
}

// Grid point k of spectrum p over the given channel intervals, bit for bit
// what ResampleRecord stores there: 0 where no channel pair brackets it.
float ResampledAt(const GridBrackets& brackets, const float* p, const float* wl, int k) {
    const int j = brackets.lower[static_cast<size_t>(k)];
    if (j < 0) return 0.0f;
    const double c = static_cast<float>(GRID_START_NM + k);
    const double p0 = p[j], p1 = p[j + 1], w0 = wl[j], w1 = wl[j + 1];
    return static_cast<float>(p0 + (p1 - p0) * (c - w0) / (w1 - w0));
}

}  // namespace

CsvWriter::CsvWriter(Cvarnello_mfDoc& doc, SpectrumWorkspace& ws,
                     const ProcessingOptions& processing, int target)
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
        reason = "record range " + std::to_string(q.firstRecord) + ".." +
                 std::to_string(q.endRecord) + " lies outside the store";
        return false;
    }
    for (int r = q.firstRecord; r < q.endRecord; ++r) {
        if (!doc_.recRaw(q.head, r) || !doc_.recProcessed(q.head, r)) {
            reason = "record " + std::to_string(r) + " of head " + std::to_string(q.head) +
                     " holds no spectrum";
            return false;
        }
    }
    return true;
}

bool CsvWriter::WriteCsvFile(const std::string& utf8Path, int firstRecord, int endRecord, int head,
                             bool addTemperature, bool addLabels, bool addExposure, bool vertical,
                             int startWavelength, int endWavelength, int stepWavelength,
                             std::string& error) {
    const CsvRequest q{firstRecord,   endRecord,     head,     addTemperature,
                       addLabels,     addExposure,   vertical, startWavelength,
                       endWavelength, stepWavelength};
    std::string reason;
    auto fail = [&] {
        error = CsvSaveFailedText(utf8Path, reason);
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
    // A Cancel that came after the last record still keeps the old file.
    if (progress_ && progress_->Cancelled()) {
        reason = "cancelled";
        return fail();
    }
    if (!file.Commit(reason)) return fail();
    return true;
}

bool CsvWriter::Write(CsvSink& sink, const CsvRequest& q, std::string& error) {
    if (!Check(q, error)) return false;
    try {
        return WriteChecked(sink, q, error);
    } catch (const std::bad_alloc&) {
        // A vertical export keeps every value until the end (up to 176 MB).
        error = "not enough memory for the export";
        return false;
    }
}

bool CsvWriter::WriteChecked(CsvSink& sink, const CsvRequest& q, std::string& error) {
    ChunkedOutput out(sink);
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
                if (q.addLabels) out.Text("temp,");
                out.Text(",");
                out.Text(kLineEnd);
            }
            if (q.addExposure) {
                if (q.addLabels) out.Text("exposure,");
                out.RefExposure(refExposure);
                out.Text(kLineEnd);
            }
            for (int c = 0; c < n; ++c) {
                if (q.addLabels) out.Value(wl[c]);
                out.Value(ref[c]);
                out.Text(kLineEnd);
            }
        } else {
            if (q.addLabels) {
                if (q.addTemperature) out.Text("temp,");
                if (q.addExposure) out.Text("exposure,");
                for (int c = 0; c < n; ++c) out.Value(wl[c]);
                out.Text(kLineEnd);
            }
            if (q.addTemperature) out.Text(",");
            if (q.addExposure) out.RefExposure(refExposure);
            for (int c = 0; c < n; ++c) out.Value(ref[c]);
            out.Text(kLineEnd);
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
    const bool zeroRatio =
        target_ == CSV_TARGET_RATIO && processing_.method == MeasuringMethod::LightSource;
    const float* grid = target_ == CSV_TARGET_PROCESSED ? ws_.displaySpectrum[a].data()
                                                        : ws_.displayRatio[a].data();

    // Each record is corrected in full, but only the output wavelengths of
    // the grid are needed from it: resampling all 511 points and finding the
    // channel intervals again for every one of up to 86399 records was most
    // of an export's time. The intervals depend only on the channel
    // wavelengths, fixed during the export, so they are found once, and the
    // values use the resampling's own formula. The last record goes through
    // ResampleRecord itself, so the workspace ends exactly as after the
    // panel's loop of ProcessRecord and ResampleRecord over the range.
    const float* wl = doc_.wavelengthNm[a].data();
    GridBrackets brackets;
    FindBrackets(wl, ChannelsOf(doc_, a), brackets);
    if (progress_) progress_->total.store(static_cast<uint64_t>(end - first));
    // Between records: false once the operator cancelled.
    auto goOn = [&] {
        if (!progress_) return true;
        progress_->Add(1);
        return !progress_->Cancelled();
    };
    auto prepare = [&](int r, float* values) {
        ws_.ProcessRecord(doc_, a, r, processing_);
        if (r == end - 1) {
            ws_.ResampleRecord(doc_, a, r, processing_);
            for (size_t i = 0; i < nw; ++i)
                values[i] = zeroRatio ? 0.0f : grid[waves[i] - GRID_START_NM];
            return;
        }
        const float* p =
            target_ == CSV_TARGET_PROCESSED ? doc_.recProcessed(a, r) : ws_.ratioSpectrum[a].data();
        for (size_t i = 0; i < nw; ++i)
            values[i] = zeroRatio ? 0.0f : ResampledAt(brackets, p, wl, waves[i] - GRID_START_NM);
    };

    if (!q.vertical) {
        if (q.addLabels) {
            if (q.addTime) out.Text("time,");
            if (q.addTemperature) out.Text("temp,");
            if (q.addExposure) out.Text("exposure,");
            for (int w : waves) out.Int(w, 6);
            out.Text(kLineEnd);
        }
        std::vector<float> values(nw);
        for (int r = first; r < end && out.ok(); ++r) {
            if (!goOn()) return Cancelled(error);
            prepare(r, values.data());
            if (q.addTime) out.Time(doc_.recTimeUtcMs(a, r), doc_.recUtcOffsetS(a, r));
            if (q.addTemperature) out.Temperature(doc_.recTemperatureC(a, r));
            if (q.addExposure) out.Exposure(doc_.recExposureUs(a, r));
            for (float v : values) out.Value(v);
            out.Text(kLineEnd);
        }
    } else {
        // Each output row gathers one value per record while the records are
        // prepared one after another; the rows are written once all are done.
        // Temperatures and exposures are not changed by the preparation, so
        // their rows come straight from the store.
        const size_t records = static_cast<size_t>(end - first);
        std::vector<float> byRecord(nw);
        std::vector<float> rows(nw * records);
        for (int r = first; r < end; ++r) {
            if (!goOn()) return Cancelled(error);
            prepare(r, byRecord.data());
            const size_t column = static_cast<size_t>(r - first);
            for (size_t i = 0; i < nw; ++i) rows[i * records + column] = byRecord[i];
        }
        if (q.addTime) {
            if (q.addLabels) out.Text("time,");
            for (int r = first; r < end; ++r)
                out.Time(doc_.recTimeUtcMs(a, r), doc_.recUtcOffsetS(a, r));
            out.Text(kLineEnd);
        }
        if (q.addTemperature) {
            if (q.addLabels) out.Text("temp,");
            for (int r = first; r < end; ++r) out.Temperature(doc_.recTemperatureC(a, r));
            out.Text(kLineEnd);
        }
        if (q.addExposure) {
            if (q.addLabels) out.Text("exposure,");
            for (int r = first; r < end; ++r) out.Exposure(doc_.recExposureUs(a, r));
            out.Text(kLineEnd);
        }
        for (size_t i = 0; i < nw && out.ok(); ++i) {
            if (q.addLabels) out.Int(waves[i], 0);
            const float* row = rows.data() + i * records;
            for (size_t k = 0; k < records; ++k) out.Value(row[k]);
            out.Text(kLineEnd);
        }
    }
    if (!out.Flush()) {
        error = out.reason();
        return false;
    }
    return true;
}

}  // namespace vmf
