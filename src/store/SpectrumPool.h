#pragma once
// Slab allocator for record spectra: every block is MAX_CHANNELS floats, carved
// out of large slabs, so a full store costs little more than its data and
// releasing all records is a handful of frees instead of 1.7 million.

#include <cstddef>
#include <memory>
#include <vector>

#include "store/StoreBounds.h"

namespace vmf {

class SpectrumPool {
public:
    SpectrumPool() = default;
    SpectrumPool(const SpectrumPool&) = delete;
    SpectrumPool& operator=(const SpectrumPool&) = delete;

    // A zeroed block of MAX_CHANNELS floats, or nullptr when memory is exhausted.
    float* Allocate();
    // A block whose contents are left as they are, for a caller that writes
    // every value at once (loading); nullptr when memory is exhausted.
    float* AllocateUninitialized();
    // Returns one block for reuse. Its memory goes back to the system with its
    // slab, at ReleaseAll or at ReleaseEmptySlabs.
    void Release(float* block);
    // Drops every block and slab at once (all pointers handed out become invalid).
    void ReleaseAll();
    // Gives back to the system every slab none of whose blocks is in use (after
    // many records were replaced at once, as loading does). Never fails.
    void ReleaseEmptySlabs();
    // Takes over every slab of other, with the blocks handed out from them,
    // which stay valid and now belong to this pool; other is left empty. Either
    // completes or throws std::bad_alloc before anything has moved.
    void Absorb(SpectrumPool& other);
    // Trades every slab, block and free block with other.
    void Swap(SpectrumPool& other) noexcept;
    std::size_t BlocksInUse() const { return inUse_; }
    std::size_t SlabCount() const { return slabs_.size(); }

private:
    struct SlabDeleter {
        void operator()(float* slab) const;
    };
    struct Slab {
        std::unique_ptr<float[], SlabDeleter> memory;
        std::size_t used = 0;  // blocks of this slab handed out and not released
    };
    // The slab holding block; slabs_ is kept sorted by address for this.
    Slab& SlabOf(const float* block);

    std::vector<Slab> slabs_;
    std::vector<float*> freeList_;
    float* current_ = nullptr;    // slab blocks are being carved from
    std::size_t nextInSlab_ = 0;  // blocks used in current_
    std::size_t inUse_ = 0;
};

}  // namespace vmf
