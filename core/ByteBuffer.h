#pragma once
// Growable buffers for the large texts and node arrays of a document.
//
// Large documents make page faults, not instructions, the main cost: a 100 MB document gives about
// 250 MB of formatted text and millions of outline nodes. These buffers therefore never zero-fill
// (std::vector and std::string do on resize), reserve address space generously without touching it,
// grow in place with mremap where the platform has it, and ask for transparent huge pages.

#include <cstddef>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

namespace quillon_detail {
// Raw storage; capacities are in bytes. AllocateBytes and ReallocateBytes throw std::bad_alloc.
void* AllocateBytes(size_t ABytes);
void* ReallocateBytes(void* AData, size_t AOldBytes, size_t AUsedBytes, size_t ANewBytes);
void FreeBytes(void* AData, size_t ABytes) noexcept;
// Gives the whole pages of the first AUpTo bytes back to the system, where the storage allows it (they
// read as zeros afterwards); true when it did.
bool DiscardBytes(void* AData, size_t ACapacityBytes, size_t AUpTo) noexcept;
} // namespace quillon_detail

// A contiguous array of trivially copyable elements; new elements are left uninitialised.
template<class T> class TPodBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TPodBuffer() = default;
    TPodBuffer(const TPodBuffer&) = delete;
    TPodBuffer& operator=(const TPodBuffer&) = delete;
    TPodBuffer(TPodBuffer&& AOther) noexcept { Swap(AOther); }
    TPodBuffer& operator=(TPodBuffer&& AOther) noexcept
    {
        TPodBuffer(std::move(AOther)).Swap(*this);
        return *this;
    }
    ~TPodBuffer() { quillon_detail::FreeBytes(FData, FCapacity * sizeof(T)); }

    T* Data() { return FData; }
    const T* Data() const { return FData; }
    size_t Size() const { return FSize; }
    size_t Capacity() const { return FCapacity; }
    bool Empty() const { return FSize == 0; }
    T& operator[](size_t AI) { return FData[AI]; }
    const T& operator[](size_t AI) const { return FData[AI]; }
    T& Back() { return FData[FSize - 1]; }

    // Called before the elements may move to other memory (when the buffer grows), so that a reader
    // on another thread can stop reading the old place.
    using TMoveHook = void (*)(void* AContext);
    void SetMoveHook(TMoveHook AHook, void* AContext)
    {
        FMoveHook = AHook;
        FMoveContext = AContext;
    }

    void Reserve(size_t ACount)
    {
        if (ACount <= FCapacity)
            return;
        if (FMoveHook && FData)
            FMoveHook(FMoveContext);
        FData = static_cast<T*>(quillon_detail::ReallocateBytes(
            FData, FCapacity * sizeof(T), FSize * sizeof(T), ACount * sizeof(T)));
        FCapacity = ACount;
    }
    // Makes room for n more elements, growing by half of the size at least.
    void EnsureSpare(size_t AN)
    {
        if (FCapacity - FSize < AN)
            Reserve(FSize + (AN > FSize / 2 ? AN : FSize / 2) + 64);
    }
    // Sets the size; elements beyond the old size are uninitialised.
    void ResizeUninitialized(size_t ACount)
    {
        Reserve(ACount);
        FSize = ACount;
    }
    void PushBack(const T& AValue)
    {
        EnsureSpare(1);
        FData[FSize++] = AValue;
    }
    void Append(const T* AValues, size_t ACount)
    {
        EnsureSpare(ACount);
        std::memcpy(static_cast<void*>(FData + FSize), AValues, ACount * sizeof(T));
        FSize += ACount;
    }
    void PopBack() { --FSize; }
    void Truncate(size_t ACount) { FSize = ACount < FSize ? ACount : FSize; }
    void Clear() { FSize = 0; }
    // Gives the memory back.
    void Release() { TPodBuffer().Swap(*this); }
    // Gives the memory of the elements before AUpTo back to the system where it can (whole pages of a
    // large buffer): a one-pass reader's way of not holding what it has read. Those elements read as
    // zeros afterwards. True when memory was given back.
    bool DiscardFront(size_t AUpTo)
    {
        return quillon_detail::DiscardBytes(
            FData, FCapacity * sizeof(T), (AUpTo < FSize ? AUpTo : FSize) * sizeof(T));
    }
    // Returns unused capacity to the system (the buffer keeps its size).
    void ShrinkToFit()
    {
        if (FCapacity == FSize)
            return;
        if (FSize == 0) {
            Release();
            return;
        }
        FData = static_cast<T*>(quillon_detail::ReallocateBytes(
            FData, FCapacity * sizeof(T), FSize * sizeof(T), FSize * sizeof(T)));
        FCapacity = FSize;
    }
    // Swaps the contents; move hooks stay with their buffer objects.
    void Swap(TPodBuffer& AOther) noexcept
    {
        std::swap(FData, AOther.FData);
        std::swap(FSize, AOther.FSize);
        std::swap(FCapacity, AOther.FCapacity);
    }

private:
    T* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
    TMoveHook FMoveHook = nullptr;
    void* FMoveContext = nullptr;
};

// A byte buffer holding UTF-8 text.
class TByteBuffer : public TPodBuffer<char> {
public:
    std::string_view View() const { return {Data(), Size()}; }
    void Append(std::string_view AText) { TPodBuffer<char>::Append(AText.data(), AText.size()); }
    void Append(char AC) { PushBack(AC); }
    void AppendFill(char AC, size_t ACount)
    {
        EnsureSpare(ACount);
        std::memset(Data() + Size(), AC, ACount);
        ResizeUninitialized(Size() + ACount);
    }
};
