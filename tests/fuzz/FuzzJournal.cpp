// The recovery journal's replay on any bytes: it stops at the first frame it
// cannot trust and leaves a store within its bounds, with records only in
// slots of heads its set-up has.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    const vmf::JournalReplay replay = vmf::ReplayJournal(data, size, *doc);
    if (replay.goodBytes > size) std::abort();
    if (doc->headCount < 0 || doc->headCount > vmf::MAX_HEADS) std::abort();
    for (int a = 0; a < vmf::MAX_HEADS; ++a) {
        if (doc->recordCount[a] < 0 || doc->recordCount[a] > vmf::LAST_RECORD) std::abort();
        if (a >= doc->headCount && doc->recordCount[a] != 0) std::abort();
        for (int r = 0; r < doc->recordCount[a]; ++r)
            if (!doc->recRaw(a, r) || !doc->recProcessed(a, r)) std::abort();
    }
    return 0;
}
