#include "cellnumber.h"

#include "mobilenumber.h"

#include <array>

namespace {
// Full-width forms (U+FF01 … U+FF5E) as their ASCII characters: an input
// method writes digits, "+" and "-" so. The blanks that are not ASCII (the
// ideographic space, the no-break spaces a web page or a word processor
// puts between groups) become blanks, and the dashes a word processor makes
// of a hyphen (‐ ‑ ‒ – — ―, and the minus sign) become "-".
QString HalfWidth(QStringView text) {
    QString half;
    half.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            half.append(QChar(char16_t(u - 0xFF01 + 0x21)));
        else if (u == 0x3000 || u == 0x00A0 || u == 0x2007 || u == 0x202F)
            half.append(QLatin1Char(' '));
        else if ((u >= 0x2010 && u <= 0x2015) || u == 0x2212)
            half.append(QLatin1Char('-'));
        else
            half.append(c);
    }
    return half;
}

bool IsSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('-');
}

// The digits of groups of digits with blanks or dashes between them, if
// they make a mobile number: eleven digits, the first a 1.
QString NumberInGroups(QStringView text) {
    QString digits;
    digits.reserve(kMobileNumberLength);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
        else if (!IsSeparator(c) || i == 0 || i + 1 == text.size())
            return QString();
        if (digits.size() > kMobileNumberLength)
            return QString();
    }
    if (digits.size() != kMobileNumberLength || digits.front() != QLatin1Char('1'))
        return QString();
    return digits;
}
} // namespace

QString WrittenMobileNumber(QStringView cell) {
    // Most cells of a sheet are names and addresses: they are told apart by
    // their digits alone, before any copy is made. And a number cell's value
    // is the number's eleven digits as they stand.
    qsizetype digits = 0, fullWidth = 0;
    for (const QChar c : cell) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            ++digits;
        else if (u >= 0xFF10 && u <= 0xFF19)
            ++fullWidth;
    }
    if (digits + fullWidth < kMobileNumberLength)
        return QString();
    if (digits == kMobileNumberLength && cell.size() == kMobileNumberLength &&
        cell.front() == QLatin1Char('1'))
        return cell.toString();
    const QString text = HalfWidth(cell).trimmed();
    // The country code, written with "+" or "00" or bare, then perhaps
    // blanks or dashes. A bare 86 could also begin a number written without
    // one: the eleven digits that follow decide.
    for (const QLatin1String code :
         {QLatin1String("+86"), QLatin1String("0086"), QLatin1String("86")}) {
        if (!text.startsWith(code))
            continue;
        QStringView rest = QStringView(text).sliced(code.size());
        while (!rest.isEmpty() && IsSeparator(rest.front()))
            rest = rest.sliced(1);
        if (QString number = NumberInGroups(rest); !number.isNull())
            return number;
    }
    return NumberInGroups(text);
}

QString NumberOfCell(QStringView cell, const std::function<bool(QStringView)> &isNumber) {
    if (QString number = WrittenMobileNumber(cell); !number.isNull())
        return number;
    return isNumber(cell) ? cell.toString() : QString();
}

int PhoneHeaderRank(QStringView cell) {
    QString name = HalfWidth(cell).toLower();
    // Blanks and the marks a header is decorated with. No regular
    // expression: workbooks are read on a thread of their own, and with
    // mingw PCRE2's per-thread JIT stack crashes as such a thread ends.
    name.removeIf(
        [](QChar c) { return c.isSpace() || QStringView(u":：*（）()_.#-").contains(c); });
    if (name.isEmpty())
        return 0;
    // Numbers of other kinds that a customer list keeps beside the phone,
    // and what is said of a phone that is not its number (its model, its
    // home, its carrier, its bill).
    static const std::array<QString, 20> kOtherColumns{
        QStringLiteral("身份证"),   QStringLiteral("证件"),    QStringLiteral("卡号"),
        QStringLiteral("账号"),     QStringLiteral("邮编"),    QStringLiteral("传真"),
        QStringLiteral("fax"),      QStringLiteral("qq"),      QStringLiteral("微信"),
        QStringLiteral("型号"),     QStringLiteral("品牌"),    QStringLiteral("归属"),
        QStringLiteral("运营商"),   QStringLiteral("话费"),    QStringLiteral("套餐"),
        QStringLiteral("model"),    QStringLiteral("brand"),   QStringLiteral("carrier"),
        QStringLiteral("operator"), QStringLiteral("telegram")};
    for (const QString &other : kOtherColumns) {
        if (name.contains(other))
            return 0;
    }
    if (name.contains(QStringLiteral("手机")) || name.contains(QStringLiteral("移动电话")) ||
        name.startsWith(QLatin1String("mobile")) || name.startsWith(QLatin1String("cell")))
        return 3;
    // "tel" and "contact" begin other words (a hotel, a contact's name):
    // they name a phone alone or before what is said of a number.
    const auto phoneWord = [&name] {
        if (name.startsWith(QLatin1String("phone")) || name.startsWith(QLatin1String("telephone")))
            return true;
        for (const QLatin1String word : {QLatin1String("tel"), QLatin1String("contact")}) {
            if (!name.startsWith(word))
                continue;
            const QStringView rest = QStringView(name).sliced(word.size());
            if (rest.isEmpty() || rest.front().isDigit() ||
                rest.startsWith(QLatin1String("phone")) ||
                rest.startsWith(QLatin1String("number")) || rest.startsWith(QLatin1String("no")))
                return true;
        }
        return false;
    };
    if (name.contains(QStringLiteral("电话")) || name.contains(QStringLiteral("联系方式")) ||
        phoneWord())
        return 2;
    if (name == QStringLiteral("号码") || name == QStringLiteral("号码1"))
        return 1;
    return 0;
}
