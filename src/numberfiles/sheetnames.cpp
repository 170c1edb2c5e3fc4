#include "sheetnames.h"

namespace {
// What Excel refuses in a sheet's name, and what stands in for it.
constexpr char16_t kForbidden[] = u":\\/?*[]";
constexpr char16_t kStandIns[] = u"：＼／？＊［］";

// A character that an XML 1.0 file may hold; the others would make the
// workbook unreadable. Pairs of surrogates are looked at as pairs.
bool XmlHolds(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

QString Cleaned(const QString &wanted) {
    QString name;
    name.reserve(wanted.size());
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        const QChar c = wanted[i];
        if (c.isHighSurrogate() && i + 1 < wanted.size() && wanted[i + 1].isLowSurrogate()) {
            name.append(c).append(wanted[++i]);
            continue;
        }
        const qsizetype forbidden = QStringView(kForbidden).indexOf(c);
        if (forbidden >= 0)
            name.append(QChar(kStandIns[forbidden]));
        else if (!XmlHolds(c.unicode()) || c.isSurrogate() || c == QLatin1Char('\t') ||
                 c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            name.append(QLatin1Char(' '));
        else
            name.append(c);
    }
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("未知") : name;
}

// The first `length` UTF-16 units of `text`, less one where that would cut
// a pair of surrogates; blanks and apostrophes it would end with go too.
QString Cut(const QString &text, qsizetype length) {
    if (text.size() <= length)
        return text;
    qsizetype end = length;
    if (text[end - 1].isHighSurrogate())
        --end;
    QString cut = text.left(end);
    while (!cut.isEmpty() && (cut.back().isSpace() || cut.back() == QLatin1Char('\'')))
        cut.chop(1);
    return cut;
}
} // namespace

bool SheetNames::Taken(const QString &name) const {
    for (const QString &taken : m_taken) {
        if (taken.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0;
}

QString SheetNames::TakeFree(const QString &base, int from) {
    for (int n = from;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        const QString name = Cut(base, kMaxLength - suffix.size()) + suffix;
        if (!Taken(name)) {
            m_taken.append(name);
            return name;
        }
    }
}

QString SheetNames::Take(const QString &wanted) {
    const QString name = Cut(Cleaned(wanted), kMaxLength);
    if (!name.isEmpty() && !Taken(name)) {
        m_taken.append(name);
        return name;
    }
    return TakeFree(name, 2);
}

QString SheetNames::TakeNext(const QString &first, int sheet) {
    return TakeFree(first, sheet);
}
