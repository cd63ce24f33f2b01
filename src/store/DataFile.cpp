// The data file (.vqdata): Persist describes the layout once for both
// directions; SaveToFile and LoadFromFile add what makes it safe to use on
// real files (replace-by-rename on saving, all-or-nothing on loading).

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "common/FileProgress.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/DataArchive.h"
#include "store/FileHandle.h"
#include "store/TimeTrailer.h"

namespace vmf {
namespace {

// Record series shorter than this are read in one go: a thread would cost
// more than it saves.
constexpr uint64_t kSplitBytes = 16u << 20;

std::string OutOfMemoryText(const std::string& name) {
    return name + " を読み込めませんでした。(メモリが不足しています)";
}

std::string WriteFailedText(const std::string& name, const std::string& reason) {
    return name + " に書き込めませんでした。(" + reason + ")";
}

std::string TrailerIgnoredText(const std::string& name) {
    return name + " の記録時刻が読み取れないため、時刻なしで読み込みました。";
}

}  // namespace

void Cvarnello_mfDoc::Persist(DataArchive& ar) {
    const bool loading = ar.IsLoading();
    PersistSetup(ar);
    for (int a = 0; a < headCount; ++a) {
        // At most 86399 completed records: slot 86399 is only ever a working slot.
        ar.Count(recordCount[a], LAST_RECORD, "recordCount");
        if (loading) {
            LoadRecords(ar, a);
            continue;
        }
        const std::size_t c = static_cast<std::size_t>(channelCount[a]);
        for (int r = 0; r < recordCount[a]; ++r) {
            ar.Int32(recExposureUs(a, r));
            ar.Float32(recTemperatureC(a, r));
            float* raw = (*recRawRows)[a][r];
            float* processed = (*recProcessedRows)[a][r];
            if (raw && processed) {
                ar.FloatPairs(raw, processed, c);
            } else {
                // A completed record without its arrays only comes from a
                // caller breaking the store's rules; write zeros for the
                // missing one so the file stays well-formed.
                std::array<float, MAX_CHANNELS> zeroRaw{}, zeroProcessed{};
                ar.FloatPairs(raw ? raw : zeroRaw.data(),
                              processed ? processed : zeroProcessed.data(), c);
            }
        }
    }
    ar.String(historyText);
}

void Cvarnello_mfDoc::PersistSetup(DataArchive& ar) {
    ar.Count(headCount, MAX_HEADS, "headCount");
    for (int a = 0; a < headCount; ++a) {
        ar.Count(channelCount[a], MAX_CHANNELS, "channelCount");
        const std::size_t c = static_cast<std::size_t>(channelCount[a]);
        ar.String(headKind[a]);
        ar.String(serialNo[a]);
        ar.Int32(exposureUs[a]);
        for (double& coeff : wavePoly[a]) ar.Float64(coeff);
        for (auto& step : darkTable[a]) ar.Floats(step.data(), c);
        ar.Floats(wavelengthNm[a].data(), c);
        // C + 1 entries: the last carries the exposure of the reference row.
        for (std::size_t i = 0; i <= c; ++i) {
            ar.Float32(gain[a][i]);
            ar.Float32(whiteRef[a][i]);
            ar.Float32(transRef[a][i]);
        }
    }
    ar.Count(ledDriverCount, MAX_HEADS, "ledDriverCount");
    for (int j = 0; j < ledDriverCount; ++j) {
        ar.Count(ledChannelCount[j], MAX_LED_CHANNELS, "ledChannelCount");
        for (int k = 0; k < ledChannelCount[j]; ++k) ar.Int32(ledValue[j][k]);
    }
}

void Cvarnello_mfDoc::LoadRecord(DataArchive& ar, SpectrumPool& pool, int a, int r, bool replaces) {
    // Every loaded slot gets fresh arrays of the full channel bound; the
    // values past the file's channel count are zero.
    const std::size_t c = static_cast<std::size_t>(channelCount[a]);
    float*& raw = (*recRawRows)[a][r];
    float*& processed = (*recProcessedRows)[a][r];
    if (replaces) {
        pool.Release(raw);
        pool.Release(processed);
    }
    raw = pool.AllocateUninitialized();
    processed = pool.AllocateUninitialized();
    if (!raw || !processed) {
        pool.Release(raw);
        pool.Release(processed);
        raw = processed = nullptr;
        throw ArchiveError(FileFailure::OutOfMemory, OutOfMemoryText(ar.Name()));
    }
    std::fill(raw + c, raw + MAX_CHANNELS, 0.0f);
    std::fill(processed + c, processed + MAX_CHANNELS, 0.0f);
    ar.Int32(recExposureUs(a, r));
    ar.Float32(recTemperatureC(a, r));
    ar.FloatPairs(raw, processed, c);
}

void Cvarnello_mfDoc::LoadRecords(DataArchive& ar, int a) {
    const int n = recordCount[a];
    const uint64_t recordBytes = 8 + 8 * static_cast<uint64_t>(channelCount[a]);
    // Copying out of the system's file cache and decoding take about as long
    // as each other; with two halves on two cores a long series loads in
    // little more than the time of a plain read.
    int split = n;
    if (ar.File() && static_cast<uint64_t>(n) * recordBytes >= kSplitBytes &&
        std::thread::hardware_concurrency() > 1)
        split = n / 2;
    auto& raws = (*recRawRows)[a];
    auto& processeds = (*recProcessedRows)[a];
    // A slot holds arrays only while its pool has blocks in use; a store
    // without any (a staging store) need not even look at its rows, whose
    // pages are then touched once, by the writes.
    const bool replaces = pool_.BlocksInUse() > 0;
    // The second half is read into arrays of a pool of its own, joined to
    // this store's afterwards: a pool serves one thread. Its slots drop their
    // old arrays here, on this pool's thread.
    for (int r = split; replaces && r < n; ++r) {
        pool_.Release(std::exchange(raws[r], nullptr));
        pool_.Release(std::exchange(processeds[r], nullptr));
    }
    SpectrumPool secondPool;
    std::exception_ptr secondFailed;
    std::thread second;
    if (split < n) {
        const uint64_t at = ar.Position() + static_cast<uint64_t>(split) * recordBytes;
        try {
            second = std::thread([this, &ar, &secondPool, &secondFailed, a, split, n, at] {
                try {
                    DataArchive part(*ar.File(), DataArchive::Mode::Loading, ar.Name(), at);
                    part.SetProgress(ar.Progress());
                    for (int r = split; r < n; ++r) LoadRecord(part, secondPool, a, r, false);
                } catch (...) {
                    secondFailed = std::current_exception();
                }
            });
        } catch (const std::exception&) {
            // No thread to be had: the second half is read after the first.
        }
    }
    const bool threaded = second.joinable();
    bool joined = false;
    try {
        // Joined on every way out, before anything it writes can go away.
        struct Joiner {
            std::thread& t;
            ~Joiner() {
                if (t.joinable()) t.join();
            }
        } joiner{second};
        for (int r = 0; r < split; ++r) LoadRecord(ar, pool_, a, r, replaces);
        if (!threaded) {
            for (int r = split; r < n; ++r) LoadRecord(ar, pool_, a, r, false);
            return;
        }
        second.join();
        // An error in the first half came first in the file, as it would
        // reading straight through; one in the second half is reported now.
        if (secondFailed) std::rethrow_exception(secondFailed);
        pool_.Absorb(secondPool);
        joined = true;
        ar.SkipTo(ar.Position() + static_cast<uint64_t>(n - split) * recordBytes);
    } catch (...) {
        // The second pool's arrays go with it; no slot may keep one, and none
        // may count as recorded without having been read.
        if (threaded && !joined)
            for (int r = split; r < n; ++r) raws[r] = processeds[r] = nullptr;
        recordCount[a] = 0;
        try {
            throw;
        } catch (const std::bad_alloc&) {
            throw ArchiveError(FileFailure::OutOfMemory, OutOfMemoryText(ar.Name()));
        }
    }
}

void Cvarnello_mfDoc::AdoptLoaded(Cvarnello_mfDoc& staged) {
    const std::lock_guard<RecordGate> hold(recordGate);
    recordGate.NextGeneration();
    // Without blocks in use no slot holds arrays to give back.
    const bool replaces = pool_.BlocksInUse() > 0;
    // When every array this store holds sits in a slot the file fills (a
    // full series opened over a full series), the two stores trade arrays
    // and pools instead: the replaced records leave with staged, and the
    // time of handing 2 GB back to the system goes to whoever destroys it
    // (the worker, for a file opened in the window), not to this thread.
    const bool trade = replaces && ArraysInSlots(staged) == pool_.BlocksInUse();
    // The only step that allocates comes first; after it nothing can fail.
    if (trade) {
        pool_.Swap(staged.pool_);
    } else {
        pool_.Absorb(staged.pool_);
    }

    headCount = staged.headCount;
    for (int a = 0; a < headCount; ++a) {
        const int c = staged.channelCount[a];
        channelCount[a] = c;
        headKind[a] = std::move(staged.headKind[a]);
        serialNo[a] = std::move(staged.serialNo[a]);
        exposureUs[a] = staged.exposureUs[a];
        wavePoly[a] = staged.wavePoly[a];
        // Entries past the file's channel count are not in the file and keep
        // their values, as they would when read in place.
        for (int s = 0; s < DARK_STEPS; ++s)
            std::copy_n(staged.darkTable[a][s].begin(), c, darkTable[a][s].begin());
        std::copy_n(staged.wavelengthNm[a].begin(), c, wavelengthNm[a].begin());
        std::copy_n(staged.gain[a].begin(), c + 1, gain[a].begin());
        std::copy_n(staged.whiteRef[a].begin(), c + 1, whiteRef[a].begin());
        std::copy_n(staged.transRef[a].begin(), c + 1, transRef[a].begin());
    }
    ledDriverCount = staged.ledDriverCount;
    for (int j = 0; j < ledDriverCount; ++j) {
        const int k = staged.ledChannelCount[j];
        ledChannelCount[j] = k;
        std::copy_n(staged.ledValue[j].begin(), k, ledValue[j].begin());
    }
    if (!replaces) {
        // No slot here holds a record: the staged rows are taken whole
        // instead of being copied slot by slot into untouched pages.
        std::swap(recExposureUsRows, staged.recExposureUsRows);
        std::swap(recTemperatureCRows, staged.recTemperatureCRows);
        std::swap(recTimeUtcMsRows, staged.recTimeUtcMsRows);
        std::swap(recUtcOffsetSRows, staged.recUtcOffsetSRows);
        std::swap(recRawRows, staged.recRawRows);
        std::swap(recProcessedRows, staged.recProcessedRows);
    }
    for (int a = 0; a < headCount; ++a) {
        const int n = staged.recordCount[a];
        recordCount[a] = n;
        staged.recordCount[a] = 0;
        if (!replaces) continue;
        auto& raws = (*recRawRows)[a];
        auto& processeds = (*recProcessedRows)[a];
        auto& stagedRaws = (*staged.recRawRows)[a];
        auto& stagedProcesseds = (*staged.recProcessedRows)[a];
        if (trade) {
            std::swap_ranges(raws.begin(), raws.begin() + n, stagedRaws.begin());
            std::swap_ranges(processeds.begin(), processeds.begin() + n, stagedProcesseds.begin());
        }
        for (int r = 0; r < n && !trade; ++r) {
            pool_.Release(raws[r]);
            pool_.Release(processeds[r]);
            raws[r] = std::exchange(stagedRaws[r], nullptr);
            processeds[r] = std::exchange(stagedProcesseds[r], nullptr);
        }
        std::copy_n((*staged.recExposureUsRows)[a].begin(), n, (*recExposureUsRows)[a].begin());
        std::copy_n((*staged.recTemperatureCRows)[a].begin(), n, (*recTemperatureCRows)[a].begin());
        std::copy_n((*staged.recTimeUtcMsRows)[a].begin(), n, (*recTimeUtcMsRows)[a].begin());
        std::copy_n((*staged.recUtcOffsetSRows)[a].begin(), n, (*recUtcOffsetSRows)[a].begin());
    }
    historyText = std::move(staged.historyText);
    // Loading over recorded data would otherwise keep the replaced records'
    // memory as well, doubling the store's footprint until ClearRecords.
    if (!trade) pool_.ReleaseEmptySlabs();
}

std::size_t Cvarnello_mfDoc::ArraysInSlots(const Cvarnello_mfDoc& staged) const {
    std::size_t arrays = 0;
    for (int a = 0; a < std::clamp(staged.headCount, 0, MAX_HEADS); ++a) {
        const int n = std::clamp(staged.recordCount[a], 0, MAX_RECORDS);
        const auto& raws = (*recRawRows)[a];
        const auto& processeds = (*recProcessedRows)[a];
        for (int r = 0; r < n; ++r) arrays += (raws[r] != nullptr) + (processeds[r] != nullptr);
    }
    return arrays;
}

bool Cvarnello_mfDoc::LoadFromFile(const std::string& utf8Path, std::string& error) {
    FileFailure failure = FileFailure::None;
    std::string notice;
    return LoadFromFile(utf8Path, error, failure, notice);
}

bool Cvarnello_mfDoc::LoadFromFile(const std::string& utf8Path, std::string& error,
                                   FileFailure& failure, FileProgress* progress) {
    std::string notice;
    return LoadFromFile(utf8Path, error, failure, notice, progress);
}

bool Cvarnello_mfDoc::LoadFromFile(const std::string& utf8Path, std::string& error,
                                   FileFailure& failure, std::string& notice,
                                   FileProgress* progress) {
    // Read into a staging store so that a file which stops short, breaks a
    // bound or is cancelled leaves this one exactly as it was. Only the
    // records are held twice for a moment, and those are the ones the file
    // replaces.
    std::unique_ptr<Cvarnello_mfDoc> staged;
    if (!ReadStaged(utf8Path, staged, error, failure, notice, progress)) return false;
    if (staged) AdoptLoaded(*staged);
    return true;
}

bool Cvarnello_mfDoc::ReadStaged(const std::string& utf8Path,
                                 std::unique_ptr<Cvarnello_mfDoc>& staged, std::string& error,
                                 FileFailure& failure, FileProgress* progress) {
    std::string notice;
    return ReadStaged(utf8Path, staged, error, failure, notice, progress);
}

bool Cvarnello_mfDoc::ReadStaged(const std::string& utf8Path,
                                 std::unique_ptr<Cvarnello_mfDoc>& staged, std::string& error,
                                 FileFailure& failure, std::string& notice,
                                 FileProgress* progress) {
    failure = FileFailure::None;
    notice.clear();
    staged.reset();
    FileHandle file;
    std::string reason;
    if (!file.OpenRead(utf8Path, reason)) {
        failure = FileFailure::CannotOpen;
        error = utf8Path + " を開けませんでした。(" + reason + ")";
        return false;
    }
    if (progress) {
        std::error_code ec;
        const auto size =
            std::filesystem::file_size(std::u8string(utf8Path.begin(), utf8Path.end()), ec);
        progress->total.store(ec ? 0 : static_cast<uint64_t>(size));
    }
    DataArchive ar(file, DataArchive::Mode::Loading, utf8Path);
    ar.SetProgress(progress);
    return ReadFrom(ar, staged, error, failure, notice);
}

bool Cvarnello_mfDoc::LoadFromBytes(const void* data, std::size_t n, const std::string& name,
                                    std::string& error, std::string& notice) {
    FileFailure failure = FileFailure::None;
    notice.clear();
    DataArchive ar(data, n, name);
    std::unique_ptr<Cvarnello_mfDoc> staged;
    if (!ReadFrom(ar, staged, error, failure, notice)) return false;
    if (staged) AdoptLoaded(*staged);
    return true;
}

bool Cvarnello_mfDoc::ReadFrom(DataArchive& ar, std::unique_ptr<Cvarnello_mfDoc>& staged,
                               std::string& error, FileFailure& failure, std::string& notice) {
    try {
        // An empty file holds no store at all; opening it changes nothing.
        if (ar.AtEnd()) return true;
        auto loaded = std::make_unique<Cvarnello_mfDoc>();
        loaded->Persist(ar);
        const TrailerOutcome trailer = LoadTrailer(ar, *loaded);
        // A file read within one buffer never meets the archive's check, nor
        // does the trailer's read; a Cancel pressed at any time before the end
        // still means "do not open".
        if (const FileProgress* progress = ar.Progress(); progress && progress->Cancelled())
            throw ArchiveError(FileFailure::Cancelled, ar.Name() + " の読み込みを中止しました。");
        if (trailer == TrailerOutcome::Ignored) notice = TrailerIgnoredText(ar.Name());
        staged = std::move(loaded);
        return true;
    } catch (const ArchiveError& e) {
        failure = e.Kind();
        error = e.what();
    } catch (const std::bad_alloc&) {
        failure = FileFailure::OutOfMemory;
        error = OutOfMemoryText(ar.Name());
    }
    return false;
}

TrailerOutcome Cvarnello_mfDoc::LoadTrailer(DataArchive& ar, Cvarnello_mfDoc& staged) {
    // Whatever goes wrong after the history string costs the time stamps,
    // never the load: the plain layout is complete at this point.
    try {
        unsigned char head[kTrailerHeaderBytes];
        const std::size_t got = ar.ReadUpTo(head, sizeof head);
        const std::size_t size = TrailerSize(head, got);
        if (size == 0) return TrailerOutcome::Absent;
        if (size == std::numeric_limits<std::size_t>::max())
            return TrailerOutcome::Ignored;  // cut short, or a length beyond any trailer
        std::string bytes(reinterpret_cast<const char*>(head), sizeof head);
        bytes.resize(size);
        const std::size_t rest = ar.ReadUpTo(bytes.data() + sizeof head, size - sizeof head);
        return ApplyTimeTrailer(reinterpret_cast<const unsigned char*>(bytes.data()),
                                sizeof head + rest, staged);
    } catch (const ArchiveError& e) {
        // A Cancel is the operator's answer, not damage: it stops the load.
        if (e.Kind() == FileFailure::Cancelled) throw;
        return TrailerOutcome::Ignored;
    } catch (const std::exception&) {
        // A read error or no memory for the trailer: the load stands.
        return TrailerOutcome::Ignored;
    }
}

void Cvarnello_mfDoc::StoreTo(DataArchive& ar) const {
    // Storing only reads the fields; Persist is non-const because the same
    // routine also loads.
    const_cast<Cvarnello_mfDoc*>(this)->Persist(ar);
    const std::string trailer = EncodeTimeTrailer(*this);
    ar.Bytes(trailer.data(), trailer.size());
    ar.Flush();
}

bool Cvarnello_mfDoc::SaveToFile(const std::string& utf8Path, std::string& error) const {
    FileFailure failure = FileFailure::None;
    return SaveToFile(utf8Path, error, failure);
}

bool Cvarnello_mfDoc::SaveToFile(const std::string& utf8Path, std::string& error,
                                 FileFailure& failure, FileProgress* progress) const {
    failure = FileFailure::None;
    if (progress) progress->total.store(StoredSize());
    FileHandle file;
    std::string tempPath, reason;
    // Writing beside the target and renaming over it at the end means a save
    // that fails half-way (full disk, bad count, lost network) never destroys
    // the file the user had.
    if (!file.CreateTempBeside(utf8Path, tempPath, reason)) {
        failure = FileFailure::CannotOpen;
        error = WriteFailedText(utf8Path, reason);
        return false;
    }
    try {
        DataArchive ar(file, DataArchive::Mode::Storing, utf8Path);
        ar.SetProgress(progress);
        StoreTo(ar);
        if (!file.Sync(reason))
            throw ArchiveError(FileFailure::WriteFailed, WriteFailedText(utf8Path, reason));
        // The sync of a big file takes seconds; a cancel that came meanwhile
        // still keeps the old file, since nothing has replaced it yet (the
        // unnamed temporary just goes with its handle).
        if (progress && progress->Cancelled())
            throw ArchiveError(FileFailure::Cancelled, utf8Path + " の保存を中止しました。");
        if (!file.ReplaceTarget(tempPath, utf8Path, reason))
            throw ArchiveError(FileFailure::WriteFailed, WriteFailedText(utf8Path, reason));
        return true;
    } catch (const ArchiveError& e) {
        failure = e.Kind();
        error = e.what();
    } catch (const std::bad_alloc&) {
        failure = FileFailure::OutOfMemory;
        error = WriteFailedText(utf8Path, "メモリが不足しています");
    }
    std::string ignored;
    file.Close(ignored);
    FileHandle::RemoveFile(tempPath);
    return false;
}

}  // namespace vmf

