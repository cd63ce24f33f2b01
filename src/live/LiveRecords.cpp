#include "live/LiveRecords.h"

#include <algorithm>
#include <cstring>
#include <shared_mutex>

#include "store/TextCodec.h"

namespace vmf {
namespace {

int HeadsOf(const Cvarnello_mfDoc& doc) { return std::clamp(doc.headCount, 0, MAX_HEADS); }

TrendOptions OptionsFor(int graphMax) {
    TrendOptions o;
    o.graphMax = graphMax;
    o.colour = o.ra = true;  // the values `trend` gives, so both agree
    return o;
}

}  // namespace

LiveHeadSet::LiveHeadSet(const Cvarnello_mfDoc& doc, int graphMax)
    : doc_(doc), generation_(doc.recordGate.Generation()), graphMax_(graphMax) {
    const int n = HeadsOf(doc);
    for (int a = 0; a < n; ++a) {
        LiveHeadIdentity id;
        id.serialNo = Cp932ToUtf8(doc.serialNo[a]);
        id.headKind = Cp932ToUtf8(doc.headKind[a]);
        id.channelCount = doc.channelCount[a];
        heads_.push_back(std::move(id));
        wavelengths_.push_back(doc.wavelengthNm[a]);
    }
}

// The store the records are copied into is large: made by the first reader
// (the server's thread), not by the store's thread at the hand-over, where it
// took milliseconds of the cycle and delayed that hand-over's message.
void LiveHeadSet::MakeReaders() const {
    if (copy_) return;
    copy_ = std::make_unique<Cvarnello_mfDoc>();
    copy_->headCount = HeadCount();
    for (int a = 0; a < HeadCount(); ++a) {
        copy_->channelCount[a] = heads_[static_cast<size_t>(a)].channelCount;
        copy_->wavelengthNm[a] = wavelengths_[static_cast<size_t>(a)];
        copy_->EnsureRecordArrays(a, 0);
        trends_.push_back(std::make_unique<HeadTrend>(*copy_, a, OptionsFor(graphMax_)));
    }
}

LiveHeadSet::~LiveHeadSet() = default;

bool LiveHeadSet::Describes(const Cvarnello_mfDoc& doc, int graphMax) const {
    if (&doc != &doc_ || graphMax != graphMax_ || HeadsOf(doc) != HeadCount() ||
        doc.recordGate.Generation() != generation_)
        return false;
    for (int a = 0; a < HeadCount(); ++a) {
        const auto& wl = wavelengths_[static_cast<size_t>(a)];
        if (doc.channelCount[a] != heads_[static_cast<size_t>(a)].channelCount ||
            std::memcmp(wl.data(), doc.wavelengthNm[a].data(), sizeof(float) * wl.size()) != 0)
            return false;
    }
    return true;
}

std::optional<LiveRecord> LiveHeadSet::Read(int a, int r, int counted) const {
    if (a < 0 || a >= HeadCount() || r < 0 || r >= counted) return std::nullopt;
    const std::lock_guard<std::mutex> one(readMutex_);
    MakeReaders();
    // The shared hold keeps the record's spectrum where it is while it is
    // read; a moved generation means the records were freed or replaced
    // since this set was made, and slot r may now be another record.
    {
        std::shared_lock<RecordGate> hold(doc_.recordGate);
        const float* processed = doc_.recProcessed(a, r);
        float* into = copy_->recProcessed(a, 0);
        if (doc_.recordGate.Generation() != generation_ || !processed || !into) return std::nullopt;
        std::memcpy(into, processed, sizeof(float) * MAX_CHANNELS);
        copy_->recExposureUs(a, 0) = doc_.recExposureUs(a, r);
        copy_->recTemperatureC(a, 0) = doc_.recTemperatureC(a, r);
        copy_->recTimeUtcMs(a, 0) = doc_.recTimeUtcMs(a, r);
        copy_->recUtcOffsetS(a, 0) = doc_.recUtcOffsetS(a, r);
    }
    LiveRecord out;
    out.point = trends_[static_cast<size_t>(a)]->At(0, scratch_);
    out.point.record = r;
    if (out.point[TrendValue::PeakNm] != out.point[TrendValue::PeakNm]) return std::nullopt;
    out.grid = scratch_.ws->displaySpectrum[a];
    return out;
}

}  // namespace vmf
