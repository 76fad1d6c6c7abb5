#include "core/ByteBuffer.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quillon_detail {
namespace {
// Below this size the C library's allocator is cheaper than a mapping of its own.
constexpr size_t MapThreshold = size_t(1) << 20;
constexpr size_t PageSize = 4096;

size_t RoundToPages(size_t ABytes)
{
    return (ABytes + PageSize - 1) & ~(PageSize - 1);
}

#if defined(__linux__)
void AdviseHugePages(void* AData, size_t ABytes)
{
    // Only a hint: the system may have transparent huge pages switched off.
    if (ABytes >= (size_t(2) << 20))
        madvise(AData, ABytes, MADV_HUGEPAGE);
}
#endif
} // namespace

void* AllocateBytes(size_t ABytes)
{
    if (ABytes == 0)
        return nullptr;
#if defined(__linux__)
    if (ABytes >= MapThreshold) {
        void* p =
            mmap(nullptr, RoundToPages(ABytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        AdviseHugePages(p, RoundToPages(ABytes));
        return p;
    }
#endif
    void* p = std::malloc(ABytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}

bool DiscardBytes(void* AData, size_t ACapacityBytes, size_t AUpTo) noexcept
{
#if defined(__linux__)
    // Only whole pages of a mapping of our own: the C library's heap is not ours to change.
    if (AData && ACapacityBytes >= MapThreshold) {
        const size_t pages = AUpTo & ~(PageSize - 1);
        return pages > 0 && madvise(AData, pages, MADV_DONTNEED) == 0;
    }
#endif
    (void)AData;
    (void)ACapacityBytes;
    (void)AUpTo;
    return false;
}

void FreeBytes(void* AData, size_t ABytes) noexcept
{
    if (!AData)
        return;
#if defined(__linux__)
    if (ABytes >= MapThreshold) {
        munmap(AData, RoundToPages(ABytes));
        return;
    }
#endif
    (void)ABytes;
    std::free(AData);
}

void* ReallocateBytes(void* AData, size_t AOldBytes, size_t AUsedBytes, size_t ANewBytes)
{
    if (!AData)
        return AllocateBytes(ANewBytes);
    if (ANewBytes == 0) {
        FreeBytes(AData, AOldBytes);
        return nullptr;
    }
#if defined(__linux__)
    const bool oldMapped = AOldBytes >= MapThreshold;
    const bool newMapped = ANewBytes >= MapThreshold;
    if (oldMapped && newMapped) {
        // Moves page table entries instead of copying bytes.
        void* p = mremap(AData, RoundToPages(AOldBytes), RoundToPages(ANewBytes), MREMAP_MAYMOVE);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        AdviseHugePages(p, RoundToPages(ANewBytes));
        return p;
    }
    if (oldMapped || newMapped) {
        void* p = AllocateBytes(ANewBytes);
        std::memcpy(p, AData, AUsedBytes < ANewBytes ? AUsedBytes : ANewBytes);
        FreeBytes(AData, AOldBytes);
        return p;
    }
#endif
    (void)AOldBytes;
    (void)AUsedBytes;
    void* p = std::realloc(AData, ANewBytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}
} // namespace quillon_detail
