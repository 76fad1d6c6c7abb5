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
bool IsValidUtf8(std::string_view bytes);

// Decodes UTF-8 (surrogate forms included) to UTF-16; a byte that starts no valid sequence gives U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);
void AppendUtf8ToUtf16(std::u16string& out, std::string_view bytes);

// Encodes UTF-16 keeping lone surrogates in their three-byte form (lossless).
std::string Utf16ToWtf8(std::u16string_view text);
// Encodes UTF-16 as strict UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Writes one code point (or one lone surrogate) as 1 to 4 bytes; returns the byte count.
inline size_t EncodeUtf8(uint32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

inline bool IsHighSurrogate(uint32_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}
inline bool IsLowSurrogate(uint32_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}
