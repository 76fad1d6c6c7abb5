#include "core/PathSyntax.h"

#include "core/JSONText.h"
#include "core/OutlinePath.h"
#include "core/Utf.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace {
// ---------------------------------------------------------------------------------------------------
// The way from the root to a node.

struct TWayStep {
    bool IsMember; // a member of an object (Name) or an element of an array (Index)
    std::u16string Name;
    uint32_t Index;
};

// The member name token of a node in the formatted text, quotes included. The formatted text writes
// every name in one canonical form (JSONQuote), so equal names have equal tokens.
std::string_view NameToken(const TOutline& AOutline, TNodeIndex ANode)
{
    const std::string_view text = AOutline.Text();
    const size_t offset = AOutline.TokenOffset(ANode);
    return text.substr(offset, StringTokenLength(text, offset));
}

std::u16string MemberName(const TOutline& AOutline, TNodeIndex ANode)
{
    const std::string_view token = NameToken(AOutline, ANode);
    return DecodeStringContents(token.substr(1, token.size() >= 2 ? token.size() - 2 : 0));
}

std::vector<TWayStep> WayTo(const TOutline& AOutline, TNodeIndex ANode)
{
    std::vector<TWayStep> way;
    for (TNodeIndex n = ANode; AOutline.Parent(n) != NoNode; n = AOutline.Parent(n)) {
        if (AOutline.Typ(AOutline.Parent(n)) == ntObject)
            way.push_back({true, MemberName(AOutline, n), 0});
        else
            way.push_back({false, {}, AOutline.Row(n)});
    }
    return {way.rbegin(), way.rend()};
}

// ---------------------------------------------------------------------------------------------------
// Formatting.

bool IsAsciiLetter(char16_t AC)
{
    return (AC >= u'a' && AC <= u'z') || (AC >= u'A' && AC <= u'Z');
}
bool IsAsciiDigit(char16_t AC)
{
    return AC >= u'0' && AC <= u'9';
}

// [A-Za-z_][A-Za-z0-9_]*, and for JavaScript also "$" after the first character (a leading "$" would
// read as JSONPath when the path is given back).
bool IsIdentifier(std::u16string_view AName, bool ADollar)
{
    if (AName.empty() || !(IsAsciiLetter(AName[0]) || AName[0] == u'_'))
        return false;
    for (char16_t c : AName)
        if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'_' || (ADollar && c == u'$')))
            return false;
    return true;
}

// jq reads these as keywords after a dot in older versions: they are quoted.
bool IsJqKeyword(std::u16string_view AName)
{
    static const char16_t* const keywords[] = {u"and", u"or", u"not", u"if", u"then", u"elif", u"else",
        u"end", u"as", u"def", u"reduce", u"foreach", u"try", u"catch", u"label", u"import", u"include",
        u"__loc__"};
    for (const char16_t* k : keywords)
        if (AName == k)
            return true;
    return false;
}

void AppendHex(std::u16string& AOut, uint32_t AValue, int ADigits)
{
    static const char16_t digits[] = u"0123456789abcdef";
    for (int shift = (ADigits - 1) * 4; shift >= 0; shift -= 4)
        AOut.push_back(digits[(AValue >> shift) & 0xF]);
}

// Whether the unit at i is half of a surrogate pair (so it stays as it is).
bool IsPaired(std::u16string_view AS, size_t AI)
{
    const char16_t c = AS[AI];
    if (IsHighSurrogate(c))
        return AI + 1 < AS.size() && IsLowSurrogate(AS[AI + 1]);
    if (IsLowSurrogate(c))
        return AI > 0 && IsHighSurrogate(AS[AI - 1]);
    return true;
}

enum class TQuoting { JSONPath, Json, JavaScript, Python };

