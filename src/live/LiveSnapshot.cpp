#include "live/LiveSnapshot.h"

#include <algorithm>
#include <chrono>

namespace vmf {

std::shared_ptr<LiveSnapshot> LivePublisher::Take(const LiveInputs& in) {
    auto s = std::make_shared<LiveSnapshot>();
    s->seq = ++seq_;
    s->handOverNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    s->handOverUtcMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    s->measuring = !in.measuring   ? LiveMeasuring::Stopped
                   : in.intervalOn ? LiveMeasuring::IntervalWaiting
                                   : LiveMeasuring::Measuring;
    s->method = in.method;
    s->ratioAxis = in.method != MeasuringMethod::LightSource;
    s->axisMin = s->ratioAxis ? in.ratioMin : in.graphMin;
    s->axisMax = s->ratioAxis ? in.ratioMax : in.graphMax;
    s->graphMax = in.graphMax;
    s->displayKind = in.displayKind;
    s->selectedHead = in.selectedHead;
    if (!in.doc || !in.workspace) return s;

    const Cvarnello_mfDoc& doc = *in.doc;
    if (!headSet_ || !headSet_->Describes(doc, in.graphMax))
        headSet_ = std::make_shared<const LiveHeadSet>(doc, in.graphMax);
    s->headSet = headSet_;
    const int heads = headSet_->HeadCount();
    s->heads.resize(static_cast<size_t>(heads));
    for (int a = 0; a < heads; ++a) {
        LiveHeadSnapshot& h = s->heads[static_cast<size_t>(a)];
        h.recordCount = doc.recordCount[a];
        // Logging counts the slot just measured; otherwise the cycle wrote
        // the working slot beyond the counted ones.
        const int r = in.loggingOn ? h.recordCount - 1 : h.recordCount;
        if (r >= 0 && r < MAX_RECORDS && doc.recProcessed(a, r)) {
            h.record = r;
            h.exposureUs = doc.recExposureUs(a, r);
            h.temperatureC = doc.recTemperatureC(a, r);
            h.utcMs = doc.recTimeUtcMs(a, r);
            h.utcOffsetS = doc.recUtcOffsetS(a, r);
        }
        h.grid = in.workspace->displaySpectrum[a];
        if (s->ratioAxis) h.ratio = in.workspace->displayRatio[a];
    }
    const int sel = in.selectedHead;
    if (sel >= 0 && sel < heads && in.displayedRecord >= 0 && in.displayedRecord < MAX_RECORDS)
        s->selectedTemperatureC = doc.recTemperatureC(sel, in.displayedRecord);
    return s;
}

void LivePublisher::HandOver(const LiveInputs& in) { sink_.Publish(Take(in)); }

}  // namespace vmf
