#include "jsnumbertext.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace jsliteral {

double PowerOfTwoRadixValue(const std::string &digits, int bitsPerDigit) {
    std::uint64_t top = 0; // the first up to 54 significant bits
    int topBits = 0;
    bool sticky = false;
    std::int64_t bitLength = 0;
    for (char ch : digits) {
        const int digit = HexValue(ch);
        for (int b = bitsPerDigit - 1; b >= 0; --b) {
            const int bit = (digit >> b) & 1;
            if (bitLength == 0 && bit == 0)
                continue;
            ++bitLength;
            if (topBits < 54) {
                top = (top << 1) | std::uint64_t(bit);
                ++topBits;
            } else if (bit) {
                sticky = true;
            }
        }
    }
    if (bitLength == 0)
        return 0;
    if (bitLength > 1100)
        return std::numeric_limits<double>::infinity();
    if (topBits <= 53)
        return double(top); // exact
    std::uint64_t mantissa = top >> 1;
    const bool half = top & 1;
    if (half && (sticky || (mantissa & 1)))
        ++mantissa;
    // mantissa holds the first 53 bits; the value is mantissa * 2^(bitLength - 53).
    return std::ldexp(double(mantissa), int(bitLength - 53));
}

double DecimalValue(const std::string &integer, const std::string &fraction, std::int64_t exponent,
                    std::string &scratch) {
    std::string &text = scratch;
    text.assign(integer).append(fraction);
    const std::size_t firstNonZero = text.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0;
    text.erase(0, firstNonZero);
    const std::int64_t scale = exponent - std::int64_t(fraction.size());
    // Decimal exponent of the leading digit.
    const std::int64_t lead = std::int64_t(text.size()) - 1 + scale;
    if (lead > 400)
        return std::numeric_limits<double>::infinity();
    if (lead < -400)
        return 0;
    if (scale == 0 && text.size() <= 15) {
        // Up to 15 digits are exact in a double: no rounding to do.
        double value = 0;
        for (char digit : text)
            value = value * 10 + (digit - '0');
        return value;
    }
    char exponentText[24];
    const auto written = std::to_chars(exponentText, exponentText + sizeof exponentText, scale);
    text.push_back('e');
    text.append(exponentText, written.ptr);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return lead > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (ec != std::errc() || ptr != text.data() + text.size())
        return std::numeric_limits<double>::quiet_NaN(); // cannot happen: the digits were checked
    return value;
}

QString NumberToString(double number) {
    if (std::isnan(number))
        return QStringLiteral("NaN");
    if (number == 0)
        return QStringLiteral("0"); // -0 too
    if (std::isinf(number))
        return number < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");

    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number),
                                      std::chars_format::scientific);
    // buffer holds d[.ddd]e(+|-)xx, the shortest digits that round-trip.
    const std::string_view text(buffer, std::size_t(result.ptr - buffer));
    const std::size_t e = text.find('e');
    std::string digits;
    for (char ch : text.substr(0, e)) {
        if (ch != '.')
            digits.push_back(ch);
    }
    const int exponent = std::stoi(std::string(text.substr(e + 1)));
    const int k = int(digits.size());
    const int n = exponent + 1; // the value is 0.digits * 10^n

    std::string out = number < 0 ? "-" : "";
    if (k <= n && n <= 21) {
        out += digits;
        out.append(std::size_t(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, std::size_t(n));
        out += '.';
        out += digits.substr(std::size_t(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(std::size_t(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'e';
        out += n - 1 >= 0 ? '+' : '-';
        out += std::to_string(std::abs(n - 1));
    }
    return QString::fromLatin1(out);
}

} // namespace jsliteral
