#include "textview/TextLineIndex.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr size_t ChunkBytes = 16;
} // namespace

void TTextLineIndex::Clear()
{
    FText = {};
    FStarts.assign(1, 0);
    FCount = 1;
    FIndexed = 0;
    FLastLine = 0;
    FLastStart = 0;
}

void TTextLineIndex::Assign(std::string_view AText)
{
    Clear();
    Extend(AText);
}

void TTextLineIndex::Extend(std::string_view AText)
{
    FText = AText;
    FLastLine = 0;
    FLastStart = 0;
    const char* data = AText.data();
    const size_t size = AText.size();
    size_t breaks = FCount - 1;
    size_t next = FStarts.size() * Stride; // the line number whose start is recorded next
    size_t i = FIndexed;
#if defined(__SSE2__)
    // Sixteen bytes at a time: count the line feeds, and find the one that starts a recorded line.
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + ChunkBytes <= size; i += ChunkBytes) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        auto mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        if (mask == 0)
            continue;
        const auto found = size_t(__builtin_popcount(mask));
        if (breaks + found < next) {
            breaks += found;
            continue;
        }
        while (mask != 0) {
            const auto bit = size_t(__builtin_ctz(mask));
            mask &= mask - 1;
            if (++breaks == next) {
                FStarts.push_back(i + bit + 1);
                next += Stride;
            }
        }
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == '\n' && ++breaks == next) {
            FStarts.push_back(i + 1);
            next += Stride;
        }
    }
    FIndexed = size;
    FCount = breaks + 1;
}

size_t TTextLineIndex::NextLineStart(size_t APos) const
{
    if (APos >= FText.size())
        return FText.size();
    const void* found = std::memchr(FText.data() + APos, '\n', FText.size() - APos);
    return found ? size_t(static_cast<const char*>(found) - FText.data()) + 1 : FText.size();
}

size_t TTextLineIndex::LineStart(size_t ALine) const
{
    if (ALine >= FCount)
        return FText.size();
    size_t line = (ALine / Stride) * Stride;
    size_t start = FStarts[ALine / Stride];
    // Going on from the last line looked up is shorter when it lies between.
    if (FLastLine <= ALine && FLastLine >= line) {
        line = FLastLine;
        start = FLastStart;
    }
    for (; line < ALine; ++line)
        start = NextLineStart(start);
    FLastLine = ALine;
    FLastStart = start;
    return start;
}

size_t TTextLineIndex::LineEnd(size_t ALine) const
{
    if (ALine >= FCount)
        return FText.size();
    const size_t next = ALine + 1 < FCount ? LineStart(ALine + 1) : FText.size();
    size_t end = next;
    if (ALine + 1 < FCount) {
        --end; // the LF
        if (end > 0 && FText[end - 1] == '\r')
            --end;
    }
    return std::max(end, LineStart(ALine));
}

std::string_view TTextLineIndex::Line(size_t ALine) const
{
    const size_t start = LineStart(ALine);
    return FText.substr(start, LineEnd(ALine) - start);
}

size_t TTextLineIndex::LineOf(size_t APos) const
{
    APos = std::min(APos, FText.size());
    const auto block = size_t(std::upper_bound(FStarts.begin(), FStarts.end(), APos) - FStarts.begin()) - 1;
    size_t line = block * Stride;
    size_t start = FStarts[block];
    if (FLastLine >= line && FLastLine / Stride == block && FLastStart <= APos) {
        line = FLastLine;
        start = FLastStart;
    }
    for (;;) {
        const size_t next = NextLineStart(start);
        if (line + 1 >= FCount || next > APos)
            break;
        start = next;
        ++line;
    }
    FLastLine = line;
    FLastStart = start;
    return line;
}

std::string_view TTextLineIndex::Lines(size_t AFirst, size_t ALast)
{
    const size_t from = LineStart(AFirst);
    const size_t to = LineStart(ALast);
    return to > from ? FText.substr(from, to - from) : std::string_view();
}

size_t TTextLineIndex::ListLineCount() const
{
    if (FText.empty())
        return 0;
    return FText.back() == '\n' ? FCount - 1 : FCount;
}
