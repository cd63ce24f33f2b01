#include "store/SpectrumPool.h"

#include <algorithm>
#include <new>

#include "store/SlabCache.h"

namespace vmf {
namespace {
constexpr std::size_t kBlocksPerSlab = 16384;
// 16384 blocks of 1152 bytes: 18 MiB a slab, exactly nine 2 MiB pages, so a
// full store of 1.7 million spectra needs 106 slabs and the per-slab overhead
// stays negligible.
static_assert(SlabCache::kSlabBytes == kBlocksPerSlab * MAX_CHANNELS * sizeof(float));
}  // namespace

void SpectrumPool::SlabDeleter::operator()(float* slab) const { SlabCache::Instance().Give(slab); }

SpectrumPool::Slab& SpectrumPool::SlabOf(const float* block) {
    auto it = std::upper_bound(slabs_.begin(), slabs_.end(), block,
                               [](const float* b, const Slab& s) { return b < s.memory.get(); });
    return *(it - 1);
}

float* SpectrumPool::AllocateUninitialized() {
    float* block = nullptr;
    if (!freeList_.empty()) {
        block = freeList_.back();
        freeList_.pop_back();
        ++SlabOf(block).used;
    } else {
        if (!current_ || nextInSlab_ == kBlocksPerSlab) {
            // Left uninitialised: pages are only touched when blocks are used.
            float* slab = SlabCache::Instance().Take();
            if (!slab) return nullptr;
            try {
                Slab entry;
                entry.memory.reset(slab);
                auto at = std::upper_bound(
                    slabs_.begin(), slabs_.end(), slab,
                    [](const float* b, const Slab& s) { return b < s.memory.get(); });
                slabs_.insert(at, std::move(entry));
            } catch (...) {
                // entry freed the slab when it went out of scope
                return nullptr;
            }
            current_ = slab;
            nextInSlab_ = 0;
        }
        block = current_ + nextInSlab_ * MAX_CHANNELS;
        ++nextInSlab_;
        ++SlabOf(block).used;
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
    --SlabOf(block).used;
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

void SpectrumPool::ReleaseEmptySlabs() {
    auto empty = [this](const Slab& s) { return s.used == 0 && s.memory.get() != current_; };
    if (std::none_of(slabs_.begin(), slabs_.end(), empty)) return;
    std::erase_if(freeList_, [&](float* b) { return empty(SlabOf(b)); });
    std::erase_if(slabs_, empty);
}

void SpectrumPool::Swap(SpectrumPool& other) noexcept {
    slabs_.swap(other.slabs_);
    freeList_.swap(other.freeList_);
    std::swap(current_, other.current_);
    std::swap(nextInSlab_, other.nextInSlab_);
    std::swap(inUse_, other.inUse_);
}

void SpectrumPool::Absorb(SpectrumPool& other) {
    if (&other == this || other.slabs_.empty()) return;
    // The uncarved tail of other's current slab becomes free blocks here.
    std::size_t tail = other.current_ ? kBlocksPerSlab - other.nextInSlab_ : 0;
    slabs_.reserve(slabs_.size() + other.slabs_.size());
    freeList_.reserve(freeList_.size() + other.freeList_.size() + tail);
    // Nothing below allocates, so the hand-over cannot stop half-way.
    for (auto& slab : other.slabs_) slabs_.push_back(std::move(slab));
    std::sort(slabs_.begin(), slabs_.end(),
              [](const Slab& x, const Slab& y) { return x.memory.get() < y.memory.get(); });
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
