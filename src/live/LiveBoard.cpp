#include "live/LiveBoard.h"

#include "spectrum/RecordTrend.h"

namespace vmf {

LiveBoard::LiveBoard() : ws_(std::make_unique<SpectrumWorkspace>()) {}
LiveBoard::~LiveBoard() = default;

void LiveBoard::Absorb(std::shared_ptr<const LiveSnapshot> snapshot) {
    if (!snapshot) return;
    const bool newHeads = !latest_ || latest_->headSet != snapshot->headSet;
    latest_ = std::move(snapshot);
    const int heads = static_cast<int>(latest_->heads.size());
    for (int a = 0; a < MAX_HEADS; ++a) {
        auto& strip = peaks_[static_cast<size_t>(a)];
        // Other heads (a new detection or a loaded file) start a new strip.
        if (newHeads || a >= heads) strip.clear();
        if (a >= heads) continue;
        const LiveHeadSnapshot& h = latest_->heads[static_cast<size_t>(a)];
        if (h.record < 0) continue;
        strip.push_back(
            {latest_->seq, h.record, GRID_START_NM + PeakIndex(h.grid.data(), GRID_POINTS)});
        if (strip.size() > kPeakStripLength) strip.pop_front();
    }
}

std::string LiveBoard::InfoLine() {
    const LiveSnapshot* s = latest_.get();
    if (!s || s->selectedHead < 0 || s->selectedHead >= static_cast<int>(s->heads.size()))
        return {};
    const int a = s->selectedHead;
    ws_->displaySpectrum[a] = s->heads[static_cast<size_t>(a)].grid;
    return ws_->InfoBarText(a, s->displayKind, s->selectedTemperatureC, s->graphMax);
}

}  // namespace vmf
