#include "device/Detection.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "device/CalibrationProtocol.h"
#include "device/HeadCommands.h"
#include "store/HistoryEntries.h"
#include "store/LocalTime.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

constexpr size_t kSerialLength = 8;

// Everything detection reads from one head, held aside until all of it has
// arrived so that a head lost half-way leaves nothing in the store.
struct StagedHead {
    std::string serial;  // device bytes, cut to 8
    std::array<double, WAVE_COEFFS> coeffs{};
    int32_t exposureUs = 0;
    std::array<float, MAX_CHANNELS> wavelength{};
    std::array<std::array<float, MAX_CHANNELS>, DARK_STEPS> dark{};
    std::array<float, REF_ENTRIES> gain{};
    std::array<float, REF_ENTRIES> white{};
    std::array<float, REF_ENTRIES> trans{};
};

// Exposure as the store keeps it: truncated towards zero; a value no int can
// hold is pinned to the nearest end, and a NaN counts as 0.
int32_t TruncateExposure(double us) {
    if (!std::isfinite(us))
        return std::isnan(us) ? 0
                              : (us > 0 ? std::numeric_limits<int32_t>::max()
                                        : std::numeric_limits<int32_t>::min());
    if (us >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (us <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::trunc(us));
}

bool ReadHead(DeviceLibrary& lib, DeviceNumber dev, StagedHead& h) {
    char serial[kSerialBufferSize] = {};
    if (lib.DevGetSerial(dev, serial, kSerialBufferSize) < 0) return false;
    serial[kSerialBufferSize - 1] = '\0';  // a full buffer need not carry its NUL
    h.serial.assign(serial, std::min(std::strlen(serial), kSerialLength));
    if (lib.DevGetCoefficients(dev, h.coeffs.data()) < 0) return false;
    double exposure = 0;
    if (lib.DevGetExposure(dev, &exposure) < 0) return false;
    h.exposureUs = TruncateExposure(exposure);
    if (!ReadWavelengthInto(lib, dev, MAX_CHANNELS, h.wavelength)) return false;
    for (int s = 0; s < DARK_STEPS; ++s)
        if (!ReadDarkStepInto(lib, dev, s, MAX_CHANNELS, h.dark[s])) return false;
    return ReadReferenceInto(lib, dev, head::kReadGain, MAX_CHANNELS, h.gain) &&
           ReadReferenceInto(lib, dev, head::kReadWhite, MAX_CHANNELS, h.white) &&
           ReadReferenceInto(lib, dev, head::kReadTrans, MAX_CHANNELS, h.trans);
}

void Commit(Cvarnello_mfDoc& doc, int k, const StagedHead& h) {
    doc.headKind[k] = KindLabel(kKindSpectrometer);
    doc.serialNo[k] = h.serial;
    doc.channelCount[k] = MAX_CHANNELS;
    doc.wavePoly[k] = h.coeffs;
    doc.exposureUs[k] = h.exposureUs;
    doc.wavelengthNm[k] = h.wavelength;
    doc.darkTable[k] = h.dark;
    doc.gain[k] = h.gain;
    doc.whiteRef[k] = h.white;
    doc.transRef[k] = h.trans;
}

std::string TimeStamp(std::time_t now) { return FormatLocalTime(now, "%Y%m%d_%H%M%S"); }

}  // namespace

const char* KindLabel(int kind) {
    switch (kind) {
        case kKindSpectrometer:
            return "C12880MA";
        case kKindLed16:
            return "LED16ch";
        case kKindLed8:
            return "LED8ch";
        case kKindMirror:
            return "M-MIRROR";
        default:
            return nullptr;
    }
}

DetectionOutcome Detect(Cvarnello_mfDoc& doc, DeviceLibrary& lib, UserDialogs& dialogs,
                        const std::function<void(int slot)>& deriveDarkModel, std::time_t now) {
    DetectionOutcome out;
    if (doc.recordCount[0] != 0) {
        if (!dialogs.AskOkCancel(kDetectClearQuestion)) {
            out.cancelled = true;
            return out;
        }
        doc.ClearRecords();
    }
    doc.headCount = 0;
    doc.ledDriverCount = 0;
    doc.mirrorCount = 0;

    auto staged = std::make_unique<StagedHead>();
    for (int n = 0; n < MAX_DEVICES; ++n) {
        const DeviceNumber dev(n);
        if (lib.DevOpen(dev) != 1) continue;
        char info[kInfoTextSize] = {};
        lib.DevGetInfoText1(dev, info, kInfoTextSize);
        lib.DevGetInfoText2(dev, info, kInfoTextSize);
        const int kind = lib.DevGetKind(dev);
        const char* label = KindLabel(kind);
        if (!label) {
            out.ignored.push_back(DetectedDevice{dev, kind, {}});
            continue;
        }
        if (kind == kKindSpectrometer) {
            if (doc.headCount >= MAX_HEADS) continue;  // cannot happen with ten numbers
            *staged = StagedHead{};
            if (!ReadHead(lib, dev, *staged)) {
                // Closing takes the lost head out of the library's slot order,
                // which must keep matching the slots handed out here.
                lib.DevClose(dev);
                out.failedHeads.push_back(dev);
                continue;
            }
            const int k = doc.headCount++;
            Commit(doc, k, *staged);
            out.headDevice[k] = dev;
            out.headList.push_back(Cp932ToUtf8(staged->serial));
            if (deriveDarkModel) deriveDarkModel(k);
        } else if (kind == kKindLed16 || kind == kKindLed8) {
            if (doc.ledDriverCount < MAX_HEADS)
                doc.ledChannelCount[doc.ledDriverCount++] = kind == kKindLed16 ? 16 : 8;
            out.deviceList.push_back(label);
        } else {
            ++doc.mirrorCount;
            out.mirrorDevice = dev;
            out.deviceList.push_back(label);
        }
        out.devices.push_back(DetectedDevice{dev, kind, label});
    }

    if (doc.headCount > 0) {
        out.headsFound = true;
        std::string title;
        for (int k = 0; k < doc.headCount; ++k)
            CFormatAppend(title, "%s_", Cp932ToUtf8(doc.serialNo[k]).c_str());
        doc.title = title + TimeStamp(now);
        // A new series under new heads: the file opened before holds another
        // one, and File Save must ask where this one goes rather than
        // replace that file with it.
        doc.pathName.clear();
        doc.AppendHistory(DetectionEntryText(doc));
    }
    return out;
}

void Release(Cvarnello_mfDoc& doc, DeviceLibrary& lib,
             const std::array<DeviceNumber, MAX_HEADS>& headDevice) {
    for (int k = 0; k < doc.headCount && k < MAX_HEADS; ++k) lib.DevClose(headDevice[k]);
    doc.AppendHistory(ReleaseEntryText());
}

}  // namespace vmf
