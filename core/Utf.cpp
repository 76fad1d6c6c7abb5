#include "core/Utf.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
using u8 = unsigned char;

// Length of the valid sequence at p (1 to 4), or 0. allowSurrogates accepts ED A0..BF forms.
size_t SequenceLength(const u8* AP, const u8* AEnd, bool AAllowSurrogates)
{
    const u8 c = AP[0];
    if (c < 0x80)
        return 1;
    const size_t left = size_t(AEnd - AP);
    auto cont = [&](size_t i) { return i < left && (AP[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if (c == 0xE0 && AP[1] < 0xA0)
            return 0; // overlong
        if (c == 0xED && AP[1] >= 0xA0 && !AAllowSurrogates)
            return 0; // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if (c == 0xF0 && AP[1] < 0x90)
            return 0; // overlong
        if (c == 0xF4 && AP[1] >= 0x90)
            return 0; // above U+10FFFF
        return 4;
    }
    return 0;
}

uint32_t DecodeSequence(const u8* AP, size_t ALen)
{
    switch (ALen) {
    case 1:
        return AP[0];
    case 2:
        return (uint32_t(AP[0] & 0x1F) << 6) | (AP[1] & 0x3F);
    case 3:
        return (uint32_t(AP[0] & 0x0F) << 12) | (uint32_t(AP[1] & 0x3F) << 6) | (AP[2] & 0x3F);
    default:
        return (uint32_t(AP[0] & 0x07) << 18) | (uint32_t(AP[1] & 0x3F) << 12) | (uint32_t(AP[2] & 0x3F) << 6)
            | (AP[3] & 0x3F);
    }
}

// Skips a run of ASCII bytes, 16 at a time where possible.
const u8* SkipAscii(const u8* AP, const u8* AEnd)
{
#if defined(__SSE2__)
    while (AEnd - AP >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(AP));
        const int mask = _mm_movemask_epi8(v);
        if (mask != 0)
            return AP + __builtin_ctz(unsigned(mask));
        AP += 16;
    }
#endif
    while (AP < AEnd && *AP < 0x80)
        ++AP;
    return AP;
}
} // namespace

bool IsValidUtf8(std::string_view ABytes)
{
    const u8* p = reinterpret_cast<const u8*>(ABytes.data());
    const u8* end = p + ABytes.size();
    while (p < end) {
        p = SkipAscii(p, end);
        if (p == end)
            break;
        const size_t len = SequenceLength(p, end, false);
        if (len == 0)
            return false;
        p += len;
    }
    return true;
}

void AppendUtf8ToUtf16(std::u16string& AOut, std::string_view ABytes)
{
    const u8* p = reinterpret_cast<const u8*>(ABytes.data());
    const u8* end = p + ABytes.size();
    AOut.reserve(AOut.size() + ABytes.size());
    while (p < end) {
        const u8* ascii = SkipAscii(p, end);
        for (; p < ascii; ++p)
            AOut.push_back(char16_t(*p));
        if (p == end)
            break;
        const size_t len = SequenceLength(p, end, true);
        if (len == 0) {
            AOut.push_back(u'\uFFFD');
            ++p;
            continue;
        }
        const uint32_t cp = DecodeSequence(p, len);
        if (cp >= 0x10000) {
            AOut.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            AOut.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            AOut.push_back(char16_t(cp));
        }
        p += len;
    }
}

std::u16string Utf8ToUtf16(std::string_view ABytes)
{
    std::u16string out;
    AppendUtf8ToUtf16(out, ABytes);
    return out;
}

namespace {
std::string EncodeUtf16(std::u16string_view AText, bool AKeepLoneSurrogates)
{
    std::string out;
    out.reserve(AText.size());
    char buf[4];
    for (size_t i = 0; i < AText.size(); ++i) {
        uint32_t u = AText[i];
        if (IsHighSurrogate(u) && i + 1 < AText.size() && IsLowSurrogate(AText[i + 1])) {
            u = 0x10000 + ((u - 0xD800) << 10) + (uint32_t(AText[i + 1]) - 0xDC00);
            ++i;
        } else if ((IsHighSurrogate(u) || IsLowSurrogate(u)) && !AKeepLoneSurrogates) {
            u = 0xFFFD;
        }
        out.append(buf, EncodeUtf8(u, buf));
    }
    return out;
}
} // namespace

std::string Utf16ToWtf8(std::u16string_view AText)
{
    return EncodeUtf16(AText, true);
}
std::string Utf16ToUtf8(std::u16string_view AText)
{
    return EncodeUtf16(AText, false);
}
