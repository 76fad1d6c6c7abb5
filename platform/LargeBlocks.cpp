// Large blocks asked for with new (the text controls' buffers of a big document) are backed by
// transparent huge pages where the system offers them. Filling a few hundred megabytes of fresh
// memory page by page spends most of its time in page faults, one every 4 KiB; with huge pages it is
// one every 2 MiB. The outline's own buffers ask for huge pages themselves (core/ByteBuffer).
//
// Linked into each program as an object of its own: it replaces the global operator new, also for
// the libraries the program loads. Blocks still come from the C library, so the standard operator
// delete gives them back. Builds with AddressSanitizer keep the sanitizer's own operator new.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>
#include <sys/mman.h>

namespace {
// From this size on a block is worth huge pages.
constexpr std::size_t LargeBlock = std::size_t(4) << 20;
constexpr std::uintptr_t PageMask = 4095;

// A fixed threshold keeps every large block in a mapping of its own (the C library would otherwise
// raise it after freeing one and carve the next from its heap): the advice then never reaches the
// heap, and a freed block goes straight back to the system.
const bool MappedLargeBlocks = mallopt(M_MMAP_THRESHOLD, int(LargeBlock)) == 1;

void AdviseHugePages(void* ABlock, std::size_t ASize)
{
    // The whole pages inside the block (the C library puts a small header before it).
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(ABlock) + PageMask) & ~PageMask;
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(ABlock) + ASize) & ~PageMask;
    // Only a hint: the system may have transparent huge pages switched off.
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

void* AllocateBlock(std::size_t ASize)
{
    for (;;) {
        if (void* block = std::malloc(ASize ? ASize : 1)) {
            if (ASize >= LargeBlock && MappedLargeBlocks)
                AdviseHugePages(block, ASize);
            return block;
        }
        // As the standard operator new: the handler may free memory, else the request fails.
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}
} // namespace

void* operator new(std::size_t ASize)
{
    return AllocateBlock(ASize);
}

void* operator new[](std::size_t ASize)
{
    return AllocateBlock(ASize);
}
#endif
