#include "device/SimulatedHead.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "device/HeadCommands.h"

namespace vmf {
namespace {

constexpr double kPi = 3.14159265358979323846;

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A value in [-1, 1) from the stream.
double Unit(uint64_t& state) {
    return static_cast<double>(SplitMix(state) >> 11) * 0x1.0p-52 - 1.0;
}

uint64_t HashText(const std::string& text) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char ch : text) h = (h ^ ch) * 1099511628211ull;
    return h;
}

// Relative spectral radiance of a 2900 K tungsten filament.
double Planck(double nm) {
    constexpr double kSecondRadiation = 1.4388e7;  // nm·K
    double x = kSecondRadiation / (nm * 2900.0);
    return 1.0 / (std::pow(nm / 1000.0, 5.0) * (std::exp(x) - 1.0));
}

// Silicon behind the head's grating: most sensitive in the red.
double Response(double nm) {
    double d = (nm - 620.0) / 260.0;
    return std::exp(-d * d);
}

// Scales the lamp so that the white plate times the response peaks at 1.
double LampNorm() {
    static const double norm = [] {
        double best = 0;
        for (double nm = 300; nm <= 900; nm += 0.5)
            best = std::max(best, Planck(nm) * Response(nm));
        return best;
    }();
    return norm;
}

float LoadFloat(const uint8_t* p) {
    uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return std::bit_cast<float>(u);
}

void StoreFloat(std::vector<uint8_t>& out, float f) {
    uint32_t u = std::bit_cast<uint32_t>(f);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

int LoadIndex(const uint8_t* p) { return p[0] | p[1] << 8; }

template <size_t N>
std::vector<uint8_t> FloatsReply(const std::array<float, N>& values) {
    std::vector<uint8_t> out;
    out.reserve(N * 4);
    for (float f : values) StoreFloat(out, f);
    return out;
}

}  // namespace

double SimulatedHead::Polynomial(const std::array<double, WAVE_COEFFS>& c, double x) {
    double y = 0;
    for (int i = WAVE_COEFFS - 1; i >= 0; --i) y = y * x + c[i];
    return y;
}

double SimulatedHead::SceneRadiance(Scene scene, double nm) {
    double lamp = Planck(nm) / LampNorm();
    switch (scene) {
        case Scene::Dark:
            return 0.0;
        case Scene::Halogen:
            return 1.6 * lamp;
        case Scene::White:
            return 0.98 * lamp;
        case Scene::Sample:
            return lamp * (0.08 + 0.75 / (1.0 + std::exp(-(nm - 600.0) / 15.0)));
        case Scene::Transmission:
            return 0.8 * lamp;
        case Scene::Filter: {
            double d = (nm - 540.0) / 35.0;
            return 0.8 * lamp * (0.02 + 0.7 * std::exp(-d * d));
        }
    }
    return 0.0;
}

SimulatedHead::SimulatedHead(const std::string& serial, DeviceNumber number, uint64_t seed) {
    uint64_t seedState = seed * 1000003ull + static_cast<uint64_t>(number.value);
    rng_.seed(SplitMix(seedState));

    // The head's character (wavelength calibration, pixel response, dark
    // pattern) follows its serial, so the same head looks the same on any bench.
    uint64_t h = HashText(serial);
    memory.serial = serial;
    memory.coeffs = {308.5 + 1.5 * Unit(h), 2.05 + 0.01 * Unit(h), -2.5e-4, 1.2e-8, 0.0, 0.0};
    trueCoeffs_ = memory.coeffs;
    double phase = kPi * Unit(h);
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        double nm = Polynomial(memory.coeffs, c + 1.0);
        double prnu = 1.0 + 0.01 * Unit(h);
        response_[c] = Response(nm) * prnu * kCountsPerUs;
        darkBase_[c] = 255.0 + 15.0 * std::sin(0.37 * c + phase) + 6.0 * Unit(h);
        darkSlope_[c] = 4.0e-4 * (1.0 + 0.3 * std::sin(0.11 * c + 1.0 + phase));
        memory.wavelengthNm[c] = static_cast<float>(nm);
        memory.gain[c] = static_cast<float>(1.0 / prnu);
    }
    for (int s = 0; s < DARK_STEPS; ++s) {
        double exposure = s == 0 ? 265.0 : s * 50000.0;
        for (int c = 0; c < MAX_CHANNELS; ++c)
            memory.dark[s][c] = static_cast<float>(DarkCounts(exposure, c));
    }
}

