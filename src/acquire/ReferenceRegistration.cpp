#include "acquire/ReferenceRegistration.h"

#include <algorithm>

#include "acquire/AcquisitionTexts.h"
#include "device/CalibrationProtocol.h"

namespace vmf {

bool ReferenceRegistration::HasDisplayedRecord() const {
    const Cvarnello_mfDoc& doc = ctx_.doc;
    const int s = ctx_.selectedHead;
    const int r = ctx_.displayedRecord;
    if (s < 0 || s >= std::clamp(doc.headCount, 0, MAX_HEADS)) return false;
    if (r < 0 || r >= MAX_RECORDS) return false;
    return doc.recProcessed(s, r) != nullptr;
}

bool ReferenceRegistration::OnRegister(ReferenceKind kind) {
    // The table goes into the head's memory: released heads cannot take it.
    if (!ctx_.detected || cycle_.ProcessingBlocked() || ctx_.darkInProgress) return false;
    const bool white = kind == ReferenceKind::White;
    host_.ShowMessage(white ? acq::kMsgRegisterWhite1 : acq::kMsgRegisterTrans1,
                      acq::kMsgRegisterLine2);
    if (!ctx_.dialogs.AskOkCancel(white ? acq::kAskRegisterWhite : acq::kAskRegisterTrans))
        return false;
    const int s = ctx_.selectedHead;
    if (!HasDisplayedRecord() || !RegisterReference(ctx_.doc, s, ctx_.displayedRecord, white)) {
        // Silence here would read as success: reflectance would then be
        // taken against a reference that was never set.
        host_.ShowMessage(acq::kMsgNothingRegistered1, acq::kMsgNothingRegistered2);
        return false;
    }
    if (white)
        WriteWhiteTable(ctx_.doc, ctx_.devices, HeadSlot(s), ctx_.headDevice[s]);
    else
        WriteTransmissionTable(ctx_.doc, ctx_.devices, HeadSlot(s), ctx_.headDevice[s]);
    return true;
}

void ReferenceRegistration::OnRegisterDark() {
    host_.ShowMessage(acq::kMsgRegisterDark1, acq::kMsgRegisterLine2);
    ctx_.dialogs.AskOkCancel(acq::kAskRegisterDark);
}

}  // namespace vmf
