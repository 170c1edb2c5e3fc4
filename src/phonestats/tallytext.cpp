#include "tallytext.h"

#include <QLocale>

namespace {
const QLocale &Chinese() {
    static const QLocale locale(QLocale::Chinese, QLocale::China);
    return locale;
}

void AppendRows(QString &table, const QString &kind, const QList<TallyEntry> &entries, int total) {
    for (const TallyEntry &entry : entries) {
        table += kind + u'\t' + entry.name + u'\t' + QString::number(entry.count) + u'\t' +
                 ShareText(entry.count, total) + u'\n';
    }
}
} // namespace

QString CountText(int count) {
    return Chinese().toString(count);
}

QString ShareText(int count, int total) {
    const double share = total > 0 ? 100.0 * count / total : 0.0;
    return Chinese().toString(share, 'f', 1) + u'%';
}

QString BarFigures(const TallyEntry &entry, int total) {
    return CountText(entry.count) + QStringLiteral(" 条 (") + ShareText(entry.count, total) + u')';
}

QString BarLine(const TallyEntry &entry, int total) {
    return entry.name + u' ' + BarFigures(entry, total);
}

QString TotalLine(int total) {
    return QStringLiteral("合计 ") + CountText(total) + QStringLiteral(" 条");
}

QString TallyTable(const PhoneTally &tally) {
    QString table = QStringLiteral("类别\t名称\t数量\t占比\n");
    AppendRows(table, QStringLiteral("省份"), tally.Provinces(), tally.Rows());
    AppendRows(table, QStringLiteral("运营商"), tally.Carriers(), tally.Rows());
    return table;
}
