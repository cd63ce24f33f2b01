#pragma once
// Where the spectrum pools get their slabs and where they return them. A
// released slab is kept for the next pool that needs one, up to a limit, with
// its pages marked as discardable: the system may take them back whenever it
// is short of memory, and otherwise a load that follows a clear, or the next
// comparison file, writes into pages it already owns instead of waiting for
// the kernel to supply and zero 200 MB of new ones. Shared by every store in
// the process (the acquisition worker allocates too), hence the lock.

#include <cstddef>
#include <mutex>
#include <vector>

namespace vmf {

class SlabCache {
public:
    // Bytes in one slab; every slab of every pool has this size.
    static constexpr std::size_t kSlabBytes = 16384 * 288 * sizeof(float);
    // Slabs kept at most (576 MiB); what is returned beyond goes back at once.
    static constexpr std::size_t kMaxKept = 32;

    static SlabCache& Instance();

    // A slab of kSlabBytes with unspecified contents, or nullptr when memory
    // is exhausted.
    float* Take();
    // Gives a slab back (nullptr is ignored). Its contents are lost.
    void Give(float* slab);
    // Returns every kept slab to the system.
    void Trim();
    std::size_t KeptCount() const;

    SlabCache(const SlabCache&) = delete;
    SlabCache& operator=(const SlabCache&) = delete;

private:
    SlabCache() = default;

    mutable std::mutex mutex_;
    std::vector<float*> kept_;
};

}  // namespace vmf
