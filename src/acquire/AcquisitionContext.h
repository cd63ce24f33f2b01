#pragma once
// The panel values and services the acquisition control works on. All
// references point at objects owned by the panel (or by the command-line
// runner); they are touched on the panel's thread only, except `busy`, which
// the workers set and clear.

#include <array>
#include <atomic>

#include "common/PanelOptions.h"
#include "common/UserDialogs.h"
#include "device/DeviceLibrary.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/RecordJournal.h"

namespace vmf {

struct AcquisitionContext {
    Cvarnello_mfDoc& doc;
    DeviceLibrary& devices;
    UserDialogs& dialogs;
    PanelOptions& options;
    SpectrumWorkspace& workspace;                     // the panel's working arrays
    std::array<DeviceNumber, MAX_HEADS>& headDevice;  // device number per head slot
    int& selectedHead;
    int& displayedRecord;
    MeasuringMethod& method;
    bool& detected;
    bool& measuring;
    bool& darkInProgress;
    bool& selectedOnly;
    std::atomic<int>* busy = nullptr;  // the main frame's busy flag; may be null
    // The recovery journal of this store's recordings; null: not journalled.
    RecordJournal* journal = nullptr;

    ProcessingOptions Processing() const { return {method, options.sensitivityOn != 0}; }
};

}  // namespace vmf
