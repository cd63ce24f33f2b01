#pragma once
// Writing a head's whole calibration table from the store into the head's
// memory: dark steps 0..20, wavelengths, white, 100 % transmission, gain and
// the wavelength polynomial, in that order. The serial is not part of it.

#include <string>

#include "device/DeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

struct UploadResult {
    bool ok = true;
    // What failed (UTF-8, for the message), empty when all went through.
    std::string failedPart;
};

// Stops at the first part the head does not take (a missing reply or a
// refused coefficient write): the later parts would only fail the same way,
// each after its own wait. The head may then hold a partly written table.
UploadResult UploadCalibrationTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot head,
                                    DeviceNumber dev);

}  // namespace vmf
