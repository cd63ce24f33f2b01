#pragma once
// Helpers shared by the store tests: a scratch folder, raw file bytes, a
// little-endian byte builder for hand-made data files, and a whole-store
// comparison.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/Cvarnello_mfDoc.h"

namespace vmf::testing {

class ScratchDir {
public:
    ScratchDir() {
        auto base = std::filesystem::temp_directory_path();
        for (unsigned i = 0;; ++i) {
            path_ =
                base /
                ("vmf-store-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "-" + std::to_string(i));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Builds file images value by value, little-endian.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& U8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& I32(int32_t v) {
        auto u = static_cast<uint32_t>(v);
        return U16(u & 0xFFFF).U16(u >> 16);
    }
    Bytes& U64(uint64_t v) {
        return I32(static_cast<int32_t>(v)).I32(static_cast<int32_t>(v >> 32));
    }
    Bytes& F32(float v) { return I32(std::bit_cast<int32_t>(v)); }
    Bytes& F64(double v) { return U64(std::bit_cast<uint64_t>(v)); }
    Bytes& Str(const std::string& s) {
        U8(static_cast<uint8_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& Raw(const std::vector<uint8_t>& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

inline bool SameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}
inline bool SameBits(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Every field of both stores, floats bit for bit, every record slot that has
// spectra in either store (all 288 values).
inline void ExpectSameStore(const Cvarnello_mfDoc& x, const Cvarnello_mfDoc& y) {
    EXPECT_EQ(x.headCount, y.headCount);
    EXPECT_EQ(x.ledDriverCount, y.ledDriverCount);
    EXPECT_EQ(x.mirrorCount, y.mirrorCount);
    EXPECT_EQ(x.historyText, y.historyText);
    EXPECT_EQ(x.channelCount, y.channelCount);
    EXPECT_EQ(x.ledChannelCount, y.ledChannelCount);
    EXPECT_EQ(x.ledValue, y.ledValue);
    EXPECT_EQ(x.recordCount, y.recordCount);
    EXPECT_EQ(x.headKind, y.headKind);
    EXPECT_EQ(x.serialNo, y.serialNo);
    EXPECT_EQ(x.exposureUs, y.exposureUs);
    EXPECT_EQ(0, std::memcmp(x.darkTable.data(), y.darkTable.data(), sizeof x.darkTable));
    EXPECT_EQ(0, std::memcmp(x.whiteRef.data(), y.whiteRef.data(), sizeof x.whiteRef));
    EXPECT_EQ(0, std::memcmp(x.transRef.data(), y.transRef.data(), sizeof x.transRef));
    EXPECT_EQ(0, std::memcmp(x.gain.data(), y.gain.data(), sizeof x.gain));
    EXPECT_EQ(0, std::memcmp(x.wavelengthNm.data(), y.wavelengthNm.data(), sizeof x.wavelengthNm));
    EXPECT_EQ(0, std::memcmp(x.wavePoly.data(), y.wavePoly.data(), sizeof x.wavePoly));
    EXPECT_EQ(0, std::memcmp(x.recExposureUsRows.get(), y.recExposureUsRows.get(),
                             sizeof *x.recExposureUsRows));
    EXPECT_EQ(0, std::memcmp(x.recTemperatureCRows.get(), y.recTemperatureCRows.get(),
                             sizeof *x.recTemperatureCRows));
    EXPECT_EQ(0, std::memcmp(x.recTimeUtcMsRows.get(), y.recTimeUtcMsRows.get(),
                             sizeof *x.recTimeUtcMsRows));
    EXPECT_EQ(0, std::memcmp(x.recUtcOffsetSRows.get(), y.recUtcOffsetSRows.get(),
                             sizeof *x.recUtcOffsetSRows));
    int mismatches = 0;
    for (int a = 0; a < MAX_HEADS; ++a)
        for (int r = 0; r < MAX_RECORDS; ++r) {
            const float* xs[] = {x.recRaw(a, r), x.recProcessed(a, r)};
            const float* ys[] = {y.recRaw(a, r), y.recProcessed(a, r)};
            for (int k = 0; k < 2; ++k) {
                bool same = (!xs[k] && !ys[k]) ||
                            (xs[k] && ys[k] &&
                             std::memcmp(xs[k], ys[k], MAX_CHANNELS * sizeof(float)) == 0);
                if (!same && ++mismatches <= 5)
                    ADD_FAILURE() << "spectra differ at head " << a << " record " << r;
            }
        }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace vmf::testing