// A quoted string literal of the language: the quote character and backslash escaped, control
// characters as named escapes or hexadecimal ones, lone surrogates as \u escapes (no text encoding
// holds them), every other character (non-ASCII included) as it is.
void AppendQuoted(std::u16string& AOut, std::u16string_view AName, TQuoting AQuoting)
{
    const char16_t quote = AQuoting == TQuoting::JSONPath ? u'\'' : u'"';
    AOut.push_back(quote);
    for (size_t i = 0; i < AName.size(); ++i) {
        const char16_t c = AName[i];
        if (c == quote || c == u'\\') {
            AOut.push_back(u'\\');
            AOut.push_back(c);
            continue;
        }
        char16_t letter = 0;
        switch (c) {
        case 0x08:
            letter = AQuoting == TQuoting::Python ? 0 : u'b';
            break;
        case 0x09:
            letter = u't';
            break;
        case 0x0A:
            letter = u'n';
            break;
        case 0x0B:
            letter = AQuoting == TQuoting::JavaScript ? u'v' : 0;
            break;
        case 0x0C:
            letter = AQuoting == TQuoting::Python ? 0 : u'f';
            break;
        case 0x0D:
            letter = u'r';
            break;
        default:
            break;
        }
        if (letter) {
            AOut.push_back(u'\\');
            AOut.push_back(letter);
            continue;
        }
        // DEL is escaped for legibility, except in JSONPath, whose normalized paths write it as it is.
        const bool control = c < 0x20 || (c == 0x7F && AQuoting != TQuoting::JSONPath);
        const bool separator = AQuoting == TQuoting::JavaScript && (c == 0x2028 || c == 0x2029);
        if (!IsPaired(AName, i) || separator || (control && AQuoting != TQuoting::Python)) {
            AOut += u"\\u";
            AppendHex(AOut, c, 4);
        } else if (control) {
            AOut += u"\\x";
            AppendHex(AOut, c, 2);
        } else {
            AOut.push_back(c);
        }
    }
    AOut.push_back(quote);
}

void AppendIndex(std::u16string& AOut, uint32_t AIndex)
{
    AOut.push_back(u'[');
    for (char c : std::to_string(AIndex))
        AOut.push_back(char16_t(c));
    AOut.push_back(u']');
}

void AppendPointerToken(std::u16string& AOut, std::u16string_view AName)
{
    AOut.push_back(u'/');
    for (char16_t c : AName) {
        if (c == u'~')
            AOut += u"~0";
        else if (c == u'/')
            AOut += u"~1";
        else
            AOut.push_back(c);
    }
}

// ---------------------------------------------------------------------------------------------------
// Reading paths.

enum class TStepKind { Name, Index, Token };

struct TPathStep {
    TStepKind Kind;
    std::u16string Name; // Name and Token (a pointer token, unescaped)
    int64_t Index = 0; // Index: negative counts from the end
};

std::u16string Text(std::string_view AAscii)
{
    return {AAscii.begin(), AAscii.end()};
}

std::u16string Number(int64_t AValue)
{
    return Text(std::to_string(AValue));
}

// Reads one syntax; a failure keeps the first error with its character position (from 1).
class TPathReader {
public:
    TPathReader(std::u16string_view APath, const char16_t* ASyntax)
        : FPath(APath)
        , FSyntax(ASyntax)
    {
    }

    std::optional<std::vector<TPathStep>> JSONPath()
    {
        ++FPos; // "$"
        while (!AtEnd()) {
            if (Peek() == u'.') {
                ++FPos;
                if (!ReadDotName())
                    return std::nullopt;
            } else if (Peek() == u'[') {
                if (!ReadBracket(true))
                    return std::nullopt;
            } else {
                return Fail("expected '.' or '['");
            }
        }
        return FSteps;
    }

    std::optional<std::vector<TPathStep>> Jq()
    {
        // "." alone is the root; every step starts with "." except brackets after another step.
        bool first = true;
        while (!AtEnd()) {
            if (Peek() == u'.') {
                ++FPos;
                if (AtEnd() && first)
                    break;
                if (!AtEnd() && Peek() == u'[') {
                    if (!ReadBracket(false))
                        return std::nullopt;
                } else if (!AtEnd() && Peek() == u'"') {
                    if (!ReadQuotedName())
                        return std::nullopt;
                } else if (!ReadDotName()) {
                    return std::nullopt;
                }
            } else if (Peek() == u'[' && !first) {
                if (!ReadBracket(false))
                    return std::nullopt;
            } else {
                return Fail(first ? "expected '.'" : "expected '.' or '['");
            }
            first = false;
        }
        return FSteps;
    }

