#include "editor/EditorText.h"

#include "core/Utf.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <iconv.h>
#include <langinfo.h>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr char DefaultChar = '?';
// Size of the pieces iconv converts into.
constexpr size_t ConvertChunk = 64 * 1024;

// Length of the UTF-8 sequence that starts with ALead (1 for bytes that start none).
size_t SequenceLength(unsigned char ALead)
{
    if (ALead >= 0xF0)
        return 4;
    if (ALead >= 0xE0)
        return 3;
    if (ALead >= 0xC0)
        return 2;
    return 1;
}

// An iconv descriptor for the life of the object.
class TConverter {
public:
    TConverter(const char* ATo, const char* AFrom)
        : FHandle(::iconv_open(ATo, AFrom))
    {
    }
    ~TConverter()
    {
        if (Valid())
            ::iconv_close(FHandle);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;
    bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }

    // Converts all of AIn, appending to AOut. On an input sequence the target lacks (or that is
    // invalid), with ASubstitute a "?" stands for one source character and the conversion goes on;
    // without, the conversion stops: false.
    bool Convert(std::string_view AIn, QByteArray& AOut, bool ASubstitute)
    {
        char* in = const_cast<char*>(AIn.data());
        size_t inLeft = AIn.size();
        char buffer[ConvertChunk];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof(buffer);
            const size_t result = ::iconv(FHandle, &in, &inLeft, &out, &outLeft);
            AOut.append(buffer, qsizetype(out - buffer));
            if (result != size_t(-1))
                continue;
            if (errno == E2BIG)
                continue;
            if (!ASubstitute)
                return false;
            // EILSEQ or a truncated sequence at the end: one source character becomes the default.
            AOut.append(DefaultChar);
            const size_t skip = std::min(inLeft, SequenceLength(static_cast<unsigned char>(*in)));
            in += skip;
            inLeft -= skip;
            ::iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        }
        char* out = buffer;
        size_t outLeft = sizeof(buffer);
        ::iconv(FHandle, nullptr, nullptr, &out, &outLeft);
        AOut.append(buffer, qsizetype(out - buffer));
        return true;
    }

private:
    iconv_t FHandle;
};

