#include "store/SpectrumPool.h"

#include <algorithm>
#include <new>

namespace vmf {
namespace {
// 4096 blocks of 1152 bytes: 4.5 MiB a slab, so a full store of 1.7 million
// spectra needs about 420 slabs and the per-slab overhead stays negligible.
constexpr std::size_t kBlocksPerSlab = 4096;
}  // namespace

float* SpectrumPool::AllocateUninitialized() {
    float* block = nullptr;
    if (!freeList_.empty()) {
        block = freeList_.back();
        freeList_.pop_back();
    } else {
        if (!current_ || nextInSlab_ == kBlocksPerSlab) {
            // Default-initialised: pages are only touched when blocks are used.
            float* slab = new (std::nothrow) float[kBlocksPerSlab * MAX_CHANNELS];
            if (!slab) return nullptr;
            try {
                slabs_.emplace_back(slab);
            } catch (...) {
                delete[] slab;
                return nullptr;
            }
            current_ = slab;
            nextInSlab_ = 0;
        }
        block = current_ + nextInSlab_ * MAX_CHANNELS;
        ++nextInSlab_;
    }
    ++inUse_;
    return block;
}

float* SpectrumPool::Allocate() {
    float* block = AllocateUninitialized();
    if (block) std::fill_n(block, MAX_CHANNELS, 0.0f);
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
    slabs_.shrink_to_fit();
    freeList_.clear();
    freeList_.shrink_to_fit();
    current_ = nullptr;
    nextInSlab_ = 0;
    inUse_ = 0;
}

void SpectrumPool::Absorb(SpectrumPool& other) {
    if (&other == this || other.slabs_.empty()) return;
    // The uncarved tail of other's current slab becomes free blocks here.
    std::size_t tail = other.current_ ? kBlocksPerSlab - other.nextInSlab_ : 0;
    slabs_.reserve(slabs_.size() + other.slabs_.size());
    freeList_.reserve(freeList_.size() + other.freeList_.size() + tail);
    // Nothing below allocates, so the hand-over cannot stop half-way.
    for (auto& slab : other.slabs_) slabs_.push_back(std::move(slab));
    freeList_.insert(freeList_.end(), other.freeList_.begin(), other.freeList_.end());
    for (std::size_t i = other.nextInSlab_; other.current_ && i < kBlocksPerSlab; ++i)
        freeList_.push_back(other.current_ + i * MAX_CHANNELS);
    inUse_ += other.inUse_;
    other.slabs_.clear();
    other.freeList_.clear();
    other.current_ = nullptr;
    other.nextInSlab_ = 0;
    other.inUse_ = 0;
}

}  // namespace vmf
