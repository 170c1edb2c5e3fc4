#pragma once

#include <QLocale>
#include <QString>

// Whether a text reads as one number. This, with a length of exactly eleven
// characters, is the whole check made on a mobile number, so " 1380013800",
// "-1380013800" and "13800.13800" all pass; callers keep the text unchanged.
//
// Accepted, after blanks (space, tab) at either end:
//  - an optional sign, "+" or "-" (or the locale's own signs);
//  - ASCII digits, with the locale's group separator allowed between two
//    digits of the integer part, and at most one decimal separator, which
//    may also stand before the first or after the last digit;
//  - an optional exponent: E or e, an optional sign, one or more digits;
//  - or instead a literal "&H"/"&h" with hexadecimal digits, or "&O"/"&o"
//    with octal digits.
// Nothing else: no currency symbols, bracketed negatives, trailing signs,
// "D" exponents, blanks inside the number or digits of other scripts.
// Without a locale, the system's (QLocale::system()).
bool IsNumericText(const QString &text);
bool IsNumericText(const QString &text, const QLocale &locale);

// A mobile number as the program takes one: exactly eleven characters
// (kMobileNumberLength) that read as a number, kept as they are.
bool IsMobileNumber(QStringView text);
