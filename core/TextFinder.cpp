#include "core/TextFinder.h"

#include "core/Utf.h"

#include <bitset>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
using u8 = unsigned char;

// A byte no ASCII pattern byte equals.
constexpr u8 NoAsciiFold = 0xFF;

// Decodes the character at p (UTF-8, surrogates in their three-byte form accepted) into one or two
// UTF-16 units; returns its length in bytes. A byte that starts no valid sequence is U+FFFD.
size_t DecodeUnits(const u8* AAt, const u8* AEnd, char16_t& AFirst, char16_t& ASecond)
{
    const u8 c = AAt[0];
    ASecond = 0;
    if (c < 0x80) {
        AFirst = c;
        return 1;
    }
    const size_t left = size_t(AEnd - AAt);
    auto cont = [&](size_t i) { return i < left && (AAt[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF && cont(1)) {
        AFirst = char16_t(((c & 0x1F) << 6) | (AAt[1] & 0x3F));
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF && cont(1) && cont(2) && !(c == 0xE0 && AAt[1] < 0xA0)) {
        AFirst = char16_t(((c & 0x0F) << 12) | ((AAt[1] & 0x3F) << 6) | (AAt[2] & 0x3F));
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4 && cont(1) && cont(2) && cont(3) && !(c == 0xF0 && AAt[1] < 0x90)
        && !(c == 0xF4 && AAt[1] >= 0x90)) {
        const uint32_t cp = (uint32_t(c & 0x07) << 18) | (uint32_t(AAt[1] & 0x3F) << 12)
            | (uint32_t(AAt[2] & 0x3F) << 6) | (AAt[3] & 0x3F);
        AFirst = char16_t(0xD800 + ((cp - 0x10000) >> 10));
        ASecond = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        return 4;
    }
    AFirst = u'\uFFFD';
    return 1;
}
} // namespace

TTextFinder::TTextFinder(std::u16string_view APattern, const TUpperCaseMap& AUpper)
    : FUpper(AUpper)
{
    FPattern.reserve(APattern.size());
    for (char16_t unit : APattern)
        FPattern.push_back(AUpper[unit]);
    if (FPattern.empty())
        return;

    // The units of the pattern, to find every unit whose upper case is one of them.
    auto inPattern = std::make_unique<std::bitset<65536>>();
    for (char16_t unit : FPattern)
        inPattern->set(unit);

    // A plain byte search serves when every pattern unit is ASCII and only ASCII units (at most two
    // of them, a letter in both cases) have it as their upper case. The dotless i and the long s are
    // why I and S take the decoding search.
    FAscii = true;
    FFold.fill(NoAsciiFold);
    std::array<int, 128> preimages {};
    for (uint32_t unit = 0; unit < 65536; ++unit) {
        const char16_t upper = AUpper[unit];
        if (unit < 0x80 && upper < 0x80)
            FFold[unit] = u8(upper);
        if (!inPattern->test(upper))
            continue;
        if (upper >= 0x80 || unit >= 0x80)
            FAscii = false;
        else if (++preimages[upper] > 2)
            FAscii = false;
    }
    if (FAscii) {
        for (char16_t unit : FPattern) {
            FBytes.push_back(char(unit));
            char other = char(unit);
            for (uint32_t b = 0; b < 0x80; ++b) {
                if (FFold[b] == unit && b != unit)
                    other = char(b);
            }
            FOtherCase.push_back(other);
        }
    }

    // The first bytes of every unit whose upper case starts the pattern.
    const char16_t first = FPattern[0];
    auto addLead = [this](u8 b) {
        if (FLead[b])
            return;
        FLead[b] = true;
        if (FLeadCount < 4)
            FLeadList[FLeadCount] = b;
        ++FLeadCount;
    };
    for (uint32_t unit = 0; unit < 65536; ++unit) {
        if (AUpper[unit] != first)
            continue;
        if (unit < 0x80) {
            addLead(u8(unit));
        } else if (unit < 0x800) {
            addLead(u8(0xC0 | (unit >> 6)));
        } else if (IsHighSurrogate(unit)) {
            // The first half of a four-byte character, or a lone surrogate in its three-byte form.
            for (u8 b = 0xF0; b <= 0xF4; ++b)
                addLead(b);
            addLead(0xED);
        } else {
            addLead(u8(0xE0 | (unit >> 12)));
        }
    }
}

bool TTextFinder::MadeOf(std::u16string_view AUnits) const
{
    for (char16_t unit : FPattern) {
        bool found = false;
        for (char16_t allowed : AUnits)
            found = found || FUpper[allowed] == unit;
        if (!found)
            return false;
    }
    return true;
}

size_t TTextFinder::Find(std::u16string_view AText, size_t AFrom) const
{
    const size_t m = FPattern.size();
    if (m == 0 || AFrom > AText.size() || AText.size() - AFrom < m)
        return npos;
    const char16_t first = FPattern[0];
    for (size_t i = AFrom; i + m <= AText.size(); ++i) {
        if (FUpper[AText[i]] != first)
            continue;
        size_t k = 1;
        while (k < m && FUpper[AText[i + k]] == FPattern[k])
            ++k;
        // Whole characters only: no half of a surrogate pair at either end.
        const bool splitsStart = i > 0 && IsLowSurrogate(AText[i]) && IsHighSurrogate(AText[i - 1]);
        const bool splitsEnd =
            i + m < AText.size() && IsHighSurrogate(AText[i + m - 1]) && IsLowSurrogate(AText[i + m]);
        if (k == m && !splitsStart && !splitsEnd)
            return i;
    }
    return npos;
}

size_t TTextFinder::Find(std::string_view AText, size_t AFrom, size_t* AEnd) const
{
    if (FPattern.empty() || AFrom >= AText.size())
        return npos;
    const u8* begin = reinterpret_cast<const u8*>(AText.data());
    const u8* end = begin + AText.size();
    if (FAscii) {
        const size_t at = FindAscii(begin, begin + AFrom, end);
        if (at != npos && AEnd)
            *AEnd = at + FBytes.size();
        return at;
    }
    return FindDecoding(begin, begin + AFrom, end, AEnd);
}

size_t TTextFinder::FindAscii(const u8* ABegin, const u8* AFrom, const u8* AEnd) const
{
    const size_t m = FBytes.size();
    if (size_t(AEnd - AFrom) < m)
        return npos;
    const u8* pattern = reinterpret_cast<const u8*>(FBytes.data());
    // The bytes between the first and the last one.
    auto middleMatches = [&](const u8* at) {
        for (size_t k = 1; k + 1 < m; ++k) {
            if (FFold[at[k]] != pattern[k])
                return false;
        }
        return true;
    };
    const u8* p = AFrom;
    // The last position an occurrence can start at.
    const u8* lastStart = AEnd - m;
#if defined(__SSE2__)
    // Positions whose first and last bytes fit, sixteen at a time; only those are compared in full.
    const __m128i first = _mm_set1_epi8(char(pattern[0]));
    const __m128i firstOther = _mm_set1_epi8(FOtherCase[0]);
    const __m128i last = _mm_set1_epi8(char(pattern[m - 1]));
    const __m128i lastOther = _mm_set1_epi8(FOtherCase[m - 1]);
    while (lastStart - p >= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + m - 1));
        const __m128i fits =
            _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(a, firstOther)),
                _mm_or_si128(_mm_cmpeq_epi8(b, last), _mm_cmpeq_epi8(b, lastOther)));
        unsigned mask = unsigned(_mm_movemask_epi8(fits));
        while (mask != 0) {
            const u8* at = p + __builtin_ctz(mask);
            if (middleMatches(at))
                return size_t(at - ABegin);
            mask &= mask - 1;
        }
        p += 16;
    }
