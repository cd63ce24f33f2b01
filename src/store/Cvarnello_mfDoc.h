#pragma once
// The measurement store: the one document holding the detected heads, their
// calibration tables and references, the LED drivers, the recorded series and
// the operation history. Fields are public and written directly by detection,
// acquisition, correction, maintenance and loading; the store itself only
// keeps them, manages the record spectra, advances counters and appends
// history lines.
//
// Threads: the acquisition worker writes the working slot of each head
// (recRaw/recProcessed/recTemperatureC/recExposureUs at recordCount[a]) and
// darkTable[a][20]; the GUI thread touches those only after the worker has
// handed over. Everything else is GUI-thread only, except that readers on
// other threads may read the counted records' spectra and scalars under a
// shared hold of recordGate (see RecordGate: writers of those take it
// exclusively).

#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "store/ArchiveError.h"
#include "store/RecordGate.h"
#include "store/SpectrumPool.h"
#include "store/StoreBounds.h"
#include "store/SystemPages.h"
#include "store/TimeTrailer.h"

namespace vmf {

class DataArchive;
struct FileProgress;

class Cvarnello_mfDoc {
public:
    Cvarnello_mfDoc();
    ~Cvarnello_mfDoc();
    Cvarnello_mfDoc(const Cvarnello_mfDoc&) = delete;
    Cvarnello_mfDoc& operator=(const Cvarnello_mfDoc&) = delete;

    // --- Fields, in the order the data model lists them -------------------
    // Strings hold bytes in code page 932, exactly as the data file does.
    std::array<std::array<std::array<float, MAX_CHANNELS>, DARK_STEPS>, MAX_HEADS> darkTable{};
    std::array<std::array<float, REF_ENTRIES>, MAX_HEADS> whiteRef{};
    std::array<std::array<float, REF_ENTRIES>, MAX_HEADS> transRef{};
    std::array<std::array<float, MAX_CHANNELS>, MAX_HEADS> wavelengthNm{};
    std::array<std::array<float, REF_ENTRIES>, MAX_HEADS> gain{};
    std::array<std::string, MAX_HEADS> headKind;
    std::array<std::string, MAX_HEADS> serialNo;
    std::array<std::array<double, WAVE_COEFFS>, MAX_HEADS> wavePoly{};
    std::array<int32_t, MAX_HEADS> exposureUs{};
    int32_t headCount = 0;
    std::array<int32_t, MAX_HEADS> channelCount{};
    int32_t ledDriverCount = 0;
    std::array<int32_t, MAX_HEADS> ledChannelCount{};
    std::array<std::array<int32_t, MAX_LED_CHANNELS>, MAX_HEADS> ledValue{};
    // The per-slot rows come zeroed straight from the system, which supplies
    // their pages on first touch: a store that records little
    // (or a staging store for loading) never pays for all 20 MB of them.
    template <class Rows>
    struct RowFree {
        void operator()(Rows* rows) const noexcept { FreePages(rows, sizeof(Rows)); }
    };
    template <class Rows>
    using RowPtr = std::unique_ptr<Rows, RowFree<Rows>>;

    // Per-record scalars for all slots (6.9 MB together).
    RowPtr<std::array<std::array<int32_t, MAX_RECORDS>, MAX_HEADS>> recExposureUsRows;
    RowPtr<std::array<std::array<float, MAX_RECORDS>, MAX_HEADS>> recTemperatureCRows;
    // When each record's cycle read its last head: UTC milliseconds since
    // 1970-01-01T00:00:00Z and the local UTC offset in seconds (east
    // positive). 0 ms means the record carries no time (files written before
    // time stamps existed); zeroed pages therefore start out as "no time".
    RowPtr<std::array<std::array<int64_t, MAX_RECORDS>, MAX_HEADS>> recTimeUtcMsRows;
    RowPtr<std::array<std::array<int32_t, MAX_RECORDS>, MAX_HEADS>> recUtcOffsetSRows;
    std::array<int32_t, MAX_HEADS> recordCount{};
    std::string historyText;
    // Spectra of each slot: nullptr while absent; otherwise MAX_CHANNELS floats
    // from the pool (only channelCount[a] of them are meaningful).
    RowPtr<std::array<std::array<float*, MAX_RECORDS>, MAX_HEADS>> recRawRows;
    RowPtr<std::array<std::array<float*, MAX_RECORDS>, MAX_HEADS>> recProcessedRows;
    int32_t mirrorCount = 0;

