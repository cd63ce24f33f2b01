#pragma once
// The dialog's direct edits of a head's calibration table in the store.

#include "maintenance/CoefficientListFile.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

// The entry's serial (store bytes) and coefficients become serialNo and
// wavePoly of head slot `head`; wavelengthNm of the 1-based pixel x (1 to
// channelCount) becomes c0 + c1 x + ... + c5 x^5, evaluated in double and
// stored as float. Nothing is sent to the head.
void ApplyCoefficientEntry(Cvarnello_mfDoc& doc, int head, const CoefficientEntry& entry);

// Every dark value of the head becomes 0; gain of channels 0..287 becomes 1
// and white and 100 % transmission graphMax. The exposure entries [288] keep
// their values. Nothing is sent to the head.
void InitialiseCalibrationTable(Cvarnello_mfDoc& doc, int head, int graphMax);

}  // namespace vmf
