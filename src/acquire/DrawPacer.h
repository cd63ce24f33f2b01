#pragma once
// Redrawing of measuring results paced to what the eye can follow. Cycles can
// come faster than a screen is worth redrawing (several hundred a second on
// short exposures), and a redraw costs the panel's thread more than taking up
// a cycle's results. So results that arrive less than kMinGapMs after the last
// redraw are only marked pending; the next redraw shows whatever is newest
// then. Slower cycles are drawn one by one as they come, and the last cycle of
// a run is always drawn.

#include <cstdint>

namespace vmf {

class DrawPacer {
public:
    static constexpr uint32_t kMinGapMs = 33;  // about 30 redraws a second

    // A new run: its first results are drawn at once.
    void Reset() {
        drawnOnce_ = false;
        pending_ = false;
    }
    // New results at `now`: true when they are to be drawn now (then call
    // Drawn); otherwise they stay pending.
    bool OnResults(uint32_t now, bool last) {
        if (last || Due(now)) return true;
        pending_ = true;
        return false;
    }
    // Enough time has passed since the last redraw for another.
    bool Due(uint32_t now) const { return !drawnOnce_ || now - lastDraw_ >= kMinGapMs; }
    // Results were taken up but not drawn yet.
    bool Pending() const { return pending_; }
    void Drawn(uint32_t now) {
        lastDraw_ = now;
        drawnOnce_ = true;
        pending_ = false;
    }

private:
    uint32_t lastDraw_ = 0;
    bool drawnOnce_ = false;
    bool pending_ = false;
};

}  // namespace vmf
