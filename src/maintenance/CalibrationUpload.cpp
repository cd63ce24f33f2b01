#include "maintenance/CalibrationUpload.h"

#include "device/CalibrationProtocol.h"
#include "store/TextFormat.h"

namespace vmf {

UploadResult UploadCalibrationTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot head,
                                    DeviceNumber dev) {
    UploadResult result;
    auto fail = [&](std::string part) {
        result.ok = false;
        result.failedPart = std::move(part);
        return result;
    };
    for (int s = 0; s < DARK_STEPS; ++s) {
        if (!WriteDarkStep(doc, lib, head, dev, s))
            return fail(CFormat("ダーク（ステップ %d）", s));
    }
    if (!WriteWavelengthTable(doc, lib, head, dev)) return fail("波長");
    if (!WriteWhiteTable(doc, lib, head, dev)) return fail("ホワイト");
    if (!WriteTransmissionTable(doc, lib, head, dev)) return fail("透過１００％");
    if (!WriteGainTable(doc, lib, head, dev)) return fail("ゲイン");
    if (lib.DevSetCoefficients(dev, doc.wavePoly[head.value].data()) < 0) return fail("波長係数");
    return result;
}

}  // namespace vmf
