#pragma once
// A store measured on the instant simulated bench, with every hand-over's
// snapshot kept: what the live tests compare the published JSON against.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "acquire/AcquisitionContext.h"
#include "acquire/HeadlessAcquisition.h"
#include "device/SimulatedDeviceLibrary.h"
#include "live/LiveInputs.h"
#include "live/LiveSnapshot.h"

namespace vmf::test {

struct KeptSnapshots : LiveSink {
    std::vector<std::shared_ptr<const LiveSnapshot>> all;
    LiveSink* forward = nullptr;
    void Publish(std::shared_ptr<const LiveSnapshot> s) override {
        all.push_back(s);
        if (forward) forward->Publish(std::move(s));
    }
};

// Measures `count` records on `heads` heads into doc, publishing through sink.
inline void MeasureLive(Cvarnello_mfDoc& doc, LiveSink& sink, int count, int heads = 2,
                        MeasuringMethod method = MeasuringMethod::LightSource) {
    std::string bench;
    for (int a = 0; a < heads; ++a)
        bench += std::to_string(a) + ":head:SN00000" + std::to_string(a + 1) + ";";
    bench += "timescale=0";
    std::string error;
    auto lib = SimulatedDeviceLibrary::FromText(bench, error);
    ASSERT_TRUE(lib) << error;
    uint32_t now = 1000;
    HeadlessAcquisition run(
        doc, *lib, [&] { return now; }, [&](uint32_t ms) { now += ms; });
    run.SetWallClock([] { return RecordTime{1765000000123, 32400}; });
    LivePublisher publisher(sink);
    run.SetHandOverObserver(
        [&](const AcquisitionContext& ctx) { publisher.HandOver(LiveInputsOf(ctx)); });
    HeadlessAcquireOptions opt;
    opt.count = count;
    opt.exposureUs = 5000;
    opt.method = method;
    const auto result = run.Run(opt, nullptr, nullptr);
    ASSERT_TRUE(result.ok) << result.error;
}

}  // namespace vmf::test