    // JavaScript and Python: an identifier first (JavaScript), then ".name" and brackets.
    std::optional<std::vector<TPathStep>> Script()
    {
        if (!AtEnd() && Peek() != u'[' && !ReadDotName())
            return std::nullopt;
        while (!AtEnd()) {
            if (Peek() == u'.') {
                ++FPos;
                if (!ReadDotName())
                    return std::nullopt;
            } else if (Peek() == u'[') {
                if (!ReadBracket(true))
                    return std::nullopt;
            } else {
                return Fail("expected '.' or '['");
            }
        }
        return FSteps;
    }

    std::optional<std::vector<TPathStep>> Pointer()
    {
        while (!AtEnd()) {
            ++FPos; // "/"
            std::u16string token;
            while (!AtEnd() && Peek() != u'/') {
                const char16_t c = FPath[FPos];
                if (c == u'~') {
                    if (FPos + 1 < FPath.size() && (FPath[FPos + 1] == u'0' || FPath[FPos + 1] == u'1')) {
                        token.push_back(FPath[FPos + 1] == u'0' ? u'~' : u'/');
                        FPos += 2;
                        continue;
                    }
                    return Fail("'~' must be followed by 0 or 1");
                }
                token.push_back(c);
                ++FPos;
            }
            FSteps.push_back({TStepKind::Token, std::move(token)});
        }
        return FSteps;
    }

    const std::u16string& Error() const { return FError; }

private:
    bool AtEnd() const { return FPos >= FPath.size(); }
    char16_t Peek() const { return FPath[FPos]; }

    std::nullopt_t Fail(std::string_view AReason)
    {
        if (FError.empty())
            FError = u"Not a valid " + std::u16string(FSyntax) + u" path at character "
                + Number(int64_t(FPos) + 1) + u": " + Text(AReason) + u".";
        return std::nullopt;
    }

    static bool IsNameChar(char16_t AC)
    {
        return IsAsciiLetter(AC) || IsAsciiDigit(AC) || AC == u'_' || AC == u'$' || AC >= 0x80;
    }

    bool ReadDotName()
    {
        const size_t start = FPos;
        while (!AtEnd() && IsNameChar(Peek()))
            ++FPos;
        if (FPos == start)
            return Fail("expected a name"), false;
        FSteps.push_back({TStepKind::Name, std::u16string(FPath.substr(start, FPos - start))});
        return true;
    }

    bool ReadQuotedName()
    {
        std::u16string name;
        if (!ReadString(name))
            return false;
        FSteps.push_back({TStepKind::Name, std::move(name)});
        return true;
    }

    // "[" then an index or a quoted name, then "]". Single quotes only where the syntax has them.
    bool ReadBracket(bool ASingleQuotes)
    {
        ++FPos; // "["
        if (AtEnd())
            return Fail("expected an index or a quoted name"), false;
        if (Peek() == u'"' || (ASingleQuotes && Peek() == u'\'')) {
            if (!ReadQuotedName())
                return false;
        } else if (Peek() == u'-' || IsAsciiDigit(Peek())) {
            const size_t start = FPos;
            const bool negative = Peek() == u'-';
            if (negative)
                ++FPos;
            int64_t value = 0;
            const size_t digits = FPos;
            while (!AtEnd() && IsAsciiDigit(Peek())) {
                if (value > (INT64_MAX - 9) / 10)
                    return Fail("index too large"), false;
                value = value * 10 + (Peek() - u'0');
                ++FPos;
            }
            if (FPos == digits) {
                FPos = start;
                return Fail("expected an index"), false;
            }
            FSteps.push_back({TStepKind::Index, {}, negative ? -value : value});
        } else {
            return Fail("expected an index or a quoted name"), false;
        }
        if (AtEnd() || Peek() != u']')
            return Fail("expected ']'"), false;
        ++FPos;
        return true;
    }

