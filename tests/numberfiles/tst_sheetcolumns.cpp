// The number column chosen from rows of cells, and its count of candidates.
#include "sheetcolumns.h"

#include "numerictext.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
using Rows = QList<QStringList>;

SheetColumns Fed(const Rows &rows) {
    SheetColumns columns(IsMobileNumber);
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column)
            columns.AddText(row, column, rows[row][column]);
    }
    return columns;
}

const QString a = u"13800138000"_s, b = u"13900139000"_s, c = u"13700137000"_s;
} // namespace

class TestSheetColumns : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chosenColumn_data();
    void chosenColumn();
    void noNumbers();
    void numberCellText_data();
    void numberCellText();
};

void TestSheetColumns::chosenColumn_data() {
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<qint64>("candidates");

    QTest::newRow("header names the column; others hold more numbers")
        << Rows{{u"备用"_s, u"手机"_s}, {a, b}, {c, u""_s}, {a, u"x"_s}} << QStringList{b}
        << qint64(2);
    QTest::newRow("a mobile outranks a phone, which outranks 号码")
        << Rows{{u"号码"_s, u"电话"_s, u"手机号码"_s}, {a, b, c}} << QStringList{c} << qint64(1);
    QTest::newRow("equal names: the one with more numbers")
        << Rows{{u"电话"_s, u"联系电话"_s}, {a, b}, {u"010-1234567"_s, c}} << QStringList{b, c}
        << qint64(2);
    QTest::newRow("equal names and numbers: the leftmost")
        << Rows{{u"Phone"_s, u"tel"_s}, {a, b}} << QStringList{a} << qint64(1);
    QTest::newRow("no header names one: the most numbers")
        << Rows{{u"甲"_s, u"乙"_s}, {a, b}, {u"-"_s, c}} << QStringList{b, c} << qint64(3);
    QTest::newRow("no header at all: the first row is a row")
        << Rows{{a, u"张三"_s}, {b, u"李四"_s}} << QStringList{a, b} << qint64(2);
    QTest::newRow("the header is the first row with a cell")
        << Rows{{}, {u""_s, u""_s}, {u"姓名"_s, u"手机"_s}, {u"张三"_s, a}} << QStringList{a}
        << qint64(1);
    QTest::newRow("blank rows and blank cells count for nothing")
        << Rows{{u"手机"_s}, {u"   "_s}, {}, {a}, {u""_s}} << QStringList{a} << qint64(1);
    QTest::newRow("a sheet of one header row naming a column of no numbers")
        << Rows{{u"手机"_s, u"备注"_s}, {u"无"_s, a}} << QStringList{} << qint64(1);
}

void TestSheetColumns::chosenColumn() {
    QFETCH(Rows, rows);
    QFETCH(QStringList, numbers);
    QFETCH(qint64, candidates);
    const SheetColumns columns = Fed(rows);
    QVERIFY(columns.HoldsNumbers());
    const NumberList list = columns.ChosenColumn();
    QCOMPARE(list.kept, numbers);
    QCOMPARE(list.lineCount, candidates);
}

void TestSheetColumns::noNumbers() {
    QVERIFY(!Fed({{u"手机"_s, u"姓名"_s}, {u"010-12345678"_s, u"张三"_s}}).HoldsNumbers());
}

void TestSheetColumns::numberCellText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("a number typed in") << 13800138000.0 << u"13800138000"_s;
    QTest::newRow("negative") << -1380013800.0 << u"-1380013800"_s;
    QTest::newRow("a fraction") << 1380013800.5 << u"1380013800.5"_s;
    QTest::newRow("beyond exact integers") << 1e20 << u"1e+20"_s;
}

void TestSheetColumns::numberCellText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberCellText(value), text);
}

QTEST_GUILESS_MAIN(TestSheetColumns)
#include "tst_sheetcolumns.moc"
