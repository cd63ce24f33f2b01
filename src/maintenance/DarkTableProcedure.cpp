#include "maintenance/DarkTableProcedure.h"

#include <algorithm>

namespace vmf {

void DarkTableProcedure::Start(int head, DeviceNumber dev) {
    if (head < 0 || head >= MAX_HEADS) return;
    head_ = head;
    dev_ = dev;
    step_ = 0;
    phase_ = 0;
    for (auto& step : doc_.darkTable[head]) step.fill(DARK_START_VALUE);
    lib_.DevSetExposure(dev_, DARK_STEP0_EXPOSURE_US);
    running_ = true;
}

DarkTableProcedure::Tick DarkTableProcedure::OnTick() {
    if (!running_) return Tick::Idle;
    const int p = phase_;
    phase_ = p + 1;
    if (p == 0) {
        ReadAveragedCurrent(doc_, lib_, head_, DARK_SETTLE_READS, current_);
        return Tick::Read;
    }
    if (p == 1) {
        ReadAveragedCurrent(doc_, lib_, head_, DARK_MEASURE_READS, current_);
        const int n = std::clamp(doc_.channelCount[head_], 0, MAX_CHANNELS);
        auto& row = doc_.darkTable[head_][step_];
        std::copy(current_.begin(), current_.begin() + n, row.begin());
        return Tick::Read;
    }
    const int s = step_;
    step_ = s + 1;
    phase_ = 0;
    if (s == DARK_STEPS - 1) {
        running_ = false;
        return Tick::Finished;
    }
    lib_.DevSetExposure(dev_, (s + 1) * DARK_STEP_EXPOSURE_US);
    return Tick::Advanced;
}

}  // namespace vmf
