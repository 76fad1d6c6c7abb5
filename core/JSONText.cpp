#include "core/JSONText.h"

#include "core/Utf.h"

#include <cstdint>

namespace {
// The escape letter for one of the eight characters that the serialised text escapes, or 0.
inline char EscapeLetter(uint32_t c)
{
    switch (c) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case '/':
        return '/';
    case 0x08:
        return 'b';
    case 0x09:
        return 't';
    case 0x0A:
        return 'n';
    case 0x0C:
        return 'f';
    case 0x0D:
        return 'r';
    default:
        return 0;
    }
}

inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the four hex digits after "\u" at s[i]; returns -1 when they are not there.
inline int32_t ReadHex4(std::string_view s, size_t i)
{
    if (i + 4 > s.size())
        return -1;
    int32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
        const int h = HexValue(s[i + k]);
        if (h < 0)
            return -1;
        v = (v << 4) | h;
    }
    return v;
}

// The code unit named by the escape letter, or -1 for 'u' and unknown letters.
inline int32_t SimpleEscape(char c)
{
    switch (c) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case '/':
        return '/';
    case 'b':
        return 0x08;
    case 'f':
        return 0x0C;
    case 'n':
        return 0x0A;
    case 'r':
        return 0x0D;
    case 't':
        return 0x09;
    default:
        return -1;
    }
}
} // namespace

std::u16string JSONQuote(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() + 2);
    out.push_back(u'"');
    for (char16_t c : text) {
        if (const char e = EscapeLetter(c)) {
            out.push_back(u'\\');
            out.push_back(char16_t(e));
        } else {
            out.push_back(c);
        }
    }
    out.push_back(u'"');
    return out;
}

void AppendQuotedToken(TByteBuffer& out, std::string_view s, bool plain, bool normalizeBreaks)
{
    // Each input byte gives at most four output bytes (a raw "/" or control character gets a
    // backslash, a lone line break becomes two escapes; an escape never grows), plus the quotes.
    out.EnsureSpare(s.size() * (normalizeBreaks ? 4 : 2) + 2);
    char* w = out.Data() + out.Size();
    *w++ = '"';
    if (plain) {
        std::memcpy(w, s.data(), s.size());
        w += s.size();
    } else {
        const size_t n = s.size();
        for (size_t i = 0; i < n; ++i) {
            const char c = s[i];
            if (normalizeBreaks && (c == '\r' || c == '\n')) {
                std::memcpy(w, "\\r\\n", 4);
                w += 4;
                if (c == '\r' && i + 1 < n && s[i + 1] == '\n')
                    ++i;
                continue;
            }
            if (c != '\\') {
                if (const char e = EscapeLetter(static_cast<unsigned char>(c))) {
                    *w++ = '\\';
                    *w++ = e;
                } else {
                    *w++ = c;
                }
                continue;
            }
            if (i + 1 >= n) {
                *w++ = c;
                continue;
            }
            const char letter = s[i + 1];
            if (letter != 'u') {
                // A two-character escape is already in its serialised form.
                *w++ = '\\';
                *w++ = letter;
                ++i;
                continue;
            }
            int32_t unit = ReadHex4(s, i + 2);
            if (unit < 0) {
                *w++ = c;
                continue;
            }
            i += 5;
            if (const char e = EscapeLetter(uint32_t(unit))) {
                *w++ = '\\';
                *w++ = e;
                continue;
            }
            uint32_t cp = uint32_t(unit);
            if (IsHighSurrogate(cp) && i + 2 < n && s[i + 1] == '\\' && s[i + 2] == 'u') {
                const int32_t low = ReadHex4(s, i + 3);
                if (low >= 0 && IsLowSurrogate(uint32_t(low))) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (uint32_t(low) - 0xDC00);
                    i += 6;
                }
            }
            // Six escape bytes give at most four output bytes, so the reserve above holds.
            w += EncodeUtf8(cp, w);
        }
    }
    *w++ = '"';
    out.ResizeUninitialized(size_t(w - out.Data()));
}

std::u16string DecodeStringContents(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    size_t runStart = 0;
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) {
        if (s[i] != '\\' || i + 1 >= n)
            continue;
        AppendUtf8ToUtf16(out, s.substr(runStart, i - runStart));
        const char letter = s[i + 1];
        const int32_t simple = SimpleEscape(letter);
        if (simple >= 0) {
            out.push_back(char16_t(simple));
            ++i;
        } else if (letter == 'u' && ReadHex4(s, i + 2) >= 0) {
            out.push_back(char16_t(ReadHex4(s, i + 2)));
            i += 5;
        } else {
            out.push_back(u'\\');
        }
        runStart = i + 1;
    }
    AppendUtf8ToUtf16(out, s.substr(runStart < n ? runStart : n));
    return out;
}

size_t StringTokenLength(std::string_view text, size_t offset)
{
    size_t i = offset + 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"')
            return i + 1 - offset;
        i += (c == '\\') ? 2 : 1;
    }
    return text.size() - offset;
}
