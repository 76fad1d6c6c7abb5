#include "core/SourceSearch.h"

std::optional<TSourceMatch> FindInSource(std::string_view AText, size_t ACaret, const TTextFinder& AFinder)
{
    // Only a line break matches a line break.
    if (AFinder.Pattern().find_first_of(u"\r\n") != std::u16string::npos)
        return std::nullopt;
    size_t end = 0;
    const size_t start = AFinder.Find(AText, ACaret, &end);
    if (start == TTextFinder::npos)
        return std::nullopt;
    return TSourceMatch {start, end};
}

TLineColumn TLineColumnCounter::At(size_t AOffset)
{
    for (size_t i = FOffset; i < AOffset && i < FText.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(FText[i]);
        if (c == '\n' || (c == '\r' && (i + 1 == FText.size() || FText[i + 1] != '\n'))) {
            ++FLine;
            FColumn = 1;
        } else if (c != '\r' && (c & 0xC0) != 0x80) {
            // A byte that starts a character: one UTF-16 unit, two for a four-byte character.
            FColumn += c >= 0xF0 ? 2 : 1;
        }
    }
    FOffset = AOffset;
    return {FLine, FColumn};
}
