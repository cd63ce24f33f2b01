#include "store/SystemPages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace vmf {

#if defined(__linux__)
namespace {
constexpr std::size_t kLargePage = 2u * 1024 * 1024;
}

void* AllocatePages(std::size_t bytes, bool largePages) {
    const std::size_t alignment = largePages ? kLargePage : 4096;
    const std::size_t span = bytes + alignment - 4096;
    void* p = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    // Cut the mapping to the alignment at both ends.
    const auto base = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (base + alignment - 1) & ~(alignment - 1);
    if (aligned > base) munmap(p, aligned - base);
    const std::uintptr_t end = base + span, used = aligned + bytes;
    if (end > used) munmap(reinterpret_cast<void*>(used), end - used);
    void* block = reinterpret_cast<void*>(aligned);
    // Large pages make the first touch of 2 GB of records and their release
    // a thousand page operations instead of half a million.
    if (largePages) (void)madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void FreePages(void* p, std::size_t bytes) noexcept {
    if (p) munmap(p, bytes);
}

void DiscardPages(void* p, std::size_t bytes) noexcept {
#if defined(MADV_FREE)
    (void)madvise(p, bytes, MADV_FREE);
#endif
}
#elif defined(_WIN32)
void* AllocatePages(std::size_t bytes, bool) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreePages(void* p, std::size_t) noexcept {
    if (p) VirtualFree(p, 0, MEM_RELEASE);
}

void DiscardPages(void* p, std::size_t bytes) noexcept {
    (void)VirtualAlloc(p, bytes, MEM_RESET, PAGE_READWRITE);
}
#else
void* AllocatePages(std::size_t bytes, bool) { return std::calloc(1, bytes); }

void FreePages(void* p, std::size_t) noexcept { std::free(p); }

void DiscardPages(void*, std::size_t) noexcept {}
#endif

}  // namespace vmf
