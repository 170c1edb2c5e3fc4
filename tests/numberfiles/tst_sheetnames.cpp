// Sheet names Excel takes, made from the province names the service answers.
#include "sheetnames.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSheetNames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesExcelTakes_data();
    void namesExcelTakes();
    void sheetsThatGoOn();
};

void TestSheetNames::namesExcelTakes_data() {
    QTest::addColumn<QStringList>("wanted"); // one after the other
    QTest::addColumn<QStringList>("names");

    QTest::newRow("what Excel refuses, in full width")
        << QStringList{u"a/b:c*d?e[f]g\\h"_s} << QStringList{u"a／b：c＊d？e［f］g＼h"_s};
    QTest::newRow("apostrophes at the ends") << QStringList{u"'广东'"_s, u"'"_s, u"it's"_s}
                                             << QStringList{u"广东"_s, u"未知"_s, u"it's"_s};
    QTest::newRow("empty and blank")
        << QStringList{u""_s, u"   "_s} << QStringList{u"未知"_s, u"未知 (2)"_s};
    // What an XML file cannot hold would make the workbook unreadable.
    QTest::newRow("control characters and a lone surrogate")
        << QStringList{u"广\x01东\t"_s, QStringLiteral("北") + QChar(0xD800) + u"京"_s}
        << QStringList{u"广 东"_s, u"北 京"_s};
    QTest::newRow("letter case aside") << QStringList{u"Abc"_s, u"aBC"_s, u"ABC"_s}
                                       << QStringList{u"Abc"_s, u"aBC (2)"_s, u"ABC (3)"_s};
    QTest::newRow("Excel's own") << QStringList{u"history"_s} << QStringList{u"history (2)"_s};
    const QString forty = u"一二三四五六七八九十"_s.repeated(4);
    QTest::newRow("31 characters at most")
        << QStringList{forty, forty} << QStringList{forty.left(31), forty.left(27) + u" (2)"_s};
    // A pair of surrogates is one character: it is not cut in two.
    const QString smile = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("not cut inside a pair")
        << QStringList{u"a"_s.repeated(30) + smile} << QStringList{u"a"_s.repeated(30)};
    QTest::newRow("not ending in a blank when cut")
        << QStringList{u"a"_s.repeated(30) + u" b"_s} << QStringList{u"a"_s.repeated(30)};
}

void TestSheetNames::namesExcelTakes() {
    QFETCH(QStringList, wanted);
    QFETCH(QStringList, names);
    SheetNames sheets;
    QStringList got;
    for (const QString &name : wanted)
        got.append(sheets.Take(name));
    QCOMPARE(got, names);
}

// Rows a sheet cannot hold go on in sheets named as Excel names a copy.
void TestSheetNames::sheetsThatGoOn() {
    SheetNames sheets;
    QCOMPARE(sheets.Take(u"广东 (3)"_s), u"广东 (3)"_s);
    QCOMPARE(sheets.Take(u"广东"_s), u"广东"_s);
    QCOMPARE(sheets.TakeNext(u"广东"_s, 2), u"广东 (2)"_s);
    QCOMPARE(sheets.TakeNext(u"广东"_s, 3), u"广东 (4)"_s);
    const QString long31 = u"省"_s.repeated(31);
    QCOMPARE(sheets.Take(long31), long31);
    QCOMPARE(sheets.TakeNext(long31, 2), u"省"_s.repeated(27) + u" (2)"_s);
}

QTEST_APPLESS_MAIN(TestSheetNames)
#include "tst_sheetnames.moc"
