#pragma once
// A store with one head whose records resample to known values, and small
// file helpers shared by the CSV tests.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fakes/TestText.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf::test {

// Channel c sits at 300 + 2c nm, so grid wavelength w (even) falls exactly on
// channel (w - 300) / 2 and the resampled value is that channel's count.
inline int ChannelAt(int nm) { return (nm - 300) / 2; }

struct CsvFixture {
    std::unique_ptr<Cvarnello_mfDoc> doc = std::make_unique<Cvarnello_mfDoc>();
    SpectrumWorkspace ws;

    CsvFixture() {
        doc->headCount = 1;
        doc->channelCount[0] = MAX_CHANNELS;
        for (int c = 0; c < MAX_CHANNELS; ++c)
            doc->wavelengthNm[0][c] = 300.0f + 2.0f * static_cast<float>(c);
    }
    // Adds a record to head a whose raw counts are base + c (so dark 0 gives
    // a straight spectrum), then sets the counts at the given wavelengths.
    int AddRecord(float temperature, int exposureUs, std::vector<std::pair<int, float>> at = {},
                  float base = 0.0f, int a = 0) {
        int r = doc->recordCount[a];
        doc->EnsureRecordArrays(a, r);
        float* raw = doc->recRaw(a, r);
        for (int c = 0; c < MAX_CHANNELS; ++c) raw[c] = base + static_cast<float>(c);
        for (auto [nm, v] : at) raw[ChannelAt(nm)] = v;
        doc->recTemperatureC(a, r) = temperature;
        doc->recExposureUs(a, r) = exposureUs;
        doc->recordCount[a] = r + 1;
        return r;
    }
    // The two records of the worked example at 340, 350 and 360 nm.
    void AddExampleRecords() {
        AddRecord(25.3f, 10000, {{340, 101.5f}, {350, 230.0f}, {360, 412.8f}});
        AddRecord(25.4f, 10000, {{340, 102.0f}, {350, 229.5f}, {360, 410.1f}});
    }
};

// A fresh, empty folder under the system's temporary folder.
inline std::filesystem::path FreshFolder(const std::string& name) {
    auto dir =
        std::filesystem::temp_directory_path() /
        (name + "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace vmf::test
