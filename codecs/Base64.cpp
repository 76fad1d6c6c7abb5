#include "codecs/Base64.h"

#include "core/Utf.h"

#include <array>
#include <string>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int LineLength = 76; // output characters per line

// The 6-bit value of each alphabet character, -1 for every other character.
constexpr std::array<int8_t, 128> MakeDecodeTable()
{
    std::array<int8_t, 128> table {};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[size_t(Alphabet[i])] = int8_t(i);
    return table;
}
constexpr std::array<int8_t, 128> DecodeTable = MakeDecodeTable();

std::u16string_view View(QStringView text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())};
}

} // namespace

QString EncodeBase64Text(QStringView text)
{
    // A lone surrogate has no UTF-8 form; it is encoded as U+FFFD.
    const std::string bytes = Utf16ToUtf8(View(text));
    const size_t groups = (bytes.size() + 2) / 3;
    const size_t chars = groups * 4;
    QString out;
    out.reserve(qsizetype(chars + chars / LineLength * 2));
    int column = 0;
    auto put = [&](char c) {
        out.append(QLatin1Char(c));
        if (++column == LineLength) {
            out.append(u"\r\n");
            column = 0;
        }
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t left = bytes.size();
    for (; left >= 3; left -= 3, p += 3) {
        const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        put(Alphabet[v >> 18]);
        put(Alphabet[(v >> 12) & 63]);
        put(Alphabet[(v >> 6) & 63]);
        put(Alphabet[v & 63]);
    }
    if (left > 0) {
        const uint32_t v = uint32_t(p[0]) << 16 | (left > 1 ? uint32_t(p[1]) << 8 : 0);
        put(Alphabet[v >> 18]);
        put(Alphabet[(v >> 12) & 63]);
        put(left > 1 ? Alphabet[(v >> 6) & 63] : '=');
        put('=');
    }
    return out;
}

std::optional<QString> DecodeBase64Text(QStringView input, QString* errorText)
{
    std::string bytes;
    bytes.reserve(size_t(input.size()) / 4 * 3 + 3);
    uint32_t bits = 0;
    int count = 0;
    for (const QChar c : input) {
        const char16_t u = c.unicode();
        if (u >= 128 || DecodeTable[u] < 0)
            continue;
        bits = (bits << 6 | uint32_t(DecodeTable[u])) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(char((bits >> count) & 0xFF));
        }
    }
    if (!IsValidUtf8(bytes)) {
        if (errorText)
            *errorText = Base64DecodeErrorText();
        return std::nullopt;
    }
    const std::u16string text = Utf8ToUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

QString Base64DecodeErrorText()
{
    return QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");
}