    // Convenient element access with the field names used everywhere else.
    int32_t& recExposureUs(int a, int r) { return (*recExposureUsRows)[a][r]; }
    int32_t recExposureUs(int a, int r) const { return (*recExposureUsRows)[a][r]; }
    float& recTemperatureC(int a, int r) { return (*recTemperatureCRows)[a][r]; }
    float recTemperatureC(int a, int r) const { return (*recTemperatureCRows)[a][r]; }
    int64_t& recTimeUtcMs(int a, int r) { return (*recTimeUtcMsRows)[a][r]; }
    int64_t recTimeUtcMs(int a, int r) const { return (*recTimeUtcMsRows)[a][r]; }
    int32_t& recUtcOffsetS(int a, int r) { return (*recUtcOffsetSRows)[a][r]; }
    int32_t recUtcOffsetS(int a, int r) const { return (*recUtcOffsetSRows)[a][r]; }
    // True when any completed record of any head carries a time.
    bool HasRecordTimes() const;
    float* recRaw(int a, int r) const { return (*recRawRows)[a][r]; }
    float* recProcessed(int a, int r) const { return (*recProcessedRows)[a][r]; }
    // Held exclusively by whoever frees, replaces or rewrites a counted
    // record (ClearRecords and AdoptLoaded move its generation on as well);
    // held shared by readers on other threads.
    mutable RecordGate recordGate;

    // --- Document state (path, title, modified flag) ----------------------
    std::string pathName;  // UTF-8 path of the file last loaded or saved; empty when new
    std::string title;     // UTF-8 title shown in the caption; empty means untitled
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool on = true) { modified_ = on; }

    // --- Operations --------------------------------------------------------
    // Sets every recordCount to 0 and releases all record spectra. Leaves all
    // other fields (calibration, exposures, temperatures, history, counts).
    // Then tells recordsDiscarded, when set.
    void ClearRecords();
    // Called by ClearRecords (not by the destructor): the user has discarded
    // the records, by a data clear or a detection that clears, so their
    // recovery journal may go.
    std::function<void()> recordsDiscarded;
    // Gives slot r of head a both spectra where absent; present ones are kept.
    // Returns false when memory could not be had (slots filled before stay).
    bool EnsureRecordArrays(int a, int r);
    // Advances recordCount of heads 0..headCount-1 by one, stopping at 86399.
    void AdvanceRecords();
    // Appends "<local time %Y/%m/%d %H:%M:%S,><text>\r\n" to historyText, the
    // text given in UTF-8 and stored in code page 932; sets the modified flag.
    void AppendHistory(std::string_view utf8Text);
    // The same with the time stamp taken from localTime (tests, replays).
    void AppendHistory(std::string_view utf8Text, const std::tm& localTime);

    // The one routine of the data file layout, run in the archive's direction.
    // Storing writes the store and changes nothing; loading reads into this
    // store as far as the file goes and throws ArchiveError where it stops, so
    // a failed load leaves a partly loaded store: use LoadFromFile, which runs
    // it on a staging store, for anything the user sees.
    void Persist(DataArchive& archive);
    // Fields 1 to 4 of that layout alone: heads with their calibration data
    // and references, then the LED drivers (the recovery journal's snapshot).
    void PersistSetup(DataArchive& archive);
    // The whole data file: Persist, then the record times' trailer when any
    // record has a time. Flushes the archive.
    void StoreTo(DataArchive& archive) const;