// Decodes UTF-16 (little- or big-endian) strictly: an odd byte count or an unpaired surrogate fails.
bool DecodeUtf16(std::string_view ABytes, bool ABigEndian, QString& AText)
{
    if (ABytes.size() % 2 != 0)
        return false;
    QString text(qsizetype(ABytes.size() / 2), Qt::Uninitialized);
    const auto* bytes = reinterpret_cast<const unsigned char*>(ABytes.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const unsigned char first = bytes[2 * i];
        const unsigned char second = bytes[2 * i + 1];
        text[i] = QChar(ABigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    AText = std::move(text);
    return true;
}

// Walks the line breaks of a text. Two memchr searches (CR and LF), each remembered until it is passed,
// are much faster on long texts than looking at every byte.
class TBreakScanner {
public:
    explicit TBreakScanner(std::string_view AText)
        : FText(AText)
    {
    }
    // Position of the first CR or LF at or after AFrom; npos when there is none.
    size_t Next(size_t AFrom)
    {
        FCR = Refresh(FCR, AFrom, '\r');
        FLF = Refresh(FLF, AFrom, '\n');
        return std::min(FCR, FLF);
    }
    // Length of the break at APos: 2 for CR LF, else 1.
    size_t BreakLength(size_t APos) const
    {
        return FText[APos] == '\r' && APos + 1 < FText.size() && FText[APos + 1] == '\n' ? 2 : 1;
    }

private:
    size_t Refresh(size_t AKnown, size_t AFrom, char AChar) const
    {
        if (AKnown != Unknown && (AKnown == std::string_view::npos || AKnown >= AFrom))
            return AKnown;
        if (AFrom >= FText.size())
            return std::string_view::npos;
        const void* hit = std::memchr(FText.data() + AFrom, AChar, FText.size() - AFrom);
        return hit ? size_t(static_cast<const char*>(hit) - FText.data()) : std::string_view::npos;
    }

    static constexpr size_t Unknown = std::string_view::npos - 1;
    std::string_view FText;
    size_t FCR = Unknown;
    size_t FLF = Unknown;
};

} // namespace

TLineBreakStyle DetectLineBreakStyle(std::string_view AText)
{
    // An empty view may have no data at all, which memchr must not be given.
    if (AText.empty())
        return TLineBreakStyle::CRLF;
    const bool cr = std::memchr(AText.data(), '\r', AText.size()) != nullptr;
    const bool lf = std::memchr(AText.data(), '\n', AText.size()) != nullptr;
    if (cr && !lf)
        return TLineBreakStyle::CR;
    if (lf && !cr)
        return TLineBreakStyle::LF;
    return TLineBreakStyle::CRLF;
}

const char* LineBreakName(TLineBreakStyle AStyle)
{
    switch (AStyle) {
    case TLineBreakStyle::LF:
        return "LF";
    case TLineBreakStyle::CR:
        return "CR";
    case TLineBreakStyle::CRLF:
        break;
    }
    return "CRLF";
}

std::string_view LineBreakChars(TLineBreakStyle AStyle)
{
    switch (AStyle) {
    case TLineBreakStyle::LF:
        return "\n";
    case TLineBreakStyle::CR:
        return "\r";
    case TLineBreakStyle::CRLF:
        break;
    }
    return "\r\n";
}

bool HasOnlyLineBreaks(std::string_view AText, TLineBreakStyle AStyle)
{
    switch (AStyle) {
    case TLineBreakStyle::LF:
        return std::memchr(AText.data(), '\r', AText.size()) == nullptr;
    case TLineBreakStyle::CR:
        return std::memchr(AText.data(), '\n', AText.size()) == nullptr;
    case TLineBreakStyle::CRLF:
        break;
    }
    // Every CR followed by LF, every LF preceded by CR.
    TBreakScanner scanner(AText);
    for (size_t i = scanner.Next(0); i != std::string_view::npos; i = scanner.Next(i + 2))
        if (scanner.BreakLength(i) != 2)
            return false;
    return true;
}

void AppendJoinedLines(std::string& AOut, std::string_view AText, TLineBreakStyle AStyle)
{
    const std::string_view breakChars = LineBreakChars(AStyle);
    TBreakScanner scanner(AText);
    size_t from = 0;
    for (size_t i = scanner.Next(0); i != std::string_view::npos; i = scanner.Next(from)) {
        AOut.append(AText.substr(from, i - from));
        AOut.append(breakChars);
        from = i + scanner.BreakLength(i);
    }
    AOut.append(AText.substr(from));
}

void PlaceEditorText(std::string_view AText, TEditorText& AResult)
{
    AResult.Breaks = DetectLineBreakStyle(AText);
    AResult.Storage.clear();
    if (HasOnlyLineBreaks(AText, AResult.Breaks)) {
        AResult.Text = AText;
        return;
    }
    AResult.Storage.reserve(AText.size() + AText.size() / 8);
    AppendJoinedLines(AResult.Storage, AText, AResult.Breaks);
    AResult.Text = AResult.Storage;
}

bool ReadEditorText(std::string_view ABytes, TEditorText& AResult)
{
    if (ABytes.substr(0, Utf8Bom.size()) == Utf8Bom)
        ABytes.remove_prefix(Utf8Bom.size());
    if (!IsValidUtf8(ABytes))
        return false;
    PlaceEditorText(ABytes, AResult);
    return true;
}

std::string SaveBytes(std::string_view AText, TLineBreakStyle AStyle)
{
    std::string bytes;
    bytes.reserve(Utf8Bom.size() + AText.size() + (HasOnlyLineBreaks(AText, AStyle) ? 0 : AText.size() / 8));
    bytes.append(Utf8Bom);
    AppendJoinedLines(bytes, AText, AStyle);
    return bytes;
}

uint32_t FirstUtf16Unit(std::string_view AUtf8)
{
    if (AUtf8.empty())
        return 0;
    const size_t length = std::min(AUtf8.size(), SequenceLength(static_cast<unsigned char>(AUtf8[0])));
    const std::u16string units = Utf8ToUtf16(AUtf8.substr(0, length));
    return units.empty() ? 0 : units[0];
}

QString CaretFactsText(qint64 ARow, qint64 ACol, uint32_t AChr, qint64 ACount, qint64 ASelected)
{
    return QStringLiteral("Row: %1   Col: %2   Chr: %3(%4h)   Cnt: %5   Sel: %6")
        .arg(ARow)
        .arg(ACol)
        .arg(AChr)
        .arg(QString::number(AChr, 16).toUpper())
        .arg(ACount)
        .arg(ASelected);
}

QByteArray LocaleCodeset()
{
    const QByteArray codeset(::nl_langinfo(CODESET));
    if (codeset.isEmpty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII")
        return QByteArrayLiteral("UTF-8");
    return codeset;
}

bool IsUtf8Codeset(const QByteArray& ACodeset)
{
    const QByteArray name = ACodeset.toUpper();
    return name == "UTF-8" || name == "UTF8";
}

QByteArray ToCodeset(const QString& AText, const QByteArray& ACodeset)
{
    const QByteArray utf8 = AText.toUtf8();
    if (IsUtf8Codeset(ACodeset))
        return utf8;
    TConverter converter(ACodeset.constData(), "UTF-8");
    if (!converter.Valid())
        return utf8;
    QByteArray result;
    result.reserve(utf8.size());
    converter.Convert(std::string_view(utf8.constData(), size_t(utf8.size())), result, true);
    return result;
}

bool FromCodeset(const QByteArray& ABytes, const QByteArray& ACodeset, QString& AText)
{
    const std::string_view bytes(ABytes.constData(), size_t(ABytes.size()));
    if (IsUtf8Codeset(ACodeset)) {
        if (!IsValidUtf8(bytes))
            return false;
        AText = QString::fromUtf8(ABytes);
        return true;
    }
    TConverter converter("UTF-8", ACodeset.constData());
    QByteArray utf8;
    if (!converter.Valid() || !converter.Convert(bytes, utf8, false))
        return false;
    AText = QString::fromUtf8(utf8);
    return true;
}

QString ClipboardTextThroughCodeset(const QString& AClipboard, const QByteArray& ACodeset)
{
    return QString::fromUtf8(ToCodeset(AClipboard, ACodeset));
}

bool DecodeDroppedBytes(
    const QByteArray& ABytes, const QByteArray& ACodeset, QString& AText, QString& AEncoding)
{
    const std::string_view bytes(ABytes.constData(), size_t(ABytes.size()));
    if (bytes.substr(0, Utf8Bom.size()) == Utf8Bom) {
        AEncoding = QStringLiteral("UTF-8");
        const std::string_view rest = bytes.substr(Utf8Bom.size());
        if (!IsValidUtf8(rest))
            return false;
        AText = QString::fromUtf8(rest.data(), qsizetype(rest.size()));
        return true;
    }
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        const bool bigEndian = bytes[0] == '\xFE';
        AEncoding = bigEndian ? QStringLiteral("UTF-16 BE") : QStringLiteral("UTF-16 LE");
        return DecodeUtf16(bytes.substr(2), bigEndian, AText);
    }
    AEncoding = QString::fromLatin1(ACodeset);
    return FromCodeset(ABytes, ACodeset, AText);
}
