#include "panel/ComparisonSet.h"

#include <algorithm>

#include "common/DocumentNaming.h"
#include "common/FileWork.h"
#include "spectrum/GridResampler.h"
#include "store/TextFormat.h"

namespace vmf {

ComparisonSet::ComparisonSet(std::unique_ptr<Cvarnello_mfDoc>& store, CompareRows& spectrum,
                             int& head, int& record)
    : store_(store), spectrum_(spectrum), head_(head), record_(record) {}

bool ComparisonSet::Load(const std::string& utf8Path, std::string& error, FileWork* work) {
    // A fresh store, so the previous comparison stays whole until this one
    // has been read completely; the worker touches nothing else.
    auto loaded = std::make_unique<Cvarnello_mfDoc>();
    bool read = false;
    FileFailure failure = FileFailure::None;
    auto job = [&](FileProgress& progress) {
        read = loaded->LoadFromFile(utf8Path, error, failure, &progress);
    };
    ImmediateFileWork immediate;
    if (!(work ? work : &immediate)
             ->Run(FileJobCaption(kLoadingCaption, FileNameOf(utf8Path)), job)) {
        error = kFileWorkRunning;
        return false;
    }
    if (!read) {
        if (failure == FileFailure::Cancelled) error.clear();
        return false;
    }
    store_ = std::move(loaded);
    name_ = FileNameOf(utf8Path);
    head_ = 0;
    record_ = 0;
    // The graph draws the rows of all comparison heads, not only the current
    // one: give each the file's first record rather than what a previous file
    // or visit left there.
    for (int a = 0; a < MAX_HEADS; ++a) ResampleCompare(a, 0);
    return true;
}

void ComparisonSet::Clear() {
    store_.reset();
    name_.clear();
    head_ = 0;
    record_ = 0;
    for (auto& row : spectrum_) row.fill(0.0f);
}

int ComparisonSet::HeadCount() const {
    return store_ ? std::clamp(store_->headCount, 0, MAX_HEADS) : 0;
}

int ComparisonSet::RecordCount(int a) const {
    if (a < 0 || a >= HeadCount()) return 0;
    return std::clamp(store_->recordCount[a], 0, MAX_RECORDS);
}

void ComparisonSet::ClampRecord() {
    record_ = std::clamp(record_, 0, std::max(RecordCount(head_) - 1, 0));
}

bool ComparisonSet::StepHead(int delta) {
    const int target = head_ + delta;
    if (delta == 0 || target < 0 || target >= HeadCount()) return false;
    head_ = target;
    ClampRecord();
    ResampleCompare(head_, record_);
    return true;
}

bool ComparisonSet::StepRecord(int delta) {
    const int target = record_ + delta;
    if (delta == 0 || target < 0 || target >= RecordCount(head_)) return false;
    record_ = target;
    ResampleCompare(head_, record_);
    return true;
}

void ComparisonSet::ResampleCompare(int a, int r) {
    if (a < 0 || a >= MAX_HEADS) return;
    auto& row = spectrum_[a];
    const float* processed = (r >= 0 && r < RecordCount(a)) ? store_->recProcessed(a, r) : nullptr;
    if (!processed) {
        row.fill(0.0f);
        return;
    }
    const int n = std::clamp(store_->channelCount[a], 0, MAX_CHANNELS);
    const float* wl = store_->wavelengthNm[a].data();
    GridBrackets brackets;
    FindBrackets(wl, n, brackets);
    ApplyBrackets(brackets, processed, wl, row.data());
}

std::string ComparisonSet::HeadPositionText() const {
    return CFormat("%d / %d", head_ + 1, HeadCount());
}

std::optional<std::string> ComparisonSet::RecordPositionText() const {
    if (HeadCount() == 0) return std::nullopt;
    return CFormat("%d / %d", record_ + 1, RecordCount(head_));
}

}  // namespace vmf