    int ReadHexDigits(int ACount, uint32_t& AValue)
    {
        AValue = 0;
        int n = 0;
        while (n < ACount && !AtEnd()) {
            const char16_t c = Peek();
            int h = -1;
            if (IsAsciiDigit(c))
                h = c - u'0';
            else if (c >= u'a' && c <= u'f')
                h = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                h = c - u'A' + 10;
            if (h < 0)
                break;
            AValue = AValue << 4 | uint32_t(h);
            ++FPos;
            ++n;
        }
        return n;
    }

    static void AppendCodePoint(std::u16string& AOut, uint32_t ACp)
    {
        if (ACp >= 0x10000) {
            ACp -= 0x10000;
            AOut.push_back(char16_t(0xD800 + (ACp >> 10)));
            AOut.push_back(char16_t(0xDC00 + (ACp & 0x3FF)));
        } else {
            AOut.push_back(char16_t(ACp));
        }
    }

    // A quoted string with the escapes that any of the five languages writes: \" \' \\ \/ \b \f \n
    // \r \t \v \0 \a \xHH \uHHHH \u{H...} \UHHHHHHHH.
    bool ReadString(std::u16string& AOut)
    {
        const char16_t quote = Peek();
        ++FPos;
        for (;;) {
            if (AtEnd())
                return Fail("the quoted name is not closed"), false;
            const char16_t c = Peek();
            if (c == quote) {
                ++FPos;
                return true;
            }
            ++FPos;
            if (c != u'\\') {
                AOut.push_back(c);
                continue;
            }
            if (AtEnd())
                return Fail("the quoted name is not closed"), false;
            const char16_t e = Peek();
            ++FPos;
            uint32_t value = 0;
            switch (e) {
            case u'"':
            case u'\'':
            case u'\\':
            case u'/':
                AOut.push_back(e);
                break;
            case u'b':
                AOut.push_back(0x08);
                break;
            case u'f':
                AOut.push_back(0x0C);
                break;
            case u'n':
                AOut.push_back(0x0A);
                break;
            case u'r':
                AOut.push_back(0x0D);
                break;
            case u't':
                AOut.push_back(0x09);
                break;
            case u'v':
                AOut.push_back(0x0B);
                break;
            case u'a':
                AOut.push_back(0x07);
                break;
            case u'0':
                AOut.push_back(0);
                break;
            case u'x':
                if (ReadHexDigits(2, value) != 2)
                    return Fail("invalid \\x escape"), false;
                AOut.push_back(char16_t(value));
                break;
            case u'u':
                if (!AtEnd() && Peek() == u'{') {
                    ++FPos;
                    if (ReadHexDigits(6, value) == 0 || value > 0x10FFFF || AtEnd() || Peek() != u'}')
                        return Fail("invalid \\u{...} escape"), false;
                    ++FPos;
                    AppendCodePoint(AOut, value);
                } else {
                    if (ReadHexDigits(4, value) != 4)
                        return Fail("invalid \\u escape"), false;
                    AOut.push_back(char16_t(value));
                }
                break;
            case u'U':
                if (ReadHexDigits(8, value) != 8 || value > 0x10FFFF)
                    return Fail("invalid \\U escape"), false;
                AppendCodePoint(AOut, value);
                break;
            default:
                --FPos;
                return Fail("invalid escape"), false;
            }
        }
    }

    std::u16string_view FPath;
    const char16_t* FSyntax;
    size_t FPos = 0;
    std::vector<TPathStep> FSteps;
    std::u16string FError;
};

// The first member of the object with this name, or NoNode.
TNodeIndex FindMember(const TOutline& AOutline, TNodeIndex AObject, std::u16string_view AName)
{
    const std::string token = Utf16ToWtf8(JSONQuote(AName));
    const uint32_t count = AOutline.ChildCount(AObject);
    for (uint32_t row = 0; row < count; ++row) {
        const TNodeIndex child = AOutline.Child(AObject, row);
        if (NameToken(AOutline, child) == token)
            return child;
    }
    return NoNode;
}

const char16_t* KindText(TNodeType ATyp)
{
    switch (ATyp) {
    case ntString:
        return u"a string";
    case ntNumber:
        return u"a number";
    case ntTrue:
    case ntFalse:
        return u"a boolean";
    case ntNull:
        return u"null";
    default:
        return u"a container";
    }
}

