#pragma once
// Conversions between the UTF-8 bytes the core works on and the UTF-16 texts it hands out.
//
// Strings decoded from \u escapes may hold lone surrogates. Inside our own buffers these are kept
// as "generalised UTF-8" (a surrogate code unit written as its three-byte form, ED A0 80 to
// ED BF BF), so that no code unit is lost between the parser, the formatted text and the outline.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated sequence.
bool IsValidUtf8(std::string_view ABytes);

// Decodes UTF-8 (surrogate forms included) to UTF-16; a byte that starts no valid sequence gives U+FFFD.
std::u16string Utf8ToUtf16(std::string_view ABytes);
void AppendUtf8ToUtf16(std::u16string& AOut, std::string_view ABytes);

// Encodes UTF-16 keeping lone surrogates in their three-byte form (lossless).
std::string Utf16ToWtf8(std::u16string_view AText);
// Encodes UTF-16 as strict UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view AText);

// Writes one code point (or one lone surrogate) as 1 to 4 bytes; returns the byte count.
inline size_t EncodeUtf8(uint32_t ACp, char* AOut)
{
    if (ACp < 0x80) {
        AOut[0] = char(ACp);
        return 1;
    }
    if (ACp < 0x800) {
        AOut[0] = char(0xC0 | (ACp >> 6));
        AOut[1] = char(0x80 | (ACp & 0x3F));
        return 2;
    }
    if (ACp < 0x10000) {
        AOut[0] = char(0xE0 | (ACp >> 12));
        AOut[1] = char(0x80 | ((ACp >> 6) & 0x3F));
        AOut[2] = char(0x80 | (ACp & 0x3F));
        return 3;
    }
    AOut[0] = char(0xF0 | (ACp >> 18));
    AOut[1] = char(0x80 | ((ACp >> 12) & 0x3F));
    AOut[2] = char(0x80 | ((ACp >> 6) & 0x3F));
    AOut[3] = char(0x80 | (ACp & 0x3F));
    return 4;
}

inline bool IsHighSurrogate(uint32_t AU)
{
    return AU >= 0xD800 && AU <= 0xDBFF;
}
inline bool IsLowSurrogate(uint32_t AU)
{
    return AU >= 0xDC00 && AU <= 0xDFFF;
}
