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

size_t RoundToPages(size_t bytes)
{
    return (bytes + PageSize - 1) & ~(PageSize - 1);
}

#if defined(__linux__)
void AdviseHugePages(void* data, size_t bytes)
{
    // Only a hint: the system may have transparent huge pages switched off.
    if (bytes >= (size_t(2) << 20))
        madvise(data, bytes, MADV_HUGEPAGE);
}
#endif
} // namespace

void* AllocateBytes(size_t bytes)
{
    if (bytes == 0)
        return nullptr;
#if defined(__linux__)
    if (bytes >= MapThreshold) {
        void* p =
            mmap(nullptr, RoundToPages(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        AdviseHugePages(p, RoundToPages(bytes));
        return p;
    }
#endif
    void* p = std::malloc(bytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void FreeBytes(void* data, size_t bytes) noexcept
{
    if (!data)
        return;
#if defined(__linux__)
    if (bytes >= MapThreshold) {
        munmap(data, RoundToPages(bytes));
        return;
    }
#endif
    (void)bytes;
    std::free(data);
}

void* ReallocateBytes(void* data, size_t oldBytes, size_t usedBytes, size_t newBytes)
{
    if (!data)
        return AllocateBytes(newBytes);
    if (newBytes == 0) {
        FreeBytes(data, oldBytes);
        return nullptr;
    }
#if defined(__linux__)
    const bool oldMapped = oldBytes >= MapThreshold;
    const bool newMapped = newBytes >= MapThreshold;
    if (oldMapped && newMapped) {
        // Moves page table entries instead of copying bytes.
        void* p = mremap(data, RoundToPages(oldBytes), RoundToPages(newBytes), MREMAP_MAYMOVE);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        AdviseHugePages(p, RoundToPages(newBytes));
        return p;
    }
    if (oldMapped || newMapped) {
        void* p = AllocateBytes(newBytes);
        std::memcpy(p, data, usedBytes < newBytes ? usedBytes : newBytes);
        FreeBytes(data, oldBytes);
        return p;
    }
#endif
    (void)oldBytes;
    (void)usedBytes;
    void* p = std::realloc(data, newBytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}
} // namespace quillon_detail
