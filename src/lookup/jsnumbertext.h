#pragma once

// Numbers as JavaScript reads and writes them: the value of a numeric
// literal's digits, rounded as the language rounds every literal (to the
// nearest double, ties to even), and Number::toString. The lexer finds the
// digits; this is only their arithmetic.

#include <QString>

#include <cstdint>
#include <string>

namespace jsliteral {

// The value of hexadecimal digit `c` (0-9, a-f, A-F), or -1.
inline int HexValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The value of an integer written in radix 2^bitsPerDigit (2, 8 or 16):
// `digits` are its digits, leading zeros allowed. Infinity beyond the
// greatest double.
double PowerOfTwoRadixValue(const std::string &digits, int bitsPerDigit);

// The value of the decimal literal integer.fraction e exponent. `integer` and
// `fraction` are digit strings (either may be empty), `exponent` is saturated;
// `scratch` is working space, kept by the caller so that a long run of
// numbers does not allocate for each one.
double DecimalValue(const std::string &integer, const std::string &fraction, std::int64_t exponent,
                    std::string &scratch);

// ECMAScript Number::toString(10): shortest round-trip digits, "1e+21",
// "1.5e-7", "0.000001", "-0" -> "0", "NaN", "Infinity", "-Infinity".
QString NumberToString(double number);

} // namespace jsliteral
