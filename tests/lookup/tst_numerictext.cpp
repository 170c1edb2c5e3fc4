#include "lookup/numerictext.h"

#include <QTest>

class TestNumericText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numericForms_data();
    void numericForms();
    void commaDecimalLocale_data();
    void commaDecimalLocale();
};

void TestNumericText::numericForms_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("tab only") << "\t" << false;
    QTest::newRow("eleven digits") << "13800138000" << true;
    QTest::newRow("leading blank") << " 1380013800" << true;
    QTest::newRow("trailing blanks") << "13800138000  " << true;
    QTest::newRow("minus sign") << "-1380013800" << true;
    QTest::newRow("plus sign") << "+1380013800" << true;
    QTest::newRow("one decimal point") << "13800.13800" << true;
    QTest::newRow("decimal point first") << ".1380013800" << true;
    QTest::newRow("decimal point last") << "1380013800." << true;
    QTest::newRow("two decimal points") << "1380.013.80" << false;
    QTest::newRow("lone decimal point") << "." << false;
    QTest::newRow("lone sign") << "-" << false;
    QTest::newRow("sign and point") << "-." << false;
    QTest::newRow("two signs") << "--1380013800" << false;
    QTest::newRow("sign after blank") << " -138001380" << true;
    QTest::newRow("blank after sign") << "- 138001380" << false;
    QTest::newRow("hyphen groups") << "138-0013-8000" << false;
    QTest::newRow("slash groups") << "138/0013/800" << false;
    QTest::newRow("blank inside") << "138 00138000" << false;
    QTest::newRow("letters") << "1380013800a" << false;
    QTest::newRow("word") << "telephone" << false;
    QTest::newRow("group separator") << "13,800,138,000" << true;
    QTest::newRow("group separator at start") << ",13800138000" << false;
    QTest::newRow("group separator at end") << "13800138000," << false;
    QTest::newRow("doubled group separator") << "138,,00138000" << false;
    QTest::newRow("group after point") << "1.380,013" << false;
    QTest::newRow("exponent") << "1380013e800" << true;
    QTest::newRow("capital exponent with sign") << "13800E+1380" << true;
    QTest::newRow("negative exponent") << "1.5e-7" << true;
    QTest::newRow("exponent without digits") << "13800138e" << false;
    QTest::newRow("exponent sign without digits") << "13800138e+" << false;
    QTest::newRow("exponent without mantissa") << "e10" << false;
    QTest::newRow("hex literal") << "&H1F" << true;
    QTest::newRow("hex literal lower case") << "&hbeef" << true;
    QTest::newRow("hex without digits") << "&H" << false;
    QTest::newRow("hex bad digit") << "&H1G" << false;
    QTest::newRow("octal literal") << "&O17" << true;
    QTest::newRow("octal bad digit") << "&O18" << false;
    QTest::newRow("ampersand alone") << "&" << false;
    QTest::newRow("full-width digits") << QString::fromUtf8("１３８００１３８０００") << false;
    QTest::newRow("currency") << "$13800" << false;
    QTest::newRow("bracketed negative") << "(13800)" << false;
}

void TestNumericText::numericForms() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumericText(text, QLocale::c()), numeric);
}

void TestNumericText::commaDecimalLocale_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");

    QTest::newRow("comma decimal") << "13800,13800" << true;
    QTest::newRow("two commas") << "1380,013,80" << false;
    QTest::newRow("point groups") << "13.800.138.000" << true;
    QTest::newRow("point after comma") << "1,380.013" << false;
    QTest::newRow("plain digits") << "13800138000" << true;
}

void TestNumericText::commaDecimalLocale() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(german.decimalPoint(), QStringLiteral(","));
    QCOMPARE(IsNumericText(text, german), numeric);
}

QTEST_APPLESS_MAIN(TestNumericText)
#include "tst_numerictext.moc"
