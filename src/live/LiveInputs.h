#pragma once
// The live view's inputs from the acquisition's panel values: what the
// command line's run hands over (the window's panel fills them itself).

#include "acquire/AcquisitionContext.h"
#include "live/LiveSnapshot.h"

namespace vmf {

LiveInputs LiveInputsOf(const AcquisitionContext& ctx);

}  // namespace vmf
