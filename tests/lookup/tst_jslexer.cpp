// The lexer: tokens, blanks, comments, values, and where it stops on what it cannot read.

#include "jslexer.h"
#include "jsnumbertext.h"

#include <QTest>

using namespace Qt::StringLiterals;
using jsliteral::Tok;

namespace {

// A punctuator as itself, "name …", "string …", "number …"; then "refused at <pos>: <why>".
QStringList Tokens(const QString &text) {
    jsliteral::Lexer lexer(text);
    jsliteral::Token token;
    QStringList out;
    try {
        for (lexer.Next(token); token.kind != Tok::End; lexer.Next(token)) {
            if (token.kind == Tok::Punctuator)
                out.append(QString(QChar(token.punctuator)));
            else if (token.kind == Tok::Number)
                out.append(u"number "_s + jsliteral::NumberToString(token.number));
            else
                out.append((token.kind == Tok::String ? u"string "_s : u"name "_s) +
                           lexer.Decoded(token));
        }
    } catch (const jsliteral::SyntaxError &error) {
        out.append(u"refused at %1: %2"_s.arg(error.position).arg(error.message));
    }
    return out;
}

} // namespace

class TestJsLexer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tokens_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, const QString &text, const QString &expected) {
            QTest::newRow(name) << text << expected.split(u'~');
        };
        row("punctuators", u"{}()[],:.=+-"_s, u"{~}~(~)~[~]~,~:~.~=~+~-"_s);
        const QString object = u"{~name a~:~string x~,~name b~:~number 1~}"_s;
        row("JavaScript white space",
            u"\uFEFF\u00A0{\u3000a\u1680:\u2003'x'\u202F,\u2028b\u2029:\v\f1\r}\u2000"_s, object);
        row("comments",
            u"/* head */{ // line\n a /* k */ : /*/ */ 'x' // end\r, b:1 // c\u2028}//\n"_s,
            object);
        row("names",
            u"a $d _ 省份 if pro\\u0076ince \\u{20000}x 𠀀 a\u00B7b a\u200Cb e\u0301 \u2118"_s,
            u"name a~name $d~name _~name 省份~name if~name province~name 𠀀x~name 𠀀~"_s
            u"name a\u00B7b~name a\u200Cb~name e\u0301~name \u2118"_s);
        row("strings", uR"('b' "c" 'e\x66' "it's" '')"_s + u" 'x\u2028y\u2029'"_s,
            u"string b~string c~string ef~string it's~string ~string x\u2028y\u2029"_s);
        row("escapes",
            uR"('\n\t\r\b\f\v\0\'\"\\' "\x41\u0042\u{43}\u{1F600}\uD83D\uDE00\uD800x" )"_s
            uR"('\101\1\377\400\08\q\中\8')"_s +
                u" 'x\\\ny\\\r\nz\\\u2028v'"_s,
            u"string \n\t\r\b\f\v"_s + QChar(0) + u"'\"\\~string ABC😀😀"_s + QChar(0xD800) +
                u"x~string A"_s + QChar(1) + QChar(0xFF) + QChar(0x20) + u'0' + QChar(0) +
                u"8q中8~string xyzv"_s);
        row("dots and numbers", u"1.5.5 a.b a.5"_s,
            u"number 1.5~number 0.5~name a~.~name b~name a~number 0.5"_s);
        QString numbers, values;
        for (const QString &pair :
             u"100 > 100; 0.1 > 0.1; 1e21 > 1e+21; 1e20 > 100000000000000000000; 1.5e-7 > 1.5e-7;"
             u"0.000001 > 0.000001; 5. > 5; .5 > 0.5; 1.E3 > 1000; 0.30000000000000004 > "
             u"0.30000000000000004; 9007199254740993 > 9007199254740992; 3e-324 > 5e-324;"
             u"1.8e308 > Infinity; 1e-400 > 0; 0XfF > 255; 0o17 > 15; 0b101 > 5;"
             u"0x20000000000001 > 9007199254740992; 017 > 15; 019 > 19; 08.5 > 8.5; 0.5e1 > 5;"
             u"1_0.5_0e1_0 > 105000000000; 0x1_F > 31; 0 > 0; 00 > 0; 0e5 > 0; 2E-0_1 > 0.2"_s
                 .split(u';')) {
            numbers += pair.section(u" > "_s, 0, 0) + u' ';
            values += u"~number "_s + pair.section(u" > "_s, 1).trimmed();
        }
        row("numbers", numbers, values.mid(1));
    }

    void tokens() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(Tokens(text), expected);
    }

    void refuses_data() {
        QTest::addColumn<QStringList>("texts");
        // Texts refused for one reason, split at "|", each refused at "@".
        const auto row = [](const char *name, const QString &texts) {
            QTest::newRow(name) << texts.split(u'|');
        };
        row("unterminated", u"@'x|a @\"x\\\"|@'x\\|'a@\nb'|'a@\rb'|a @/* x|@'"_s);
        row("bad numbers",
            u"@1n|@0_1|1@__0|1@_|@0x_1|@1e+|@0x|@0o8|00@_1|@1a|@0x1g|@1\\u0030|@5\u1d40"_s);
        row("bad escapes",
            u"'@\\x4G'|'@\\x'|'@\\u004'|'@\\u{110000}'|'@\\u{}'|'@\\u{1'|a@\\u0020|@\\u0031a|@\\x61"_s);
        row("operators and statements",
            u"a @== 1|@=>|a@++|@+=|@--|@-=|@`x`|@/x/|1 @/ 2|@;|@!|@?"_s);
        row("not blanks", u"a@\u0085|a @\u200B|@\u2E2F|@<!--x|@#"_s);
    }

    void refuses() {
        QFETCH(QStringList, texts);
        for (QString text : texts) {
            const qsizetype position = text.indexOf(u'@');
            text.remove(position, 1);
            const QStringList tokens = Tokens(text);
            const QString last = tokens.value(tokens.size() - 1);
            QVERIFY2(last.startsWith(u"refused at %1: "_s.arg(position)) && !last.endsWith(u": "_s),
                     qPrintable(text + u" -> "_s + last));
        }
    }
};

QTEST_GUILESS_MAIN(TestJsLexer)
#include "tst_jslexer.moc"