// Token: a pointer token names a member of an object and an element of an array ("0" or digits
// without a leading zero).
bool PointerIndex(std::u16string_view AToken, int64_t& AIndex)
{
    if (AToken.empty() || AToken.size() > 18 || (AToken.size() > 1 && AToken[0] == u'0'))
        return false;
    AIndex = 0;
    for (char16_t c : AToken) {
        if (!IsAsciiDigit(c))
            return false;
        AIndex = AIndex * 10 + (c - u'0');
    }
    return true;
}

TPathLookup Follow(const TOutline& AOutline, const std::vector<TPathStep>& ASteps)
{
    TNodeIndex node = AOutline.Root();
    const size_t count = ASteps.size();
    for (size_t k = 0; k < count; ++k) {
        const TPathStep& step = ASteps[k];
        const std::u16string label =
            step.Kind == TStepKind::Index ? u"[" + Number(step.Index) + u"]" : JSONQuote(step.Name);
        const std::u16string at =
            u"Step " + Number(int64_t(k) + 1) + u" of " + Number(int64_t(count)) + u", " + label + u": ";
        const TNodeType typ = AOutline.Typ(node);
        if (typ == ntObject) {
            if (step.Kind == TStepKind::Index)
                return {NoNode, at + u"an object has no elements, only named members."};
            node = FindMember(AOutline, node, step.Name);
            if (node == NoNode)
                return {NoNode, at + u"the object has no member of that name."};
        } else if (typ == ntArray) {
            int64_t index = step.Index;
            if (step.Kind == TStepKind::Name)
                return {NoNode, at + u"an array has no named members, only elements."};
            if (step.Kind == TStepKind::Token && !PointerIndex(step.Name, index))
                return {NoNode, at + u"not an array index."};
            const int64_t size = AOutline.ChildCount(node);
            if (index < 0)
                index += size;
            if (index < 0 || index >= size)
                return {NoNode,
                    at + u"the array has " + Number(size) + (size == 1 ? u" element." : u" elements.")};
            node = AOutline.Child(node, uint32_t(index));
        } else {
            return {NoNode,
                at + u"the node before it is " + KindText(typ) + u", which has no members or elements."};
        }
    }
    return {node, {}};
}

// The backslash path, step by step as FindNodeByPath walks it, saying where it stops.
TPathLookup FollowBackslashPath(const TOutline& AOutline, std::u16string_view APath)
{
    const std::vector<std::u16string_view> segments = SplitBackslashPath(APath);
    TNodeIndex node = AOutline.Root();
    const size_t count = segments.size();
    for (size_t k = 0; k < count; ++k) {
        const std::u16string at = u"Step " + Number(int64_t(k) + 1) + u" of " + Number(int64_t(count)) + u", "
            + JSONQuote(segments[k]) + u": ";
        if (k == 0) {
            const std::u16string rootName = AOutline.NodeData(node).Name;
            if (!SameTextAscii(rootName, segments[0]))
                return {NoNode, at + u"the top-level node is named " + rootName + u"."};
            continue;
        }
        const uint32_t children = AOutline.ChildCount(node);
        TNodeIndex found = NoNode;
        for (uint32_t row = 0; row < children && found == NoNode; ++row) {
            const TNodeIndex child = AOutline.Child(node, row);
            if (SameTextAscii(AOutline.NodeData(child).Name, segments[k]))
                found = child;
        }
        if (found == NoNode)
            return {NoNode, at + u"no node of that name."};
        node = found;
    }
    return {node, {}};
}
} // namespace

const char16_t* PathSyntaxName(TPathSyntax ASyntax)
{
    switch (ASyntax) {
    case TPathSyntax::JSONPath:
        return u"JSONPath";
    case TPathSyntax::JSONPointer:
        return u"JSON Pointer";
    case TPathSyntax::Jq:
        return u"jq";
    case TPathSyntax::JavaScript:
        return u"JavaScript";
    case TPathSyntax::Python:
        return u"Python";
    }
    return u"";
}

