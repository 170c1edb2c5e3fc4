#include "numbercells.h"

namespace {
constexpr QChar kQuote = QLatin1Char('"');

// One cell from `at`, which is left on the separator that ends it or at the
// end of the line.
QString ReadCell(QStringView line, QChar separator, qsizetype &at) {
    const qsizetype size = line.size();
    if (at < size && line[at] == kQuote) {
        QString cell;
        ++at;
        while (at < size) {
            if (line[at] != kQuote) {
                cell.append(line[at++]);
            } else if (at + 1 < size && line[at + 1] == kQuote) {
                cell.append(kQuote);
                at += 2;
            } else {
                ++at;
                break;
            }
        }
        const qsizetype rest = at;
        while (at < size && line[at] != separator)
            ++at;
        cell.append(line.sliced(rest, at - rest));
        return cell;
    }
    const qsizetype start = at;
    while (at < size && line[at] != separator)
        ++at;
    return line.sliced(start, at - start).toString();
}
} // namespace

QStringList SplitCells(QStringView line) {
    QChar separator;
    if (line.contains(QLatin1Char('\t')))
        separator = QLatin1Char('\t');
    else if (line.contains(QLatin1Char(',')))
        separator = QLatin1Char(',');
    else
        return {};

    QStringList cells;
    qsizetype at = 0;
    for (;;) {
        cells.append(ReadCell(line, separator, at));
        if (at >= line.size())
            break;
        ++at; // the separator; one after the last starts an empty cell
    }
    return cells;
}
