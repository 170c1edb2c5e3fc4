// The grammar: keys, containers, prototypes, expressions, targets, refusals, nesting.

#include "jsliteral.h"

#include <QTest>

using namespace Qt::StringLiterals;
using jsliteral::Value;

namespace {

QStringList Words(const QString &words) {
    return words.split(u' ');
}

// A value as String() writes it; an object or array as "{}" or "[]".
QString Text(const Value &value) {
    if (value.IsContainer())
        return value.type == Value::Type::Object ? u"{}"_s : u"[]"_s;
    return jsliteral::ToText(value);
}

// The texts of the properties `names`; the error instead when refused.
QStringList Properties(const QString &answer, const QStringList &names) {
    jsliteral::EvaluationError error;
    const std::optional<Value> value = jsliteral::EvaluateParenthesized(answer, names, &error);
    if (!value)
        return {u"refused: "_s + error.message + u" at "_s + QString::number(error.position)};
    QStringList out;
    for (const QString &name : names)
        out.append(Text(jsliteral::GetProperty(*value, name)));
    return out;
}

} // namespace

class TestJsLiteral : public QObject {
    Q_OBJECT

private slots:
    void evaluates_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, const QString &answer, const QString &names,
                            const QString &expected) {
            QTest::newRow(name) << answer << Words(names) << Words(expected);
        };
        row("key styles",
            u"{a:1, 'b':2, \"c\":3, $d:4, 省份:5, if:6, pro\\u0076ince:7, 'e\\x66':8}"_s,
            u"a b c $d 省份 if province ef"_s, u"1 2 3 4 5 6 7 8"_s);
        row("numeric keys", u"{1:'a', 0x10:'b', 1.50:'c', 1e3:'d', .5:'e', 010:'f', 1e400:'g'}"_s,
            u"1 16 1.5 1000 0.5 8 1.50 Infinity"_s, u"a b c d e f undefined g"_s);
        row("duplicate keys, last wins", u"{a:1, b:'x', a:2, 'a':3, b:null, 1:1, 1.0:'z'}"_s,
            u"a b 1"_s, u"3 null z"_s);
        row("values",
            u"{a:true, b:false, c:null, d:undefined, e:NaN, f:Infinity, g:{x:1}, h:[1]}"_s,
            u"a b c d e f g h toString"_s,
            u"true false null undefined NaN Infinity {} [] undefined"_s);
        row("signs", u"{a:- - 2.50, b:-0, c:-NaN, d:-Infinity}"_s, u"a b c d"_s,
            u"2.5 0 NaN -Infinity"_s);
        row("__proto__ chain, own wins",
            u"{__proto__:{__proto__:{a:'deep'}, province:'p', catName:'c'}, catName:'own'}"_s,
            u"province catName a"_s, u"p own deep"_s);
        row("array as prototype", u"{__proto__:['a', 'b', , 'd',], 0:'own'}"_s,
            u"length 0 1 2 3 4"_s, u"4 own b undefined d undefined"_s);
        row("null prototype", u"{__proto__:null, a:1}"_s, u"a toString"_s, u"1 undefined"_s);
        row("array", u"[1, , 'x', [], {},]"_s, u"length 02 0 1 2 3 4 5"_s,
            u"5 undefined 1 undefined x [] {} undefined"_s);
        row("assignment chain",
            u"a = b.c = zone['x'][0].if = (x) = ((y)) = let = undefined = {province:'p'}"_s,
            u"province"_s, u"p"_s);
        row("global names as targets", u"Object = toString = {province:'x'}, {province:'p'}"_s,
            u"province"_s, u"p"_s);
        row("parentheses and commas",
            u"1, 'x', null, x = 1, ((({province:'a'}))), ({province:'p'})"_s, u"province"_s,
            u"p"_s);
        row("value expressions",
            u"{a:(1, 'x'), b:(2), c:- -1, d:-(3), e:+-0, f:(x = 5), g:y = ('z'), h:(0, z = 'w')}"_s,
            u"a b c d e f g h"_s, u"x 2 1 -3 0 5 z w"_s);
        // Read as eval('(' + answer + ')') reads it.
        row("answer closes the wrapping parenthesis", u"1), ({province:'p'}"_s, u"province"_s,
            u"p"_s);
        row("comment swallows the wrapping parenthesis", u"{province:'p'})//"_s, u"province"_s,
            u"p"_s);
    }

    void evaluates() {
        QFETCH(QString, answer);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        QCOMPARE(Properties(answer, names), expected);
    }

    void refuses_data() {
        QTest::addColumn<QStringList>("answers");
        // Answers refused for one reason, split at "|"; refused at "@" where there is one.
        const auto row = [](const char *name, const QString &answers) {
            QTest::newRow(name) << answers.split(u'|');
        };
        row("nothing", u"| \n\t|/* x */"_s);
        row("unterminated",
            u"{|[|(|@)|{province:'p', catName:'c'|{province:'p}|{province:'p\\|{province:'p'} /* x|"
            u"{province:'p'} // x|{province:'a\nb'}|{a:1@"_s);
        row("statements", u"{province:'p'};|{province:'p'}); x = (1|var x = {province:'p'}|"
                          u"if (1) {}|while(1){}|{province:'p'; catName:'c'}"_s);
        row("calls", u"alert(1)|{province:alert(1)}|{province:'p'}(1)|zone = f()|new Object()"_s);
        row("functions", u"function(){}|{province:function(){return 'p'}}|x => {province:'p'}"_s);
        row("operators", u"1+2|{province:'a'+'b'}|{a:2-1}|{a:--1}|{a:!0}|{a:void 0}|{a:typeof 1}|"
                         u"{a:1?2:3}|x += {a:1}|{a: @-'1'}|-{a:1}"_s);
        row("names and member reads",
            u"{a:@(b)}|{a:b}|zone|x, {a:1}|this|{a:1}.a|{a:x.y}|{a:1}['a']"_s);
        row("other literals and members",
            u"{a:`x`}|{a:/x/}|{province}|{province(){}}|{get province(){return 'p'}}|"
            u"{...{province:'p'}}|{['province']:'p'}"_s);
        row("commas",
            u"{a:1 @b:2}|{a:1,,b:2}|{,a:1}|{a:}|{a:'x' 'y'}|{a:1},|,{a:1}|{a:01.5}|{a:1.5.5}"_s);
        row("a token the lexer refuses", u"{a:@1n}"_s);
        row("escaped keywords", u"\\u0069f = {a:1}|{a:tru\\u0065}|{a:\\u{6e}ull}"_s);
        row("bad targets", u"if = {a:1}|this = {a:1}|1 = {a:1}|(a, b) = {a:1}|"
                           u"[a] = {a:1}|undefined.x = {a:1}|a?.b = {a:1}"_s);
        row("duplicate __proto__", u"{__proto__:1, @'__proto__':2}"_s);
        // A real engine refuses these before running anything.
        row("comma or assignment as a target",
            u"(0, a) = {province:'x', catName:'中国移动', telString:1}|({}, a) = {}|(1, this.a) = "
            u"{}|"
            u"a = (0, b) = {}|{province: (0, a) = 'x'}|(a = 1) = 2|0, a) = ({province:'p'}"_s);
        // Each of these changes what the literals read, or fails, in a real engine.
        row("members of global names",
            u"Object.prototype.province = 'x', {}|{catName: Object.prototype.province = 'x'}|"
            u"Function.prototype.caller = {}|Object.prototype.__proto__ = {}|"
            u"Array.prototype.length = {}|this.zone = {}|globalThis.a = {}|window['x'] = {}|"
            u"NaN.x = {}|s.__proto__ = {}|arguments[0] = {}|toString.x = {}|\u004fbject.x = {}|"
            u"{}, @(Object).x = 1"_s);
        row("members through shared prototypes",
            u"a.__proto__.province = 'x', {}|a['__proto__'].b = {}|a.constructor.c = {}|"
            u"a.prototyp\u0065.x = {}|a[('prototype')] = {}|a[['__proto__']] = {}|a[{}] = {}"_s);
        row("members of names the answer assigns",
            u"a = [], a.length = -1, {}|a.x = 1, a = {}|a = b = {}, b.c = 1|\u0061 = 1, a.x = 2|"
            u"a.x = (a = {})|a[b = 1] = b.c = {}|__proto__ = {a: null}, a.x = 1, {}"_s);
    }

    void refuses() {
        QFETCH(QStringList, answers);
        for (QString answer : answers) {
            const qsizetype at = answer.indexOf(u'@');
            answer.remove(at, at >= 0 ? 1 : 0);
            for (const QStringList &wanted :
                 {QStringList(), Words(u"province catName a 0 length"_s)}) {
                jsliteral::EvaluationError error;
                QVERIFY2(!jsliteral::EvaluateParenthesized(answer, wanted, &error),
                         qPrintable(answer));
                QVERIFY2(!error.message.isEmpty(), qPrintable(answer));
                QVERIFY2(at < 0 ? error.position >= 0 && error.position <= answer.size()
                                : error.position == at,
                         qPrintable(answer + u" at "_s + QString::number(error.position)));
            }
        }
    }

    void nestingLimit() {
        const int max = jsliteral::kMaxNesting;
        for (const auto &[open, close] :
             {std::pair{u"{a:"_s, u"}"_s}, std::pair{u"["_s, u"]"_s}, std::pair{u"("_s, u")"_s}}) {
            for (int depth : {max, max + 1})
                QCOMPARE(jsliteral::EvaluateParenthesized(
                             open.repeated(depth) + u"1"_s + close.repeated(depth), {})
                             .has_value(),
                         depth == max);
        }
        // The wrapping parenthesis counts.
        const QString deep =
            u"("_s.repeated(max - 1) + u"{province:'p'}"_s + u")"_s.repeated(max - 1);
        QCOMPARE(Properties(deep, Words(u"province catName"_s)), Words(u"p undefined"_s));
        QVERIFY(!jsliteral::EvaluateParenthesized(u"("_s + deep + u")"_s, {}));
        QVERIFY(!jsliteral::EvaluateParenthesized(
            u"a"_s + u"[("_s.repeated(40) + u"1"_s + u")]"_s.repeated(40) + u" = {}"_s, {}));
    }
};

QTEST_GUILESS_MAIN(TestJsLiteral)
#include "tst_jsliteral.moc"
