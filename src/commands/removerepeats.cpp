#include "removerepeats.h"

#include "cellnumber.h"
#include "commandview.h"
#include "resultlistmodel.h"

#include <QHash>

#include <optional>

namespace {
// Whether the row has what a lookup gives: a location, or an answer that
// found nothing.
bool Looked(const ResultListModel &lv, int position) {
    return !lv.Location(position).isEmpty() || lv.Query(position) == RowQuery::Answered;
}

// The rows already seen, by their numbers. Nearly every number is 11 plain
// digits, kept as one integer; a million of them then take a few megabytes.
class SeenNumbers {
public:
    explicit SeenNumbers(int rows) { m_digits.reserve(rows); }

    // The position of the first row with this number, after noting `position`
    // as that row when it is the first.
    int FirstWith(const QString &number, int position) {
        if (const std::optional<quint64> digits = Digits(number))
            return FirstIn(m_digits, *digits, position);
        const QString written = WrittenMobileNumber(number);
        if (!written.isNull())
            return FirstIn(m_digits, *Digits(written), position);
        return FirstIn(m_texts, number, position);
    }

private:
    template <typename Key>
    static int FirstIn(QHash<Key, int> &seen, const Key &key, int position) {
        const auto found = seen.constFind(key);
        if (found != seen.cend())
            return *found;
        seen.insert(key, position);
        return position;
    }

    static std::optional<quint64> Digits(const QString &number) {
        if (number.size() != 11)
            return std::nullopt;
        quint64 value = 0;
        for (const QChar c : number) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        return value;
    }

    QHash<quint64, int> m_digits;
    QHash<QString, int> m_texts;
};
} // namespace

void RemoveRepeatedNumbers(CommandView &view) {
    ResultListModel &lv = view.ResultList();
    const int count = lv.Count();
    if (count == 0) {
        view.Prompt(QStringLiteral("你还没有导入号码呢！"));
        return;
    }
    SeenNumbers seen(count);
    QList<int> kept;
    kept.reserve(count);
    for (int position = 1; position <= count; ++position) {
        const int first = seen.FirstWith(lv.Number(position), position);
        if (first == position) {
            kept.append(position);
        } else if (!Looked(lv, first) && Looked(lv, position)) {
            lv.SetLocation(first, lv.Location(position), lv.Answer(position));
            lv.SetQuery(first, lv.Query(position));
        }
    }
    const qsizetype removed = count - kept.size();
    if (removed > 0)
        lv.KeepRows(kept);
    view.SetFrame2Caption(QStringLiteral("已去除重复号码") + QString::number(removed) +
                          QStringLiteral("条，剩余") + QString::number(kept.size()) +
                          QStringLiteral("条"));
}
