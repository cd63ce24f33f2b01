#pragma once
// A DeviceLibrary that forwards to another and records every DevWrite command
// as sent, so tests can compare commands byte for byte.

#include <cstdint>
#include <vector>

#include "device/DeviceLibrary.h"

namespace vmf::test {

class RecordingLibrary : public DeviceLibrary {
public:
    explicit RecordingLibrary(DeviceLibrary& inner) : inner_(inner) {}

    struct Command {
        int dev;
        std::vector<uint8_t> bytes;
    };
    std::vector<Command> commands;
    std::vector<int> readSizes;  // buffer size of every DevRead

    int DevOpen(DeviceNumber d) override { return inner_.DevOpen(d); }
    int DevGetInfoText1(DeviceNumber d, char* b, int s) override {
        return inner_.DevGetInfoText1(d, b, s);
    }
    int DevGetInfoText2(DeviceNumber d, char* b, int s) override {
        return inner_.DevGetInfoText2(d, b, s);
    }
    int DevGetKind(DeviceNumber d) override { return inner_.DevGetKind(d); }
    int DevGetSerial(DeviceNumber d, char* b, int s) override {
        return inner_.DevGetSerial(d, b, s);
    }
    int DevSetSerial(DeviceNumber d, const char* b, int s) override {
        return inner_.DevSetSerial(d, b, s);
    }
    int DevGetCoefficients(DeviceNumber d, double c[WAVE_COEFFS]) override {
        return inner_.DevGetCoefficients(d, c);
    }
    int DevSetCoefficients(DeviceNumber d, const double c[WAVE_COEFFS]) override {
        return inner_.DevSetCoefficients(d, c);
    }
    int DevGetExposure(DeviceNumber d, double* e) override { return inner_.DevGetExposure(d, e); }
    int DevSetExposure(DeviceNumber d, double e) override { return inner_.DevSetExposure(d, e); }
    int DevReadSpectrum(HeadSlot s, int16_t c[MAX_CHANNELS]) override {
        return inner_.DevReadSpectrum(s, c);
    }
    int DevGetTemperature(DeviceNumber d, int16_t* t) override {
        return inner_.DevGetTemperature(d, t);
    }
    int DevWrite(DeviceNumber d, const uint8_t* b, int s) override {
        commands.push_back({d.value, std::vector<uint8_t>(b, b + s)});
        return inner_.DevWrite(d, b, s);
    }
    int DevRead(DeviceNumber d, uint8_t* b, int s) override {
        readSizes.push_back(s);
        return inner_.DevRead(d, b, s);
    }
    int DevClose(DeviceNumber d) override { return inner_.DevClose(d); }
    int DevSetMirrorPosition(DeviceNumber d, uint16_t p) override {
        return inner_.DevSetMirrorPosition(d, p);
    }

private:
    DeviceLibrary& inner_;
};

}  // namespace vmf::test
