#pragma once
// The display value of a JSON number, as the outline shows it.

#include <string>
#include <string_view>

// Computes the display value of a number written as `number` (a number token the parser accepted):
//  - longer than 11 characters without ".": read as a signed 64-bit integer and written back; fails
//    beyond that range or for an exponent form;
//  - otherwise read as the nearest double and written with 15 significant digits, fixed notation
//    for decimal exponents -3..15 (value = 0.d1d2... x 10^e), else d1.d2...E<e-1>; fails for forms
//    that are no double (-e5) and for magnitudes beyond the double range (1e400).
// decimalSeparator is the user's locale's. Returns false on failure and leaves out untouched.
bool TryNumberDisplayValue(
    std::string_view ANumber, std::u16string_view ADecimalSeparator, std::u16string& AOut);
