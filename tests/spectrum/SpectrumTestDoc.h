#pragma once
// A store with heads ready for processing tests: linear channel wavelengths,
// gain 1, and helpers to fill one record slot.

#include <memory>

#include "store/Cvarnello_mfDoc.h"

namespace vmf::test {

// A store with `heads` heads of `channels` channels, wavelengths from 330 nm
// rising by 2 nm per channel (so the grid 340..850 is covered at 288 channels).
inline std::unique_ptr<Cvarnello_mfDoc> MakeDoc(int heads = 1, int channels = MAX_CHANNELS) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = heads;
    for (int a = 0; a < heads; ++a) {
        doc->channelCount[a] = channels;
        for (int c = 0; c < channels; ++c) {
            doc->wavelengthNm[a][c] = 330.0f + 2.0f * static_cast<float>(c);
            doc->gain[a][c] = 1.0f;
        }
    }
    return doc;
}

// Gives slot r of head a its arrays, the exposure and raw counts raw(c).
template <class F>
void FillRecord(Cvarnello_mfDoc& doc, int a, int r, int exposureUs, F raw) {
    ASSERT_TRUE(doc.EnsureRecordArrays(a, r));
    doc.recExposureUs(a, r) = exposureUs;
    for (int c = 0; c < doc.channelCount[a]; ++c) doc.recRaw(a, r)[c] = raw(c);
}

}  // namespace vmf::test