double SimulatedHead::DarkCounts(double exposure, int c) const {
    return darkBase_[c] + darkSlope_[c] * exposure;
}

double SimulatedHead::SignalCounts(Scene scene, double exposure, int c) const {
    double nm = Polynomial(trueCoeffs_, c + 1.0);
    return SceneRadiance(scene, nm) * response_[c] * exposure;
}

double SimulatedHead::ExpectedCounts(Scene scene, double exposure, int c) const {
    return SignalCounts(scene, exposure, c) + DarkCounts(exposure, c) +
           kTempCounts * (temperatureC - kReferenceTempC);
}

void SimulatedHead::ReadSpectrum(Scene scene, int16_t out[MAX_CHANNELS]) {
    std::normal_distribution<double> gauss(0.0, 1.0);
    double offset = kTempCounts * (temperatureC - kReferenceTempC);
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        double signal = SignalCounts(scene, exposureUs, c);
        double value = signal + DarkCounts(exposureUs, c) + offset;
        value +=
            gauss(rng_) * std::sqrt(kShotFactor * std::max(signal, 0.0) + kReadNoise * kReadNoise);
        value = std::clamp(std::round(value), -32768.0, 32767.0);
        out[c] = static_cast<int16_t>(value);
    }
}

bool SimulatedHead::IsClosingWrite(const uint8_t* b, int size) {
    if (!b || size < 6) return false;
    switch (b[0]) {
        case head::kWriteWavelength:
            return LoadIndex(b + 2) == MAX_CHANNELS;
        case head::kWriteWhite:
        case head::kWriteTrans:
        case head::kWriteGain:
            return LoadIndex(b + 2) == REF_ENTRIES;
        case head::kWriteDark:
            return LoadIndex(b + 4) == MAX_CHANNELS;
        default:
            return false;
    }
}

std::vector<uint8_t> SimulatedHead::HandleCommand(const uint8_t* b, int size) {
    const std::vector<uint8_t> nak{head::kNak};
    const std::vector<uint8_t> ack{head::kAck};
    if (!b || size < 2) return nak;
    const uint8_t op = b[0];
    const uint8_t used = b[1];
    switch (op) {
        case head::kReadWavelength: {
            if (size != head::kSizeReadIndexed || used != head::kUsedReadIndexed) return nak;
            int c = LoadIndex(b + 2);
            if (c >= MAX_CHANNELS) return nak;
            std::vector<uint8_t> out;
            StoreFloat(out, memory.wavelengthNm[c]);
            return out;
        }
        case head::kReadDark: {
            if (size != head::kSizeReadIndexed || used != head::kUsedReadIndexed) return nak;
            int s = LoadIndex(b + 2);
            if (s >= DARK_STEPS) return nak;
            return FloatsReply(memory.dark[s]);
        }
        case head::kReadWhite:
        case head::kReadTrans:
        case head::kReadGain: {
            if (size != head::kSizeReadTable || used != head::kUsedReadTable) return nak;
            return FloatsReply(op == head::kReadWhite   ? memory.white
                               : op == head::kReadTrans ? memory.trans
                                                        : memory.gain);
        }
        case head::kWriteWavelength:
        case head::kWriteWhite:
        case head::kWriteTrans:
        case head::kWriteGain: {
            if (size != head::kSizeWriteValue || used != head::kUsedWriteValue) return nak;
            int i = LoadIndex(b + 2);
            float value = LoadFloat(b + 4);
            // Each table accepts one index past its end: the closing command
            // every transfer ends with. Its value is not kept.
            if (op == head::kWriteWavelength) {
                if (i > MAX_CHANNELS) return nak;
                if (i < MAX_CHANNELS) memory.wavelengthNm[i] = value;
                return ack;
            }
            auto& table = op == head::kWriteWhite   ? memory.white
                          : op == head::kWriteTrans ? memory.trans
                                                    : memory.gain;
            if (i > REF_ENTRIES) return nak;
            if (i < REF_ENTRIES) table[i] = value;
            return ack;
        }
        case head::kWriteDark: {
            if (size != head::kSizeWriteDark || used != head::kUsedWriteDark) return nak;
            int s = LoadIndex(b + 2);
            int c = LoadIndex(b + 4);
            if (s >= DARK_STEPS || c > MAX_CHANNELS) return nak;
            if (c < MAX_CHANNELS) memory.dark[s][c] = LoadFloat(b + 6);
            return ack;
        }
        default:
            return nak;
    }
}

}  // namespace vmf
