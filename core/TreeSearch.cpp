#include "core/TreeSearch.h"

#include "core/JSONText.h"
#include "core/NumberText.h"
#include "core/Utf.h"

#include <cstring>

namespace {
// The characters a number's shown text is made of: its display value, or its text as written when it
// has none.
constexpr std::u16string_view NumberUnits = u"0123456789+-.eE";
// The characters of the names of containers inside arrays.
constexpr std::u16string_view ElementNameUnits = u"<element #0123456789>";

// The character a two-character escape stands for; -1 for \u and anything else.
int SimpleEscape(char ALetter)
{
    switch (ALetter) {
    case '"':
    case '\\':
    case '/':
        return ALetter;
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return -1;
    }
}

// Whether a number token's display value is its text (with the decimal separator for the point), so
// that it need not be made: integers but -0 (shown as written, in 64 bits or for want of a display
// value), and decimals without an exponent whose at most 15 significant digits show in fixed notation
// (no trailing zero after the point, at most three zeros between the point and the first digit of a
// value below 1).
bool ShownAsWritten(std::string_view ANumber)
{
    const std::string_view digits = ANumber.starts_with('-') ? ANumber.substr(1) : ANumber;
    if (digits.empty() || digits.find_first_not_of("0123456789.") != std::string_view::npos)
        return false;
    const size_t point = digits.find('.');
    if (point == std::string_view::npos)
        return ANumber != "-0";
    const std::string_view whole = digits.substr(0, point);
    const std::string_view fraction = digits.substr(point + 1);
    if (fraction.empty() || fraction.back() == '0')
        return false;
    if (whole != "0")
        return whole.size() + fraction.size() <= 15;
    const size_t zeros = fraction.find_first_not_of('0');
    return zeros <= 3 && fraction.size() - zeros <= 15;
}
} // namespace

TNodeIndex NextInPreOrder(const TOutline& AOutline, TNodeIndex ANode)
{
    if (AOutline.ChildCount(ANode) > 0)
        return AOutline.Child(ANode, 0);
    for (TNodeIndex node = ANode;;) {
        const TNodeIndex parent = AOutline.Parent(node);
        if (parent == NoNode)
            return NoNode;
        // Siblings are contiguous.
        if (AOutline.Row(node) + 1 < AOutline.ChildCount(parent))
            return node + 1;
        node = parent;
    }
}

TTreeSearch::TTreeSearch(const TOutline& AOutline, const TTextFinder& AFinder)
    : FOutline(AOutline)
    , FFinder(AFinder)
    , FText(AOutline.Text())
{
    FInTrue = FFinder.Contains(std::u16string_view(u"true"));
    FInFalse = FFinder.Contains(std::u16string_view(u"false"));
    FInNull = FFinder.Contains(std::u16string_view(u"null"));
    FInNumbers = FFinder.MadeOf(std::u16string(NumberUnits) + FOutline.DecimalSeparator());
    FInElementNames = FFinder.MadeOf(ElementNameUnits);
    FPointSeparator = FOutline.DecimalSeparator() == u".";
    FSeparatorBytes = Utf16ToWtf8(FOutline.DecimalSeparator());
}

TNodeIndex TTreeSearch::FindFrom(TNodeIndex AFrom, const std::atomic<bool>* ACancel)
{
    if (FOutline.IsEmpty() || FFinder.IsEmpty())
        return NoNode;
    constexpr uint32_t CancelCheckNodes = 4096;
    uint32_t untilCheck = CancelCheckNodes;
    for (TNodeIndex node = AFrom == NoNode ? FOutline.Root() : AFrom; node != NoNode;
         node = NextInPreOrder(FOutline, node)) {
        if (Matches(node))
            return node;
        if (ACancel && --untilCheck == 0) {
            if (ACancel->load(std::memory_order_relaxed))
                return NoNode;
            untilCheck = CancelCheckNodes;
        }
    }
    return NoNode;
}

bool TTreeSearch::Matches(TNodeIndex ANode)
{
    const TNodeIndex parent = FOutline.Parent(ANode);
    const bool container = FOutline.IsContainer(ANode);
    if (parent == NoNode)
        return FFinder.Contains(
            std::u16string_view(FOutline.Typ(ANode) == ntArray ? u"<array>" : u"<object>"));
    const size_t offset = size_t(FOutline.TokenOffset(ANode));
    if (FOutline.Typ(parent) == ntArray) {
        if (!container)
            return ScalarMatches(offset);
        if (!FInElementNames)
            return false;
        const std::string name = "<element #" + std::to_string(FOutline.Row(ANode)) + ">";
        return FFinder.Contains(std::string_view(name));
    }
    // A member: its name token, ": ", then its value's token.
    if (StringMatches(offset))
        return true;
    return !container && ScalarMatches(offset + StringTokenLength(FText, offset) + 2);
}

bool TTreeSearch::StringMatches(size_t AOffset)
{
    const char* contents = FText.data() + AOffset + 1;
    const char* textEnd = FText.data() + FText.size();
    const char* quote = static_cast<const char*>(std::memchr(contents, '"', size_t(textEnd - contents)));
    if (!quote)
        quote = textEnd;
    // Most strings hold no escape: their bytes are what the tree shows.
    if (!std::memchr(contents, '\\', size_t(quote - contents)))
        return FFinder.Contains(std::string_view(contents, size_t(quote - contents)));

    const size_t length = StringTokenLength(FText, AOffset);
    const std::string_view escaped = FText.substr(AOffset + 1, length >= 2 ? length - 2 : 0);
    FBytes.clear();
    for (size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != '\\' || i + 1 == escaped.size()) {
            FBytes.push_back(c);
            continue;
        }
        const int simple = SimpleEscape(escaped[i + 1]);
        if (simple < 0) {
            // A \u escape (the formatter writes none): the full decoder.
            FUnits = DecodeStringContents(escaped);
            return FFinder.Contains(std::u16string_view(FUnits));
        }
        FBytes.push_back(char(simple));
        ++i;
    }
    return FFinder.Contains(std::string_view(FBytes));
}

bool TTreeSearch::ScalarMatches(size_t AOffset)
{
    switch (FText[AOffset]) {
    case '"':
        return StringMatches(AOffset);
    case 't':
        return FInTrue;
    case 'f':
        return FInFalse;
    case 'n':
        return FInNull;
    default:
        break;
    }
    if (!FInNumbers)
        return false;
    size_t end = AOffset;
    while (end < FText.size() && FText[end] != ',' && FText[end] != '\r')
        ++end;
    const std::string_view number = FText.substr(AOffset, end - AOffset);
    if (ShownAsWritten(number)) {
        if (FPointSeparator)
            return FFinder.Contains(number);
        // The point becomes the decimal separator.
        FBytes.assign(number);
        if (const size_t point = FBytes.find('.'); point != std::string::npos)
            FBytes.replace(point, 1, FSeparatorBytes);
        return FFinder.Contains(std::string_view(FBytes));
    }
    if (TryNumberDisplayValue(number, FOutline.DecimalSeparator(), FUnits))
        return FFinder.Contains(std::u16string_view(FUnits));
    return FFinder.Contains(number);
}