    // Writes the whole store to the data file at utf8Path through a temporary
    // file in the same folder, renamed over the target only when complete.
    // On failure returns false, leaves the old file, and sets error to a
    // message naming the file and the reason. The store is never changed.
    bool SaveToFile(const std::string& utf8Path, std::string& error) const;
    // Reads a data file into the store, all or nothing: a file that is short,
    // exceeds the store's bounds or cannot be opened leaves the store exactly
    // as it was and returns false with a message naming the file. A zero-length
    // file succeeds and changes nothing. Does not touch pathName/title/modified.
    bool LoadFromFile(const std::string& utf8Path, std::string& error);
    // The same, also telling why a load or save failed (None on success).
    // With progress, the bytes moved are counted there (total set first) and
    // a set cancel stops the work with FileFailure::Cancelled: a cancelled
    // save leaves the old file as it was, a cancelled load the store.
    bool LoadFromFile(const std::string& utf8Path, std::string& error, FileFailure& failure,
                      FileProgress* progress = nullptr);
    // The same, with notice set (else emptied) when the load succeeded but
    // something was left out that the user should hear of: a time-stamp
    // trailer that is damaged or of an unknown version.
    bool LoadFromFile(const std::string& utf8Path, std::string& error, FileFailure& failure,
                      std::string& notice, FileProgress* progress = nullptr);
    // A data file's n bytes already in memory, all or nothing as above; name
    // stands for the file in messages.
    bool LoadFromBytes(const void* data, std::size_t n, const std::string& name, std::string& error,
                       std::string& notice);
    bool SaveToFile(const std::string& utf8Path, std::string& error, FileFailure& failure,
                    FileProgress* progress = nullptr) const;

    // LoadFromFile in its two halves, so the reading can run on a worker
    // while the thread that owns this store goes on using it. ReadStaged
    // reads the file into a new store of its own (staged stays null for an
    // empty file, which changes nothing), with notice as above; it touches no
    // existing store.
    static bool ReadStaged(const std::string& utf8Path, std::unique_ptr<Cvarnello_mfDoc>& staged,
                           std::string& error, FileFailure& failure, std::string& notice,
                           FileProgress* progress = nullptr);
    static bool ReadStaged(const std::string& utf8Path, std::unique_ptr<Cvarnello_mfDoc>& staged,
                           std::string& error, FileFailure& failure,
                           FileProgress* progress = nullptr);

    // The size in bytes of the data file SaveToFile writes for this store,
    // the time-stamp trailer included.
    uint64_t StoredSize() const;

    // The allocator of the record spectra (block counts for tests and tools).
    const SpectrumPool& Pool() const { return pool_; }

    // Moves what a successful load read into staged over to this store: the
    // fields the file carries, the loaded records with their times (releasing
    // the arrays they replace) and staged's pool. Cannot fail half-way. Also
    // how a store recovered from a journal takes the document's place. The
    // replaced arrays may go to staged instead of being freed here:
    // destroying staged then frees them, so a caller that minds the time
    // destroys it elsewhere.
    void AdoptLoaded(Cvarnello_mfDoc& staged);

private:
    // Reads a whole store and its trailer from ar into a new staged store;
    // touches no existing store.
    static bool ReadFrom(DataArchive& ar, std::unique_ptr<Cvarnello_mfDoc>& staged,
                         std::string& error, FileFailure& failure, std::string& notice);
    // After the history string: the record times' trailer into staged.
    static TrailerOutcome LoadTrailer(DataArchive& ar, Cvarnello_mfDoc& staged);
    // Loading the records of head a (recordCount[a] already read): a long
    // series is read in two halves at once, the second by a helper thread
    // with its own view of the file.
    void LoadRecords(DataArchive& ar, int a);
    // Reads record r of head a into fresh arrays from pool, first giving the
    // slot's arrays back to it when replaces; throws where the file stops or
    // memory runs out.
    void LoadRecord(DataArchive& ar, SpectrumPool& pool, int a, int r, bool replaces);
    // Arrays this store holds in the slots staged's load fills.
    std::size_t ArraysInSlots(const Cvarnello_mfDoc& staged) const;

    SpectrumPool pool_;
    bool modified_ = false;
};

}  // namespace vmf
