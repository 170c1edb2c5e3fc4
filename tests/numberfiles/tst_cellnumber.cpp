// Mobile numbers as people write them in a cell; headers naming their column.
#include "cellnumber.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCellNumber : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writtenNumber_data();
    void writtenNumber();
    void headerRank_data();
    void headerRank();
};

void TestCellNumber::writtenNumber_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("number"); // null: not a number written so

    const QString n = u"13800138000"_s;
    QTest::newRow("plain") << n << n;
    QTest::newRow("+86") << u"+8613800138000"_s << n;
    QTest::newRow("+86 and a blank") << u"+86 138 0013 8000"_s << n;
    QTest::newRow("86") << u"8613800138000"_s << n;
    QTest::newRow("0086 and a dash") << u"0086-138-0013-8000"_s << n;
    QTest::newRow("dashes") << u"138-0013-8000"_s << n;
    QTest::newRow("blanks around") << u"  13800138000 "_s << n;
    QTest::newRow("one full-width digit") << u"1380013800０"_s << n;
    QTest::newRow("full-width plus and ideographic space")
        << u"＋８６　１３８００１３８０００"_s << n;
    // What a web page or a word processor puts between the groups.
    QTest::newRow("no-break spaces") << u"138\u00A00013\u00A08000"_s << n;
    QTest::newRow("0086 and an em dash") << u"0086\u2014138\u20140013\u20148000"_s << n;
    // Eleven digits that begin with 86 are a number, not a code.
    QTest::newRow("86 that is no code") << u"18612345678"_s << u"18612345678"_s;

    QTest::newRow("empty") << u""_s << QString();
    QTest::newRow("ten digits") << u"1380013800"_s << QString();
    QTest::newRow("twelve digits") << u"138001380001"_s << QString();
    QTest::newRow("not a mobile's first digit") << u"010-1234-5678"_s << QString();
    QTest::newRow("eleven digits, not a mobile's first") << u"23800138000"_s << QString();
    QTest::newRow("dash at the end") << u"13800138000-"_s << QString();
    QTest::newRow("dash at the start") << u"-13800138000"_s << QString();
    QTest::newRow("letters") << u"138OO138000"_s << QString();
    QTest::newRow("a sign") << u"+13800138000"_s << QString();
    QTest::newRow("another country") << u"+85213800138000"_s << QString();
}

void TestCellNumber::writtenNumber() {
    QFETCH(QString, cell);
    QFETCH(QString, number);
    const QString got = WrittenMobileNumber(cell);
    QCOMPARE(got.isNull(), number.isNull());
    QCOMPARE(got, number);
}

void TestCellNumber::headerRank_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("rank");

    QTest::newRow("手机") << u"手机"_s << 3;
    QTest::newRow("手机号码 with a colon") << u"手机号码："_s << 3;
    QTest::newRow("Mobile Phone") << u"Mobile Phone"_s << 3;
    QTest::newRow("联系电话") << u"联系电话"_s << 2;
    QTest::newRow("Tel.") << u"Tel."_s << 2;
    QTest::newRow("Telephone No.") << u"Telephone No."_s << 2;
    QTest::newRow("TEL-1") << u"TEL-1"_s << 2;
    QTest::newRow("Contact Number") << u"Contact Number"_s << 2;
    QTest::newRow("号码") << u"号码"_s << 1;
    QTest::newRow("姓名") << u"姓名"_s << 0;
    QTest::newRow("hotel") << u"hotel"_s << 0;
    // What is said of a phone beside its number names another column.
    QTest::newRow("手机型号") << u"手机型号"_s << 0;
    QTest::newRow("Telegram") << u"Telegram"_s << 0;
    QTest::newRow("Contact Name") << u"Contact Name"_s << 0;
    QTest::newRow("empty") << u""_s << 0;
}

void TestCellNumber::headerRank() {
    QFETCH(QString, header);
    QFETCH(int, rank);
    QCOMPARE(PhoneHeaderRank(header), rank);
}

QTEST_APPLESS_MAIN(TestCellNumber)
#include "tst_cellnumber.moc"
