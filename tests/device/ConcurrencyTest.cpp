// One thread reads spectra the way the acquisition worker does while another
// runs detection-style calls on the same library. Run under TSan (the tsan
// preset) to check the bench for data races.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "device/CalibrationProtocol.h"
#include "device/Detection.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/ScriptedDialogs.h"

namespace vmf {
namespace {

TEST(DeviceConcurrency, SpectrumReadsAlongsideDetectionAndTableTransfers) {
    std::string error;
    auto sim = SimulatedDeviceLibrary::FromText(
        "0:head:CONC0001;1:head:CONC0002;2:mirror;timescale=0", error);
    ASSERT_TRUE(sim) << error;
    sim->DevOpen(DeviceNumber(0));
    sim->DevOpen(DeviceNumber(1));

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> failures{0};
    std::thread worker([&] {
        int16_t counts[MAX_CHANNELS];
        int16_t tenths = 0;
        while (!stop.load()) {
            for (int k = 0; k < 2; ++k) {
                if (sim->DevReadSpectrum(HeadSlot(k), counts) != 0) failures.fetch_add(1);
                if (sim->DevGetTemperature(DeviceNumber(k), &tenths) != 0) failures.fetch_add(1);
            }
            reads.fetch_add(1);
        }
    });

    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::ScriptedDialogs dialogs;
    for (int round = 0; round < 5; ++round) {
        auto out = Detect(*doc, *sim, dialogs, {}, 0);
        EXPECT_EQ(doc->headCount, 2);
        sim->SetScene(round % 2 ? Scene::Dark : Scene::White);
        EXPECT_TRUE(WriteWhiteTable(*doc, *sim, HeadSlot(1), out.headDevice[1]));
        sim->DevSetExposure(DeviceNumber(round % 2), 1000.0 + round);
        sim->DevSetMirrorPosition(DeviceNumber(2), static_cast<uint16_t>(round));
    }
    while (reads.load() < 10) std::this_thread::yield();
    stop.store(true);
    worker.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GE(sim->Counters(DeviceNumber(1)).spectra, 10);
}

}  // namespace
}  // namespace vmf
