// The cells of a pasted or CSV line.
#include "numbercells.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNumberCells : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cells_data();
    void cells();
};

void TestNumberCells::cells_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("no separator: no cells") << u"13800138000"_s << QStringList();
    QTest::newRow("TABs") << u"张三\t13800138000\t北京"_s
                          << QStringList{u"张三"_s, u"13800138000"_s, u"北京"_s};
    // A spreadsheet's row is split at TABs only: its commas are text.
    QTest::newRow("TABs win over commas")
        << u"北京市,朝阳区\t13800138000"_s << QStringList{u"北京市,朝阳区"_s, u"13800138000"_s};
    QTest::newRow("empty cells at both ends")
        << u"\t13800138000\t"_s << QStringList{u""_s, u"13800138000"_s, u""_s};
    QTest::newRow("blanks stay") << u" a , b "_s << QStringList{u" a "_s, u" b "_s};
    QTest::newRow("quoted cell") << u"\"13800138000\",x"_s << QStringList{u"13800138000"_s, u"x"_s};
    QTest::newRow("separator and quotes inside quotes")
        << u"\"王,\"\"小\"\"二\",13800138000"_s << QStringList{u"王,\"小\"二"_s, u"13800138000"_s};
    QTest::newRow("TAB inside quotes") << u"\"a\tb\"\tc"_s << QStringList{u"a\tb"_s, u"c"_s};
    QTest::newRow("text after the closing quote kept")
        << u"\"138\"00138000,x"_s << QStringList{u"13800138000"_s, u"x"_s};
    QTest::newRow("quote never closed runs to the end")
        << u"x,\"13800138000,y"_s << QStringList{u"x"_s, u"13800138000,y"_s};
    QTest::newRow("quote inside an unquoted cell is text")
        << u"a\"b,c"_s << QStringList{u"a\"b"_s, u"c"_s};
    QTest::newRow("empty quoted cell") << u"\"\",1"_s << QStringList{u""_s, u"1"_s};
}

void TestNumberCells::cells() {
    QFETCH(QString, line);
    QFETCH(QStringList, cells);
    QCOMPARE(SplitCells(line), cells);
}

QTEST_GUILESS_MAIN(TestNumberCells)
#include "tst_numbercells.moc"
