#pragma once
// What the live view publishes of one hand-over, and the taking of it on the
// panel's (or the command line's) thread. Taking one copies the grid rows of
// the heads and a few numbers, nothing more: the head identities and the
// readers of stored records are made again only when the heads change.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "live/LiveRecords.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

enum class LiveMeasuring { Stopped, Measuring, IntervalWaiting };

struct LiveHeadSnapshot {
    int recordCount = 0;
    int record = -1;  // the slot the grid row came from (-1: none yet)
    int32_t exposureUs = 0;
    float temperatureC = 0.0f;
    int64_t utcMs = 0;  // 0: no time
    int32_t utcOffsetS = 0;
    std::array<float, GRID_POINTS> grid{};   // counts
    std::array<float, GRID_POINTS> ratio{};  // percent; filled only on a ratio axis
};

struct LiveSnapshot {
    uint64_t seq = 0;        // hand-overs since the publisher was made, from 1
    int64_t handOverNs = 0;  // steady clock at the hand-over
    int64_t handOverUtcMs = 0;
    LiveMeasuring measuring = LiveMeasuring::Stopped;
    MeasuringMethod method = MeasuringMethod::LightSource;
    bool ratioAxis = false;  // reflectance or transmittance: the ratio in percent
    int axisMin = 0, axisMax = 8192;
    int graphMax = 8192;  // where the info line's minimum starts
    int displayKind = DISPLAY_KIND_STATISTICS;
    int selectedHead = -1;
    float selectedTemperatureC = 0.0f;  // the info line's temperature
    std::vector<LiveHeadSnapshot> heads;
    std::shared_ptr<const LiveHeadSet> headSet;  // identities and stored-record readers
};

// What the taker reads: the panel's values at the hand-over.
struct LiveInputs {
    const Cvarnello_mfDoc* doc = nullptr;
    const SpectrumWorkspace* workspace = nullptr;
    MeasuringMethod method = MeasuringMethod::LightSource;
    bool measuring = false;
    bool intervalOn = false;
    bool loggingOn = false;
    int selectedHead = -1;
    int displayedRecord = 0;
    int displayKind = DISPLAY_KIND_STATISTICS;
    int graphMin = 0, graphMax = 8192, ratioMin = 0, ratioMax = 160;
};

// Where snapshots go; the server's side implements it. Called on the
// taker's thread; must not wait.
class LiveSink {
public:
    virtual ~LiveSink() = default;
    virtual void Publish(std::shared_ptr<const LiveSnapshot> snapshot) = 0;
};

// Lives on the panel's thread (or the command line's).
class LivePublisher {
public:
    explicit LivePublisher(LiveSink& sink) : sink_(sink) {}
    // Takes a snapshot of the inputs and hands it to the sink.
    void HandOver(const LiveInputs& in);
    // The same snapshot without handing it over (benchmarks, tests).
    std::shared_ptr<LiveSnapshot> Take(const LiveInputs& in);

private:
    LiveSink& sink_;
    uint64_t seq_ = 0;
    std::shared_ptr<const LiveHeadSet> headSet_;
};

}  // namespace vmf