std::u16string FormatNodePath(const TOutline& AOutline, TNodeIndex ANode, TPathSyntax ASyntax)
{
    const std::vector<TWayStep> way = WayTo(AOutline, ANode);
    std::u16string out;
    switch (ASyntax) {
    case TPathSyntax::JSONPath:
        out = u"$";
        for (const TWayStep& step : way) {
            if (!step.IsMember) {
                AppendIndex(out, step.Index);
            } else if (IsIdentifier(step.Name, false)) {
                out += u".";
                out += step.Name;
            } else {
                out += u"[";
                AppendQuoted(out, step.Name, TQuoting::JSONPath);
                out += u"]";
            }
        }
        break;
    case TPathSyntax::JSONPointer:
        for (const TWayStep& step : way) {
            if (step.IsMember)
                AppendPointerToken(out, step.Name);
            else
                AppendPointerToken(out, Text(std::to_string(step.Index)));
        }
        break;
    case TPathSyntax::Jq:
        if (way.empty())
            out = u".";
        for (size_t i = 0; i < way.size(); ++i) {
            const TWayStep& step = way[i];
            if (!step.IsMember) {
                if (i == 0)
                    out += u".";
                AppendIndex(out, step.Index);
            } else if (IsIdentifier(step.Name, false) && !IsJqKeyword(step.Name)) {
                out += u".";
                out += step.Name;
            } else {
                out += u".";
                AppendQuoted(out, step.Name, TQuoting::Json);
            }
        }
        break;
    case TPathSyntax::JavaScript:
        for (size_t i = 0; i < way.size(); ++i) {
            const TWayStep& step = way[i];
            if (!step.IsMember) {
                AppendIndex(out, step.Index);
            } else if (IsIdentifier(step.Name, true)) {
                if (i > 0)
                    out += u".";
                out += step.Name;
            } else {
                out += u"[";
                AppendQuoted(out, step.Name, TQuoting::JavaScript);
                out += u"]";
            }
        }
        break;
    case TPathSyntax::Python:
        for (const TWayStep& step : way) {
            if (!step.IsMember) {
                AppendIndex(out, step.Index);
            } else {
                out += u"[";
                AppendQuoted(out, step.Name, TQuoting::Python);
                out += u"]";
            }
        }
        break;
    }
    return out;
}

bool IsAmbiguousPath(const TOutline& AOutline, TNodeIndex ANode)
{
    for (TNodeIndex n = ANode; AOutline.Parent(n) != NoNode; n = AOutline.Parent(n)) {
        const TNodeIndex parent = AOutline.Parent(n);
        if (AOutline.Typ(parent) != ntObject)
            continue;
        const std::string_view token = NameToken(AOutline, n);
        for (uint32_t row = 0; row < AOutline.Row(n); ++row)
            if (NameToken(AOutline, AOutline.Child(parent, row)) == token)
                return true;
    }
    return false;
}

TPathLookup FindNodeByAnyPath(const TOutline& AOutline, std::u16string_view APath)
{
    if (AOutline.IsEmpty())
        return {NoNode, u"The document has no outline."};
    if (APath.empty())
        return {AOutline.Root(), {}};
    std::optional<std::vector<TPathStep>> steps;
    std::u16string error;
    switch (APath.front()) {
    case u'<':
        return FollowBackslashPath(AOutline, APath);
    case u'$': {
        TPathReader reader(APath, u"JSONPath");
        steps = reader.JSONPath();
        error = reader.Error();
        break;
    }
    case u'/': {
        TPathReader reader(APath, u"JSON Pointer");
        steps = reader.Pointer();
        error = reader.Error();
        break;
    }
    case u'.': {
        TPathReader reader(APath, u"jq");
        steps = reader.Jq();
        error = reader.Error();
        break;
    }
    default: {
        TPathReader reader(APath, APath.front() == u'[' ? u"JavaScript or Python" : u"JavaScript");
        steps = reader.Script();
        error = reader.Error();
        break;
    }
    }
    if (!steps)
        return {NoNode, error};
    return Follow(AOutline, *steps);
}
