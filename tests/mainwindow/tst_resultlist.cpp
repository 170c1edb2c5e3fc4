#include "mainwindow/distinctlocations.h"
#include "mainwindow/resultlistmodel.h"

#include <QSignalSpy>
#include <QTest>

namespace {
void Fill(ResultListModel &list, const QStringList &locations) {
    QList<ResultRow> rows;
    for (const QString &location : locations)
        rows.append({QString::number(rows.size() + 1), QStringLiteral("13800138000"), location});
    list.AppendRows(rows);
}

QStringList Locations(const ResultListModel &list) {
    QStringList out;
    for (int i = 1; i <= list.Count(); ++i)
        out.append(list.Location(i));
    return out;
}
} // namespace

class TestResultList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellsAreStoredAsWritten();
    void bulkAppendIsOneInsertion();
    void clearKeepsColumns();
    void keepLastOfEachLocation_data();
    void keepLastOfEachLocation();
};

void TestResultList::cellsAreStoredAsWritten() {
    ResultListModel list;
    list.AddColumn(QStringLiteral("序号"));
    list.AddColumn(QStringLiteral("手机号码"));
    list.AddColumn(QStringLiteral("归属地"));
    const int row = list.Add(QStringLiteral("1"));
    QCOMPARE(row, 1);
    QCOMPARE(list.Text(1), QStringLiteral("1"));
    QVERIFY(list.Number(1).isEmpty());
    QVERIFY(list.Location(1).isEmpty());
    list.SetNumber(1, QStringLiteral(" 1380013800"));
    QCOMPARE(list.data(list.index(0, 1), Qt::DisplayRole).toString(),
             QStringLiteral(" 1380013800"));
    QCOMPARE(list.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("归属地"));
}

void TestResultList::bulkAppendIsOneInsertion() {
    ResultListModel list;
    list.Add(QStringLiteral("1"));
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QList<ResultRow> rows(100000, ResultRow{QStringLiteral("x"), QStringLiteral("y"), {}});
    list.AppendRows(rows);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 1);
    QCOMPARE(inserted.first().at(2).toInt(), 100000);
    QCOMPARE(list.Count(), 100001);
}

void TestResultList::clearKeepsColumns() {
    ResultListModel list;
    list.AddColumn(QStringLiteral("序号"));
    Fill(list, {QStringLiteral("a"), QStringLiteral("b")});
    list.Clear();
    QCOMPARE(list.Count(), 0);
    QCOMPARE(list.columnCount(), 1);
}

void TestResultList::keepLastOfEachLocation_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("distinct");

    QTest::newRow("repeats keep the last row")
        << QStringList{"北京 移动", "浙江 联通", "北京 移动", "广西 电信", "浙江 联通"}
        << QStringList{"", "", "北京 移动", "广西 电信", "浙江 联通"}
        << QStringList{"北京 移动", "广西 电信", "浙江 联通"};
    QTest::newRow("compared without surrounding blanks")
        << QStringList{" 北京 移动 ", "北京 移动"} << QStringList{"", "北京 移动"}
        << QStringList{"北京 移动"};
    QTest::newRow("case-sensitive")
        << QStringList{"ab", "AB"} << QStringList{"ab", "AB"} << QStringList{"ab", "AB"};
    QTest::newRow("empty rows stay empty and are not listed")
        << QStringList{"", "北京 移动", ""} << QStringList{"", "北京 移动", ""}
        << QStringList{"北京 移动"};
    QTest::newRow("a blank cell equal to a later empty one is emptied")
        << QStringList{"  ", ""} << QStringList{"", ""} << QStringList{};
    QTest::newRow("a last blank cell is listed trimmed")
        << QStringList{"  "} << QStringList{"  "} << QStringList{""};
}

void TestResultList::keepLastOfEachLocation() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QStringList, distinct);
    ResultListModel list;
    Fill(list, before);
    QCOMPARE(KeepLastOfEachLocation(list), distinct);
    QCOMPARE(Locations(list), after);
}

QTEST_APPLESS_MAIN(TestResultList)
#include "tst_resultlist.moc"
