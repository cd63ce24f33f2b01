// GET /api/v1/stream: Server-Sent Events, one "data:" message per hand-over
// a client is sent (at most 30 a second, the newest winning). Each message
// carries everything the page draws, so a page that missed some still shows
// the present: spectra, info line, record and time, state, and the newest
// peak points of every head.

#include "live/LiveBoard.h"
#include "live/LiveJson.h"
#include "store/RecordTime.h"

namespace vmf {

const std::string& LiveBoard::StreamMessage() {
    const LiveSnapshot* s = latest_.get();
    if (!s) {
        message_.clear();
        return message_;
    }
    if (messageSeq_ == s->seq && !message_.empty()) return message_;
    LiveJsonObject top;
    top["seq"] = s->seq;
    top["handOverUtcMs"] = s->handOverUtcMs;
    top["measuring"] = MeasuringName(s->measuring);
    top["method"] = MethodName(s->method);
    top["axis"] = s->ratioAxis ? "ratio" : "count";
    top["axisMin"] = s->axisMin;
    top["axisMax"] = s->axisMax;
    top["selectedHead"] = s->selectedHead;
    top["info"] = InfoLine();
    std::string heads = "[";
    for (int a = 0; a < static_cast<int>(s->heads.size()); ++a) {
        const LiveHeadSnapshot& h = s->heads[static_cast<size_t>(a)];
        LiveJsonObject obj;
        obj["head"] = a;
        obj["serialNo"] = s->headSet->Head(a).serialNo;
        obj["colour"] = HeadColourText(a, s->ratioAxis);
        obj["recordCount"] = h.recordCount;
        obj["record"] = h.record >= 0 ? LiveJsonObject(h.record + 1) : LiveJsonObject();
        if (h.utcMs != 0) obj["time"] = FormatRecordTime(h.utcMs, h.utcOffsetS);
        obj["peaks"] = PeakPointsJson(Peaks(a), kPeakTailLength);
        const auto& row = s->ratioAxis ? h.ratio : h.grid;
        if (a) heads += ',';
        heads += DumpWithArray(obj, "spectrum", row.data(), GRID_POINTS);
    }
    heads += ']';
    message_ = top.dump(-1, ' ', false, LiveJsonObject::error_handler_t::replace);
    message_.pop_back();
    message_ += ",\"heads\":" + heads + '}';
    messageSeq_ = s->seq;
    return message_;
}

}  // namespace vmf
