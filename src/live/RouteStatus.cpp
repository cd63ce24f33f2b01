// GET /api/v1/status: the heads, the method, the measuring state, the record
// counts and the program's version.

#include "live/LiveBoard.h"
#include "live/LiveJson.h"

namespace vmf {

std::string LiveBoard::StatusJson(std::string_view programVersion) const {
    LiveJsonObject out;
    out["api"] = 1;
    out["version"] = std::string(programVersion);
    const LiveSnapshot* s = latest_.get();
    out["seq"] = s ? s->seq : 0;
    out["measuring"] = MeasuringName(s ? s->measuring : LiveMeasuring::Stopped);
    out["method"] = MethodName(s ? s->method : MeasuringMethod::LightSource);
    out["axis"] = s && s->ratioAxis ? "ratio" : "count";
    LiveJsonObject heads = LiveJsonObject::array();
    for (int a = 0; s && a < static_cast<int>(s->heads.size()); ++a) {
        const LiveHeadIdentity& id = s->headSet->Head(a);
        LiveJsonObject h;
        h["head"] = a;
        h["serialNo"] = id.serialNo;
        h["headKind"] = id.headKind;
        h["channelCount"] = id.channelCount;
        h["recordCount"] = s->heads[static_cast<size_t>(a)].recordCount;
        h["colour"] = HeadColourText(a, s->ratioAxis);
        heads.push_back(std::move(h));
    }
    out["headCount"] = heads.size();
    out["heads"] = std::move(heads);
    return out.dump(-1, ' ', false, LiveJsonObject::error_handler_t::replace);
}

}  // namespace vmf
