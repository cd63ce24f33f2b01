// GET /api/v1/heads/{a}/records/{r}: stored record r (the slot, counted from
// 0 as `stats --record` takes it) of head a, with its grid spectrum and the
// values `trend` gives for it.

#include "live/LiveBoard.h"
#include "live/LiveJson.h"

namespace vmf {

std::optional<std::string> LiveBoard::RecordJson(int a, int r) const {
    const LiveSnapshot* s = latest_.get();
    if (!s || !s->headSet || a < 0 || a >= static_cast<int>(s->heads.size())) return std::nullopt;
    const std::optional<LiveRecord> rec =
        s->headSet->Read(a, r, s->heads[static_cast<size_t>(a)].recordCount);
    if (!rec) return std::nullopt;
    LiveJsonObject obj;
    obj["head"] = a;
    obj["serialNo"] = s->headSet->Head(a).serialNo;
    obj["record"] = r + 1;  // the record number, as `trend` prints it
    AddTrendValues(obj, rec->point);
    return DumpWithArray(obj, "spectrum", rec->grid.data(), GRID_POINTS);
}

}  // namespace vmf
