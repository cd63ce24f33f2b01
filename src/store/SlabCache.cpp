#include "store/SlabCache.h"

#include <new>

#include "store/SystemPages.h"

namespace vmf {

SlabCache& SlabCache::Instance() {
    // Never destroyed: pools of static stores may return slabs during exit.
    static SlabCache* cache = new SlabCache;
    return *cache;
}

float* SlabCache::Take() {
    {
        std::lock_guard lock(mutex_);
        if (!kept_.empty()) {
            float* slab = kept_.back();
            kept_.pop_back();
            return slab;
        }
    }
    return static_cast<float*>(AllocatePages(kSlabBytes, true));
}

void SlabCache::Give(float* slab) {
    if (!slab) return;
    // Marked before it is listed: once listed another thread may take it and
    // write to it, and a later mark would throw those values away.
    DiscardPages(slab, kSlabBytes);
    {
        std::lock_guard lock(mutex_);
        if (kept_.size() < kMaxKept) {
            try {
                kept_.push_back(slab);
                return;
            } catch (const std::bad_alloc&) {
                // Not kept: freed below.
            }
        }
    }
    FreePages(slab, kSlabBytes);
}

void SlabCache::Trim() {
    std::vector<float*> slabs;
    {
        std::lock_guard lock(mutex_);
        slabs.swap(kept_);
    }
    for (float* slab : slabs) FreePages(slab, kSlabBytes);
}

std::size_t SlabCache::KeptCount() const {
    std::lock_guard lock(mutex_);
    return kept_.size();
}

}  // namespace vmf
