#include "numerictext.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNumericText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void forms_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<QStringList>("texts");
        // Texts with one verdict in one locale, split at "|".
        const auto rowIn = [](const QString &locale, const char *name, bool numeric,
                              const QString &texts) {
            QTest::newRow(name) << locale << numeric << texts.split(u'|');
        };
        const auto row = [&rowIn](const char *name, const QString &texts, bool numeric = true) {
            rowIn(u"C"_s, name, numeric, texts);
        };
        row("digits and blanks", u"13800138000| 1380013800|13800138000 \t|\t1"_s);
        row("signs", u"-1380013800|+1380013800| -138001380"_s);
        row("decimal point", u"13800.13800|.1380013800|1380013800."_s);
        row("group separator", u"13,800,138,000|1,2"_s);
        row("exponent", u"1380013e800|13800E+1380|1.5e-7|1E-0"_s);
        row("&H and &O", u"&H1F|&hbeef|&O17|&o7| &H0 "_s);
        row("nothing", u"|   |\t|.|-|-.|+|e|&"_s, false);
        row("misplaced signs", u"--1380013800|- 138001380|+-1|1-|1+"_s, false);
        row("two decimal points", u"1380.013.80|1..2"_s, false);
        row("misplaced group separator", u",13800138000|13800138000,|138,,001|1.380,013"_s, false);
        row("broken exponent", u"13800138e|13800138e+|e10|1e1.5|1D5"_s, false);
        row("broken &H and &O", u"&H|&H1G|&O18|&B1|& H1|&H-1"_s, false);
        row("other blanks", u"138 00138000|\u00A01|1\u3000|\n1|1\r"_s, false);
        row("other characters",
            u"1380013800a|telephone|138-0013-8000|138/0013/800|$13800|(13800)|0x1F|\u22125"_s,
            false);
        row("other digits", u"１３８００１３８０００|١٢٣|1٢"_s, false);
        // German: "," is the decimal separator and "." groups.
        rowIn(u"de_DE"_s, "comma decimal", true,
              u"13800,13800|13.800.138.000|13800138000|-1,5e3"_s);
        rowIn(u"de_DE"_s, "comma decimal, refused", false, u"1380,013,80|1,380.013|1.380,0.1"_s);
        // Swedish: U+2212 is the minus sign and a no-break space groups.
        rowIn(u"sv_SE"_s, "locale's own minus", true, u"\u22125|\u22121\u00A0000,5|-5|+5"_s);
        rowIn(u"sv_SE"_s, "locale's own minus, refused", false,
              u"\u2212\u22125|1\u2212|\u2212 5"_s);
        rowIn(u"ar_EG"_s, "two-unit sign", true, u"\u061C-5|\u061C+5|-5"_s);
    }

    void forms() {
        QFETCH(QString, locale);
        QFETCH(bool, numeric);
        QFETCH(QStringList, texts);
        for (const QString &text : texts)
            QVERIFY2(IsNumericText(text, QLocale(locale)) == numeric,
                     qPrintable(u'"' + text + u'"'));
    }
};

QTEST_APPLESS_MAIN(TestNumericText)
#include "tst_numerictext.moc"
