#pragma once
// Memory straight from the system, in whole pages: zero when first touched,
// paid for only where touched, and given back entirely when freed (the heap
// would keep, trim or clear large blocks as it sees fit).

#include <cstddef>

namespace vmf {

// bytes of zeroed memory, or nullptr when the system has none. largePages asks
// for 2 MiB pages where the system offers them (the block is then aligned to
// 2 MiB, so bytes should be a multiple of it).
void* AllocatePages(std::size_t bytes, bool largePages = false);
// Gives back memory from AllocatePages; bytes as allocated.
void FreePages(void* p, std::size_t bytes) noexcept;
// The memory's contents are no longer needed: the system may take the pages
// back whenever it is short, and a later write keeps (or gets) a page.
void DiscardPages(void* p, std::size_t bytes) noexcept;

}  // namespace vmf
