#include "filterresult.h"

#include "commandview.h"
#include "resultlistmodel.h"

#include <QSet>

namespace {
// Only space characters count as surrounding blanks here, not tabs.
QString TrimSpaces(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

QStringList KeepLastOfEachLocation(ResultListModel &list) {
    // A row loses its location when a later row carries the same trimmed
    // one; walking from the bottom, that is "seen already".
    QSet<QString> seen;
    for (int row = list.Count(); row >= 1; --row) {
        const QString trimmed = TrimSpaces(list.Location(row));
        if (seen.contains(trimmed)) {
            if (!list.Location(row).isEmpty())
                list.SetLocation(row, QString());
        } else {
            seen.insert(trimmed);
        }
    }

    QStringList distinct;
    for (int row = 1; row <= list.Count(); ++row) {
        if (!list.Location(row).isEmpty())
            distinct.append(TrimSpaces(list.Location(row)));
    }
    return distinct;
}

void FilterResult(CommandView &view) {
    view.ShowDistinctLocations(KeepLastOfEachLocation(view.ResultList()));
}
