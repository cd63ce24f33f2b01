#include "store/SpectrumPool.h"

#include <algorithm>
#include <new>

namespace vmf {
namespace {
// 4096 blocks of 1152 bytes: 4.5 MiB a slab, so a full store of 1.7 million
// spectra needs about 420 slabs and the per-slab overhead stays negligible.
constexpr std::size_t kBlocksPerSlab = 4096;
}  // namespace

float* SpectrumPool::Allocate() {
    float* block = nullptr;
    if (!freeList_.empty()) {
        block = freeList_.back();
        freeList_.pop_back();
    } else {
        if (slabs_.empty() || nextInSlab_ == kBlocksPerSlab) {
            float* slab = new (std::nothrow) float[kBlocksPerSlab * MAX_CHANNELS];
            if (!slab) return nullptr;
            try {
                slabs_.emplace_back(slab);
            } catch (...) {
                delete[] slab;
                return nullptr;
            }
            nextInSlab_ = 0;
        }
        block = slabs_.back().get() + nextInSlab_ * MAX_CHANNELS;
        ++nextInSlab_;
    }
    std::fill_n(block, MAX_CHANNELS, 0.0f);
    ++inUse_;
    return block;
}

void SpectrumPool::Release(float* block) {
    if (!block) return;
    try {
        freeList_.push_back(block);
    } catch (...) {
        // Losing one block for reuse is harmless; it is freed with its slab.
    }
    --inUse_;
}

void SpectrumPool::ReleaseAll() {
    slabs_.clear();
    freeList_.clear();
    freeList_.shrink_to_fit();
    nextInSlab_ = 0;
    inUse_ = 0;
}

}  // namespace vmf