namespace vmf {
namespace {

// Bytes of a string with its length prefix: the shortest of the four forms.
uint64_t StringBytes(const std::string& s) {
    const uint64_t n = s.size();
    const uint64_t prefix = n < 0xFF ? 1 : n < 0xFFFE ? 3 : n < 0xFFFFFFFFull ? 7 : 15;
    return prefix + n;
}

}  // namespace

uint64_t Cvarnello_mfDoc::StoredSize() const {
    // The layout of Persist, counted instead of written; out-of-bounds counts
    // are clamped here and refused by the save itself.
    const auto bounded = [](int32_t v, int32_t hi) {
        return static_cast<uint64_t>(std::clamp(v, 0, hi));
    };
    const uint64_t heads = bounded(headCount, MAX_HEADS);
    uint64_t size = 4;
    for (uint64_t a = 0; a < heads; ++a) {
        const uint64_t c = bounded(channelCount[a], MAX_CHANNELS);
        size += 4 + StringBytes(headKind[a]) + StringBytes(serialNo[a]) + 4 + 8 * WAVE_COEFFS +
                4 * c * DARK_STEPS + 4 * c + 12 * (c + 1);
    }
    size += 4;
    for (uint64_t j = 0; j < bounded(ledDriverCount, MAX_HEADS); ++j)
        size += 4 + 4 * bounded(ledChannelCount[j], MAX_LED_CHANNELS);
    for (uint64_t a = 0; a < heads; ++a)
        size += 4 + bounded(recordCount[a], LAST_RECORD) *
                        (8 + 8 * bounded(channelCount[a], MAX_CHANNELS));
    // The time-stamp trailer follows the history string when any record has a time.
    return size + StringBytes(historyText) + EncodedTrailerSize(*this);
}

}  // namespace vmf
