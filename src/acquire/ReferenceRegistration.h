#pragma once
// The buttons "ホワイト設定" (1020) and "100%透過設定" (1021): the displayed
// record of the selected head becomes its white or 100 % transmission
// reference, in the store and in the head's own memory. And the hidden
// "ダーク再設定" (1040), which asks and stores nothing.

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/AcquisitionHost.h"

namespace vmf {

enum class ReferenceKind { White, Transmission100 };

class ReferenceRegistration {
public:
    ReferenceRegistration(AcquisitionContext& ctx, AcquisitionHost& host,
                          const AcquisitionCycle& cycle)
        : ctx_(ctx), host_(host), cycle_(cycle) {}

    // Shows the two lines, asks, and on OK registers and writes the row to the
    // head. When the selected head has no record in the displayed slot, an OK
    // stores nothing and the message area says so. Does nothing at all while
    // a cycle is busy with the working slot. Nothing is redrawn or reprocessed.
    // Returns true when the reference was stored.
    bool OnRegister(ReferenceKind kind);
    // "ダーク再設定": the lines and the question; no data change either way
    // (dark data come from the dark measurement and the maintenance dialog).
    void OnRegisterDark();

private:
    bool HasDisplayedRecord() const;

    AcquisitionContext& ctx_;
    AcquisitionHost& host_;
    const AcquisitionCycle& cycle_;
};

}  // namespace vmf
