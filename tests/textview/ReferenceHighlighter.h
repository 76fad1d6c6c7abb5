#pragma once
// The highlighter's rules written the slow, literal way over UTF-16 text: split into lines first, then
// each line scanned character by character with the range state carried over. The fast scanner over
// UTF-8 must report the same tokens.

#include "textview/JSONTokenizer.h"

#include <string>
#include <vector>

class TReferenceHighlighter {
public:
    static std::vector<TJSONTokenReport> Tokens(const std::u16string& AText)
    {
        std::vector<TJSONTokenReport> tokens;
        TRangeState state = rsUnknown;
        size_t lineNo = 0;
        for (const std::u16string& line : Lines(AText)) {
            ++lineNo;
            size_t i = 0;
            while (i < line.size()) {
                const TRangeState before = state;
                const size_t end = TokenEnd(line, i, state);
                const TtkTokenKind kind = FKind;
                tokens.push_back({lineNo, i + 1, end - i, kind, AttributeOf(kind, before)});
                i = end;
            }
        }
        return tokens;
    }

private:
    static std::vector<std::u16string> Lines(const std::u16string& AText)
    {
        std::vector<std::u16string> lines;
        std::u16string current;
        for (size_t i = 0; i < AText.size(); ++i) {
            const char16_t c = AText[i];
            if (c == u'\r' || c == u'\n') {
                lines.push_back(current);
                current.clear();
                if (c == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n')
                    ++i;
            } else {
                current += c;
            }
        }
        lines.push_back(current);
        return lines;
    }

    static bool IsSpace(char16_t c) { return c >= 1 && c <= 0x20; }
    static bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static bool IsHex(char16_t c)
    {
        return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    }
    // From AFrom to the first character that ends an unknown run, or the line end.
    static size_t UnknownRun(const std::u16string& ALine, size_t AFrom, const std::u16string& AStops)
    {
        size_t i = AFrom;
        while (i < ALine.size() && !IsSpace(ALine[i]) && AStops.find(ALine[i]) == std::u16string::npos)
            ++i;
        return i;
    }

    static size_t TokenEnd(const std::u16string& ALine, size_t AStart, TRangeState& AState)
    {
        const char16_t c = ALine[AStart];
        const size_t n = ALine.size();
        if (c == u'"') {
            FKind = tkString;
            size_t i = AStart + 1;
            while (i < n) {
                if (ALine[i] == u'"')
                    return i + 1;
                if (ALine[i] == u'\\' && i + 1 < n) {
                    const char16_t next = ALine[i + 1];
                    if (std::u16string(u"\"/\\bfnrt").find(next) != std::u16string::npos) {
                        i += 2;
                        continue;
                    }
                    if (next == u'u') {
                        bool good = i + 5 < n;
                        for (size_t k = 2; good && k < 6; ++k)
                            good = IsHex(ALine[i + k]);
                        if (!good) {
                            FKind = tkUnknown;
                            return UnknownRun(ALine, i, u"\"");
                        }
                        i += 6;
                        continue;
                    }
                }
                ++i;
            }
            return n;
        }
        if (c == u'-' || IsDigit(c)) {
            size_t i = AStart;
            bool good = true;
            if (ALine[i] == u'-')
                ++i;
            auto digits = [&] {
                if (i >= n || !IsDigit(ALine[i]))
                    good = false;
                while (i < n && IsDigit(ALine[i]))
                    ++i;
            };
            digits();
            if (good && i < n && ALine[i] == u'.') {
                ++i;
                digits();
            }
            if (good && i < n && (ALine[i] == u'e' || ALine[i] == u'E')) {
                ++i;
                if (i < n && (ALine[i] == u'+' || ALine[i] == u'-'))
                    ++i;
                digits();
            }
            FKind = good ? tkNumber : tkUnknown;
            return good ? i : UnknownRun(ALine, AStart, u"");
        }
        if (c == u't' || c == u'f' || c == u'n') {
            for (const std::u16string word : {u"true", u"false", u"null"}) {
                if (ALine.compare(AStart, word.size(), word) == 0) {
                    FKind = tkReserved;
                    return AStart + word.size();
                }
            }
            FKind = tkUnknown;
            return UnknownRun(ALine, AStart, u",");
        }
        if (std::u16string(u"{}[]:,").find(c) != std::u16string::npos) {
            FKind = tkSymbol;
            if (c == u'{')
                AState = rsAttribute;
            else if (c == u':')
                AState = rsObjectValue;
            else if (c == u',' && AState == rsObjectValue)
                AState = rsAttribute;
            else if (c == u'[')
                AState = rsArrayValue;
            else if (c == u'}' || c == u']')
                AState = rsUnknown;
            return AStart + 1;
        }
        if (IsSpace(c)) {
            FKind = tkSpace;
            size_t i = AStart;
            while (i < n && IsSpace(ALine[i]))
                ++i;
            return i;
        }
        FKind = c == 0 ? tkNull : tkUnknown;
        return AStart + 1;
    }

    static inline TtkTokenKind FKind = tkUnknown;
};