#endif
    for (; p <= lastStart; ++p) {
        if (FFold[p[0]] == pattern[0] && FFold[p[m - 1]] == pattern[m - 1] && middleMatches(p))
            return size_t(p - ABegin);
    }
    return npos;
}

size_t TTextFinder::MatchAt(const u8* AAt, const u8* AEnd) const
{
    const size_t m = FPattern.size();
    const u8* p = AAt;
    size_t k = 0;
    while (k < m) {
        if (p == AEnd)
            return 0;
        if (*p < 0x80) {
            if (FUpper[*p] != FPattern[k])
                return 0;
            ++p;
            ++k;
            continue;
        }
        char16_t first = 0;
        char16_t second = 0;
        const size_t len = DecodeUnits(p, AEnd, first, second);
        if (FUpper[first] != FPattern[k])
            return 0;
        ++k;
        if (second != 0) {
            // An occurrence never ends inside a character.
            if (k == m || FUpper[second] != FPattern[k])
                return 0;
            ++k;
        }
        p += len;
    }
    return size_t(p - AAt);
}

size_t TTextFinder::FindDecoding(const u8* ABegin, const u8* AFrom, const u8* AEnd, size_t* AMatchEnd) const
{
    auto check = [&](const u8* at) {
        const size_t len = MatchAt(at, AEnd);
        if (len != 0 && AMatchEnd)
            *AMatchEnd = size_t(at - ABegin) + len;
        return len != 0;
    };
    const u8* p = AFrom;
#if defined(__SSE2__)
    if (FLeadCount <= 4) {
        // Sixteen bytes at a time against each byte that can start an occurrence (lead bytes never
        // stand inside a character, so every candidate is the start of one).
        __m128i leads[4];
        for (int i = 0; i < 4; ++i)
            leads[i] = _mm_set1_epi8(char(FLeadList[i < FLeadCount ? i : 0]));
        while (AEnd - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hits =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, leads[0]), _mm_cmpeq_epi8(v, leads[1])),
                    _mm_or_si128(_mm_cmpeq_epi8(v, leads[2]), _mm_cmpeq_epi8(v, leads[3])));
            unsigned mask = unsigned(_mm_movemask_epi8(hits));
            while (mask != 0) {
                const u8* at = p + __builtin_ctz(mask);
                if (check(at))
                    return size_t(at - ABegin);
                mask &= mask - 1;
            }
            p += 16;
        }
    }
#endif
    for (; p < AEnd; ++p) {
        if (FLead[*p] && check(p))
            return size_t(p - ABegin);
    }
    return npos;
}
