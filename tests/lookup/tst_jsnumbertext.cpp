// Number::toString's text, and literals' values rounded to the nearest double, ties to even.

#include "jsnumbertext.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Rows of two texts from "left > right" pairs separated by ";".
void AddPairs(const QString &pairs) {
    for (const QString &pair : pairs.split(u';')) {
        const QString left = pair.section(u" > "_s, 0, 0).trimmed();
        QTest::newRow(qPrintable(left.left(40))) << left << pair.section(u" > "_s, 1).trimmed();
    }
}

QString Exact(double value) {
    return QString::number(value, 'g', 17);
}

} // namespace

class TestJsNumberText : public QObject {
    Q_OBJECT

private slots:
    void numberToString_data() {
        QTest::addColumn<QString>("number"); // as C reads it
        QTest::addColumn<QString>("text");
        AddPairs(u"100 > 100; 0.1 > 0.1; -2.5 > -2.5; 123.456 > 123.456; 1e21 > 1e+21;"
                 u"1e20 > 100000000000000000000; 1.2345678901234568e20 > 123456789012345680000;"
                 u"1.2345e21 > 1.2345e+21; 1.5e-7 > 1.5e-7; -1e-7 > -1e-7; 0.000001 > 0.000001;"
                 u"0.0000012 > 0.0000012; 0 > 0; -0 > 0; 0.30000000000000004 > 0.30000000000000004;"
                 u"5e-324 > 5e-324; 1.7976931348623157e308 > 1.7976931348623157e+308; nan > NaN;"
                 u"inf > Infinity; -inf > -Infinity"_s);
    }
    void numberToString() {
        QFETCH(QString, number);
        QFETCH(QString, text);
        QCOMPARE(jsliteral::NumberToString(number.toDouble()), text);
    }

    void values_data() {
        QTest::addColumn<QString>("literal"); // [digits][.digits][e±digits], or 0x, 0o, 0b digits
        QTest::addColumn<QString>("value");   // as C reads it
        AddPairs(u"123456789012345 > 123456789012345; .5 > 0.5; 0.1e-2 > 0.001; 000.000e5 > 0;"
                 u"9007199254740993 > 9007199254740992; 9007199254740995 > 9007199254740996;"
                 u"83030920993190389 > 8.303092099319038e16;"
                 u"1.7976931348623157e308 > 1.7976931348623157e308; 1.7976931348623159e308 > inf;"
                 u"2.4703282292062327e-324 > 0; 2.4703282292062328e-324 > 5e-324;"
                 u"1e1000000000 > inf; 1e-1000000000 > 0; 0xff > 255; 0xFF > 255; 0x000ff > 255;"
                 u"0o777 > 511; 0b101 > 5; 0x0 > 0; 0x20000000000001 > 9007199254740992;"
                 u"0x20000000000003 > 9007199254740996; 0x200000000000010 > 144115188075855872;"
                 u"0x200000000000011 > 144115188075855904"_s);
        // Leading zeros count for nothing, and a value beyond doubles is Infinity.
        const QString zeros(500, u'0');
        QTest::newRow("zeros, integer") << zeros + u"1e308"_s << u"1e308"_s;
        QTest::newRow("zeros, fraction") << u"."_s + zeros + u"1e400"_s << u"1e-101"_s;
        QTest::newRow("2^1020") << u"0x1"_s + zeros.left(255) << u"1.1235582092889474e307"_s;
        QTest::newRow("2^1023") << u"0b1"_s + QString(1023, u'0') << u"8.9884656743115795e307"_s;
        QTest::newRow("2^1024 - 1") << u"0x"_s + QString(256, u'f') << u"inf"_s;
        QTest::newRow("2^1100") << u"0x1"_s + zeros.left(275) << u"inf"_s;
    }
    void values() {
        QFETCH(QString, literal);
        QFETCH(QString, value);
        double result = 0;
        const QChar radix = literal.size() > 1 && literal[0] == u'0' ? literal[1] : QChar();
        if (radix == u'x' || radix == u'o' || radix == u'b') {
            const int bits = radix == u'x' ? 4 : radix == u'o' ? 3 : 1;
            result = jsliteral::PowerOfTwoRadixValue(literal.mid(2).toStdString(), bits);
        } else {
            const QString mantissa = literal.section(u'e', 0, 0);
            std::string scratch = "left over from the number before";
            result = jsliteral::DecimalValue(mantissa.section(u'.', 0, 0).toStdString(),
                                             mantissa.section(u'.', 1).toStdString(),
                                             literal.section(u'e', 1).toLongLong(), scratch);
        }
        QCOMPARE(Exact(result), Exact(value.toDouble()));
    }
};

QTEST_GUILESS_MAIN(TestJsNumberText)
#include "tst_jsnumbertext.moc"
