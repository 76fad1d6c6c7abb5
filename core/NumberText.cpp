#include "core/NumberText.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace {
bool TryInt64Display(std::string_view ANumber, std::u16string& AOut)
{
    int64_t value = 0;
    const char* end = ANumber.data() + ANumber.size();
    const auto [ptr, ec] = std::from_chars(ANumber.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return false;
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    AOut.assign(buf, res.ptr);
    return true;
}

// Decimal exponent of the first non-zero digit of a number token, as 0.d x 10^e, ignoring the value's
// size; used only to tell an overflow from an underflow when the conversion is out of range.
long RoughExponent(std::string_view ANumber)
{
    long digitsBeforePoint = 0;
    long leadingFractionZeros = 0;
    bool seenPoint = false;
    bool seenNonZero = false;
    size_t i = 0;
    for (; i < ANumber.size(); ++i) {
        const char c = ANumber[i];
        if (c == '-')
            continue;
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if (c == 'e' || c == 'E')
            break;
        if (c != '0')
            seenNonZero = true;
        if (!seenPoint) {
            if (seenNonZero)
                ++digitsBeforePoint;
        } else if (!seenNonZero) {
            ++leadingFractionZeros;
        }
    }
    long exponent = 0;
    if (i < ANumber.size()) {
        // Clamp: a thousand-digit exponent must not overflow the count.
        const char* p = ANumber.data() + i + 1;
        const char* end = ANumber.data() + ANumber.size();
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        for (; p < end && exponent < 100000; ++p)
            exponent = exponent * 10 + (*p - '0');
        if (negative)
            exponent = -exponent;
    }
    return (digitsBeforePoint > 0 ? digitsBeforePoint : -leadingFractionZeros) + exponent;
}
} // namespace

bool TryNumberDisplayValue(
    std::string_view ANumber, std::u16string_view ADecimalSeparator, std::u16string& AOut)
{
    if (ANumber.size() > 11 && ANumber.find('.') == std::string_view::npos)
        return TryInt64Display(ANumber, AOut);

    double value = 0;
    const char* end = ANumber.data() + ANumber.size();
    const auto [ptr, ec] = std::from_chars(ANumber.data(), end, value);
    if (ptr != end || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return false;
    if (ec == std::errc::result_out_of_range) {
        // Too large fails; too small rounds to zero, which displays as "0".
        if (RoughExponent(ANumber) > 0)
            return false;
        value = 0;
    }
    if (value == 0) {
        AOut = u"0";
        return true;
    }

    // Round to 15 significant digits: d.dddddddddddddde[+-]xx
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string_view sci(buf, size_t(res.ptr - buf));
    const size_t ePos = sci.find('e');
    const bool negative = sci[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < ePos; ++i)
        if (sci[i] != '.')
            digits.push_back(sci[i]);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    // to_chars leaves no terminator: read the exponent within the written characters only.
    int exponent10 = 0;
    const char* expBegin = sci.data() + ePos + 1;
    if (*expBegin == '+')
        ++expBegin;
    std::from_chars(expBegin, sci.data() + sci.size(), exponent10);
    const int e = exponent10 + 1; // value = 0.d1d2... x 10^e

    std::u16string text;
    if (negative)
        text.push_back(u'-');
    auto appendDigits = [&text](std::string_view d) { text.append(d.begin(), d.end()); };
    if (e >= -3 && e <= 15) {
        if (e <= 0) {
            text.push_back(u'0');
            text.append(ADecimalSeparator);
            text.append(size_t(-e), u'0');
            appendDigits(digits);
        } else if (size_t(e) >= digits.size()) {
            appendDigits(digits);
            text.append(size_t(e) - digits.size(), u'0');
        } else {
            appendDigits(std::string_view(digits).substr(0, size_t(e)));
            text.append(ADecimalSeparator);
            appendDigits(std::string_view(digits).substr(size_t(e)));
        }
    } else {
        text.push_back(char16_t(digits[0]));
        if (digits.size() > 1) {
            text.append(ADecimalSeparator);
            appendDigits(std::string_view(digits).substr(1));
        }
        text.push_back(u'E');
        const std::string exp = std::to_string(e - 1);
        appendDigits(exp);
    }
    AOut = std::move(text);
    return true;
}
