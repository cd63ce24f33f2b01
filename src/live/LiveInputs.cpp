#include "live/LiveInputs.h"

namespace vmf {

LiveInputs LiveInputsOf(const AcquisitionContext& ctx) {
    LiveInputs in;
    in.doc = &ctx.doc;
    in.workspace = &ctx.workspace;
    in.method = ctx.method;
    in.measuring = ctx.measuring;
    in.intervalOn = ctx.options.intervalOn == 1;
    in.loggingOn = ctx.options.loggingOn == 1;
    in.selectedHead = ctx.selectedHead;
    in.displayedRecord = ctx.displayedRecord;
    in.displayKind = ctx.options.displayKind;
    in.graphMin = ctx.options.graphMin;
    in.graphMax = ctx.options.graphMax;
    in.ratioMin = ctx.options.ratioMin;
    in.ratioMax = ctx.options.ratioMax;
    return in;
}

}  // namespace vmf
