#include "store/Cvarnello_mfDoc.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "store/LocalTime.h"
#include "store/SystemPages.h"
#include "store/TextCodec.h"

namespace vmf {

namespace {
// Zeroed rows straight from the system; every row type is an array of
// numbers or pointers, for which all-zero bytes are 0 and nullptr.
template <class Rows>
Cvarnello_mfDoc::RowPtr<Rows> ZeroedRows() {
    void* p = AllocatePages(sizeof(Rows));
    if (!p) throw std::bad_alloc();
    return Cvarnello_mfDoc::RowPtr<Rows>(static_cast<Rows*>(p));
}
}  // namespace

Cvarnello_mfDoc::Cvarnello_mfDoc()
    : recExposureUsRows(ZeroedRows<std::array<std::array<int32_t, MAX_RECORDS>, MAX_HEADS>>()),
      recTemperatureCRows(ZeroedRows<std::array<std::array<float, MAX_RECORDS>, MAX_HEADS>>()),
      recTimeUtcMsRows(ZeroedRows<std::array<std::array<int64_t, MAX_RECORDS>, MAX_HEADS>>()),
      recUtcOffsetSRows(ZeroedRows<std::array<std::array<int32_t, MAX_RECORDS>, MAX_HEADS>>()),
      recRawRows(ZeroedRows<std::array<std::array<float*, MAX_RECORDS>, MAX_HEADS>>()),
      recProcessedRows(ZeroedRows<std::array<std::array<float*, MAX_RECORDS>, MAX_HEADS>>()) {
    channelCount.fill(MAX_CHANNELS);
    ledChannelCount.fill(MAX_LED_CHANNELS);
}

Cvarnello_mfDoc::~Cvarnello_mfDoc() {
    // Ending the program is not discarding: a journal stays for recovery.
    recordsDiscarded = nullptr;
    ClearRecords();
}

bool Cvarnello_mfDoc::HasRecordTimes() const {
    for (int a = 0; a < headCount && a < MAX_HEADS; ++a) {
        const auto& row = (*recTimeUtcMsRows)[a];
        const int n = std::clamp(recordCount[a], 0, MAX_RECORDS);
        for (int r = 0; r < n; ++r)
            if (row[r] != 0) return true;
    }
    return false;
}

void Cvarnello_mfDoc::ClearRecords() {
    const std::lock_guard<RecordGate> hold(recordGate);
    recordGate.NextGeneration();
    // The counted records' times go with them (only pages in use are touched),
    // so no later reader can take an old time for a new record.
    for (int a = 0; a < MAX_HEADS; ++a) {
        const int n = std::clamp(recordCount[a], 0, MAX_RECORDS);
        std::fill_n((*recTimeUtcMsRows)[a].begin(), n, int64_t{0});
        std::fill_n((*recUtcOffsetSRows)[a].begin(), n, int32_t{0});
    }
    recordCount.fill(0);
    if (recordsDiscarded) recordsDiscarded();
    // Every present spectrum is a block of the pool; with none in use every
    // pointer is already null, and the rows' untouched pages stay untouched.
    if (pool_.BlocksInUse() == 0 && pool_.SlabCount() == 0) return;
    // All spectra come from one pool, so clearing is dropping the slabs and
    // nulling the pointer rows, not 1.7 million individual frees.
    for (auto& row : *recRawRows) row.fill(nullptr);
    for (auto& row : *recProcessedRows) row.fill(nullptr);
    pool_.ReleaseAll();
}

bool Cvarnello_mfDoc::EnsureRecordArrays(int a, int r) {
    if (a < 0 || a >= MAX_HEADS || r < 0 || r >= MAX_RECORDS) return false;
    float*& raw = (*recRawRows)[a][r];
    float*& processed = (*recProcessedRows)[a][r];
    if (!raw) raw = pool_.Allocate();
    if (!processed) processed = pool_.Allocate();
    return raw && processed;
}

void Cvarnello_mfDoc::AdvanceRecords() {
    for (int a = 0; a < headCount && a < MAX_HEADS; ++a)
        if (recordCount[a] < LAST_RECORD) ++recordCount[a];
}

void Cvarnello_mfDoc::AppendHistory(std::string_view utf8Text) {
    if (const std::optional<std::tm> local = LocalTime(std::time(nullptr))) {
        AppendHistory(utf8Text, *local);
        return;
    }
    // No local time to be had: the line goes in without a stamp.
    historyText += Utf8ToCp932(utf8Text);
    historyText += "\r\n";
    SetModifiedFlag(true);
}

void Cvarnello_mfDoc::AppendHistory(std::string_view utf8Text, const std::tm& localTime) {
    char stamp[64] = {};
    size_t n = std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S,", &localTime);
    // Build the line first so the history gains all of it or nothing.
    std::string line(stamp, n);
    line += Utf8ToCp932(utf8Text);
    line += "\r\n";
    historyText += line;
    SetModifiedFlag(true);
}

}  // namespace vmf
