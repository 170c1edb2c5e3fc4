#include "numerictext.h"

#include "mobilenumber.h"

namespace {
bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsHexDigit(QChar c) {
    return IsDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool IsOctalDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('7');
}

// "&H1F", "&o17": the whole body must be digits of the base, at least one.
bool IsRadixLiteral(QStringView s) {
    if (s.size() < 3 || s[0] != QLatin1Char('&'))
        return false;
    const QChar kind = s[1].toUpper();
    bool (*accepts)(QChar) = nullptr;
    if (kind == QLatin1Char('H'))
        accepts = IsHexDigit;
    else if (kind == QLatin1Char('O'))
        accepts = IsOctalDigit;
    else
        return false;
    for (qsizetype i = 2; i < s.size(); ++i) {
        if (!accepts(s[i]))
            return false;
    }
    return true;
}

// Matches a locale symbol (which may be longer than one unit) at position i.
bool StartsWithAt(QStringView s, qsizetype i, const QString &symbol) {
    return !symbol.isEmpty() && s.mid(i).startsWith(symbol);
}

bool IsDecimalNumber(QStringView s, const QLocale &locale) {
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    qsizetype i = 0;

    if (StartsWithAt(s, i, locale.negativeSign()))
        i += locale.negativeSign().size();
    else if (StartsWithAt(s, i, locale.positiveSign()))
        i += locale.positiveSign().size();
    else if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;

    int digits = 0;
    bool seenDecimal = false;
    while (i < s.size()) {
        if (IsDigit(s[i])) {
            ++digits;
            ++i;
        } else if (!seenDecimal && StartsWithAt(s, i, decimal)) {
            seenDecimal = true;
            i += decimal.size();
        } else if (!seenDecimal && digits > 0 && IsDigit(s[i - 1]) && StartsWithAt(s, i, group) &&
                   i + group.size() < s.size() && IsDigit(s[i + group.size()])) {
            i += group.size();
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;

    if (i < s.size() && (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e'))) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        const qsizetype start = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == start)
            return false;
    }
    return i == s.size();
}
} // namespace

bool IsNumericText(const QString &text) {
    // The user's own locale, as the system words numbers; the default locale
    // is the interface's Chinese.
    return IsNumericText(text, QLocale::system());
}

bool IsNumericText(const QString &text, const QLocale &locale) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return false;
    const QStringView core = QStringView(text).mid(begin, end - begin);
    return IsRadixLiteral(core) || IsDecimalNumber(core, locale);
}

bool IsMobileNumber(QStringView text) {
    // The length is the cheap test, so it goes first.
    return text.size() == kMobileNumberLength && IsNumericText(text.toString());
}
