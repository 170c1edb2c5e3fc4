// The answer evaluator: the literal expressions it accepts, the values it
// gives as text, what it refuses, that hostile answers cannot crash it, and a
// differential check against node's eval('(' + s + ')') on a generated corpus.

#include "lookup/answerevaluator.h"
#include "lookup/jsliteral.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

const QStringList ZoneNames = {u"province"_s, u"catName"_s};
const QString Absent = u"<absent>"_s;

// Words separated by blanks; "~" stands for Absent.
QStringList Words(const QString &words) {
    QStringList out = words.split(u' ');
    for (QString &word : out)
        word = word == u"~" ? Absent : word;
    return out;
}

// The texts of the properties, Absent for each one not present; an empty list
// for a refused answer.
QStringList Texts(const std::optional<QList<EvaluatedProperty>> &result) {
    QStringList out;
    for (const EvaluatedProperty &p : result.value_or(QList<EvaluatedProperty>{}))
        out.append(!p.present ? Absent : p.text.isNull() ? u"<present but null>"_s : p.text);
    return out;
}

QString Hex(QStringView text) {
    QString out;
    for (QChar ch : text)
        out += u"%1"_s.arg(ch.unicode(), 4, 16, QChar(u'0'));
    return out;
}

QString FromHex(const QString &hex) {
    QString out;
    for (qsizetype i = 0; i + 4 <= hex.size(); i += 4)
        out.append(QChar(char16_t(hex.mid(i, 4).toUInt(nullptr, 16))));
    return out;
}

const char RealAnswer[] = "__GetZoneResult_ = {\n    mts:'1380013',\n    province:'北京',\n"
                          "    catName:'中国移动',\n    telString:'13800138000',\n"
                          "\tareaVid:'30517',\n\tcarrier:'北京移动'\n}\n";

// A small deterministic generator (splitmix64): the corpus is the same on
// every machine.
struct Random {
    std::uint64_t state;
    int below(int n) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return int((z ^ (z >> 31)) % std::uint64_t(n));
    }
    bool chance(int percent) { return below(100) < percent; }
    const QString &pick(const QStringList &list) { return list[below(int(list.size()))]; }
};

// Generates answers within the accepted grammar.
struct Generator : Random {
    QString answer() {
        static const QStringList targets =
            u"|zone =|a = b =|(x) = this.y =|省份 = \\u0061bc =|let = undefined =|0 , 's' ,"_s
                .split(u'|');
        QString out = ws();
        for (const QString &token : pick(targets).split(u' ', Qt::SkipEmptyParts))
            out += token + ws(); // any blank where the target has one, or none
        out += chance(15) ? u'(' + ws() + zoneObject() + ws() + u')' : zoneObject();
        if (chance(5))
            out += ws() + u',' + ws() + pick({u"[]"_s, u"5"_s, u"{}"_s});
        return out + ws();
    }

    // Blanks, line breaks and comments between tokens, often nothing.
    QString ws() {
        static const QStringList pool =
            u" |\t|\n|\r\n|\v\f|\u00A0|\uFEFF|\u3000|\u2028|\u2029|\u1680|/* c\n */|/**/|// x\n|"
            u"//\r|//\u2028|\n\t  \u2003"_s.split(u'|');
        return chance(55) ? QString() : pick(pool);
    }

    // A key in one of its notations: bare, quoted, with escapes.
    QString key(const QString &name) {
        const QString hex = u"%1"_s.arg(name[1].unicode(), 2, 16, QChar(u'0'));
        return pick({name, name, u'\'' + name + u'\'', u'"' + name + u'"',
                     name.left(1) + u"\\u00"_s + hex + name.mid(2),
                     u"\\u{"_s + QString::number(name[0].unicode(), 16) + u'}' + name.mid(1),
                     u'\'' + name.left(1) + u"\\x"_s + hex + name.mid(2) + u'\''});
    }

    QString extraKey() {
        static const QStringList keys =
            u"mts|'tel string'|\"a-b\"|$x|地区|if|null|get|1|0x1F|1.5|.5|010|1_0|''|x\\u0079"_s
                .split(u'|');
        return pick(keys);
    }

    QString string() {
        static const QStringList pieces =
            u"北京|abc| |😀|/*|//|'|\"|\\n|\\t|\\b|\\v|\\0|\\\\|\\q|\\中|\\8|\\1|\\12|\\377|"
            u"\\400|\\08|\\u{0}|\\u{10FFFF}|\\u{000041}|\\uD83D\\uDE00|\\uD800|0123|"
            u"\\\n|\\\r\n|\\\r|\\\u2028|\t"_s.split(u'|');
        const QString quote = chance(50) ? u"'"_s : u"\""_s;
        QString out = quote;
        for (int i = below(7); i > 0; --i) {
            const QString &piece = pick(pieces), safe = piece == quote ? u'\\' + piece : piece;
            out += pick({u"\\x%1"_s.arg(below(256), 2, 16, QChar(u'0')),
                         u"\\u%1"_s.arg(below(0x10000), 4, 16, QChar(u'0')),
                         u"\\u{%1}"_s.arg(below(0x110000), 0, 16), safe, safe, safe});
        }
        return out + quote;
    }

    QString digits(int count, QStringView alphabet, bool separators = true) {
        QString out;
        for (int i = 0; i < count; ++i) {
            if (separators && i > 0 && chance(4))
                out += u'_';
            out += alphabet[below(int(alphabet.size()))];
        }
        return out;
    }

    QString number() {
        static const QStringList notable =
            u"0 1e21 1.5e-7 0.000001 9007199254740993 1e400 5e-324 NaN Infinity 5. 0e0 1.e3 "
            u"2.4703282292062328e-324 0x20000000000001 1.7976931348623157e308 "
            u"0.30000000000000004 0.1_2e1_0"_s.split(u' ');
        const QString dec = u"0123456789"_s;
        return pick({pick(notable), u'1' + digits(below(25), dec),
                     digits(1 + below(4), u"123456789") + u'.' + digits(below(20), dec),
                     pick({u"0."_s, u"."_s}) + QString(below(9), u'0') + digits(1 + below(8), dec),
                     QString::number(1 + below(99)) + pick({u"e"_s, u"E+"_s, u"e-"_s}) +
                         QString::number(below(340)),
                     pick({u"0x"_s, u"0X"_s}) + digits(1 + below(20), u"0123456789abcdefABCDEF"),
                     pick({u"0o"_s, u"0O"_s}) + digits(1 + below(25), u"01234567"),
                     pick({u"0b"_s, u"0B"_s}) + digits(1 + below(70), u"01"),
                     u'0' + digits(1 + below(22), u"01234567", false), // legacy octal
                     // legacy decimal: a leading 0 and an 8 or 9
                     u'0' + digits(below(4), dec, false) + u'9' + pick({u""_s, u".5"_s, u"e2"_s})});
    }

    QString signedNumber() {
        QString out;
        for (int signs = chance(30) ? 1 + below(3) : 0; signs > 0; --signs)
            out += pick({u"-"_s, u"+"_s}) + ws() + u' '; // never "--" or "++"
        return out + (chance(10) ? u'(' + ws() + number() + ws() + u')' : number());
    }

    QString value(int depth, bool zone) {
        const int roll = below(100);
        if (roll < (zone ? 70 : 35))
            return string();
        if (roll < 80)
            return signedNumber();
        if (roll < 85)
            return pick({u"true"_s, u"false"_s, u"null"_s, u"undefined"_s, u"\\u0075ndefined"_s});
        if (roll < 88)
            return u'(' + ws() + value(depth, zone) + ws() + u')';
        if (roll < 91)
            return u'(' + ws() + value(depth, false) + ws() + u',' + ws() + value(depth, zone) +
                   ws() + u')';
        if (depth >= 6)
            return string();
        const bool object = roll >= 95;
        QString out = (object ? u'{' : u'[') + ws();
        for (int i = 0, n = below(5); i < n; ++i) {
            if (object)
                out += extraKey() + ws() + u':' + ws();
            if (object || !chance(15)) // arrays have holes
                out += value(depth + 1, false) + ws();
            if (i + 1 < n || chance(30))
                out += u',' + ws();
        }
        return out + (object ? u'}' : u']');
    }

    QString member(const QString &key, const QString &value) {
        return key + ws() + u':' + ws() + value;
    }

    QString zoneObject() {
        QStringList members;
        for (int i = below(4); i > 0; --i)
            members.append(member(extraKey(), value(0, false)));
        // Each zone name missing, once, or twice (the last one wins).
        for (const QString &name : ZoneNames)
            for (int n = chance(10) ? 0 : chance(10) ? 2 : 1; n > 0; --n)
                members.insert(below(int(members.size()) + 1), member(key(name), value(0, true)));
        if (chance(15)) // inherited unless the object has its own
            members.insert(
                below(int(members.size()) + 1),
                member(key(u"__proto__"_s),
                       u"{province:"_s + string() + u", catName:"_s + signedNumber() + u'}'));
        QString out = u'{' + ws();
        for (qsizetype i = 0; i < members.size(); ++i)
            out +=
                members[i] + ws() + (i + 1 < members.size() || chance(30) ? u","_s : u""_s) + ws();
        return out + u'}';
    }
};

// One small change that may make an answer invalid.
QString Mutate(QString text, Random &rng) {
    static const QStringList inserts =
        u";|+|)|(|'|\"|\\|/|=|.|_|n|0|x|-|,|{|}|[|:|`|/*|e|\\u|<!--|__proto__:1,|\n"_s.split(u'|');
    const int at = rng.below(int(text.size()) + 1);
    switch (rng.below(3)) {
    case 0:
        return text.left(at);
    case 1:
        return text.remove(at, 1);
    default:
        return text.insert(at, rng.pick(inserts));
    }
}

// Each input line is "x" and the hex of a text's UTF-16 units. For each text:
// {kind: "object"|"array"|"other", p, c} with p and c the hex of
// String(v.province) and String(v.catName) when a string, number or boolean;
// {kind: "refused"} on an error; {kind: "reference"} on a ReferenceError,
// which a target such as "a.b" raises for want of an environment (we have
// none, and accept such targets).
const char NodeScript[] = R"JS(
const fs = require('fs'), vm = require('vm');
const hex = (s) => Array.from({ length: s.length }, (_, i) => s.charCodeAt(i).toString(16).padStart(4, '0')).join('');
const text = (x) => ['string', 'number', 'boolean'].includes(typeof x) ? hex(String(x)) : null;
const lines = fs.readFileSync(process.argv[2], 'latin1').split('\n').filter((l) => l.startsWith('x'));
fs.writeFileSync(process.argv[3], JSON.stringify(lines.map((line) => {
  const s = (line.slice(1).match(/.{4}/g) || []).map((h) => String.fromCharCode(parseInt(h, 16))).join('');
  try {
    const v = vm.runInNewContext("eval('(' + s + ')')", { s }, { timeout: 5000 });
    if (v === null || typeof v !== 'object') return { kind: 'other' };
    return Array.isArray(v) ? { kind: 'array' } : { kind: 'object', p: text(v.province), c: text(v.catName) };
  } catch (e) {
    return { kind: e && e.name === 'ReferenceError' ? 'reference' : 'refused', error: String(e) };
  }
})));
)JS";

} // namespace

class TestAnswerEvaluator : public QObject {
    Q_OBJECT

private slots:
    void evaluates_data();
    void evaluates();
    void numbersAsText_data();
    void numbersAsText();
    void notAnObject();
    void refuses_data();
    void refuses();
    void nestingLimit();
    void hostileSizesAreRefused_data();
    void hostileSizesAreRefused();
    void largeAnswerIsReadWhole();
    void agreesWithNode();
};

void TestAnswerEvaluator::evaluates_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const QString &answer, const QStringList &names,
                        const QStringList &expected) {
        QTest::newRow(name) << answer << names << expected;
    };
    const QStringList zone = ZoneNames, p = Words(u"p ~"_s);

    // The same values in every notation.
    const QStringList realNames = Words(u"province catName telString areaVid carrier mts"_s);
    const QStringList realTexts = Words(u"北京 中国移动 13800138000 30517 北京移动 1380013"_s);
    row("real shape", QString::fromUtf8(RealAnswer), realNames, realTexts);
    row("real shape, CRLF", QString::fromUtf8(RealAnswer).replace(u"\n"_s, u"\r\n"_s), realNames,
        realTexts);
    row("JSON",
        uR"({"mts":"1380013","province":"北京","catName":"中国移动","telString":"13800138000","areaVid":"30517","carrier":"北京移动"})"_s,
        realNames, realTexts);
    row("escaped, commented, trailing comma",
        u"/* a */ zone = ( { 'mts' : \"1380013\" , province : '\\u5317\\u{4eac}' , // b\n"_s
        u"\"catName\" : '中国\\u79fb\\u52a8' ,\ttelString:13800138000, areaVid:'30517',"_s
        u"carrier:'北京移动', } )\n"_s,
        realNames, realTexts);

    row("present and absent",
        u"{province:'', a:null, b:undefined, c:{x:1}, d:[1,2], e:[], t:true, f:false}"_s,
        Words(u"province catName a b c d e t f toString constructor __proto__"_s),
        QStringList{u""_s} + Words(u"~ ~ ~ ~ ~ ~ true false ~ ~ ~"_s));

    // Strings.
    row("escapes",
        uR"({a:'\n\t\r\b\f\v\0\'\"\\', b:"\x41\u0042\u{43}\u{1F600}\u4e2d\uD83D\uDE00\uD800x"})"_s,
        {u"a"_s, u"b"_s},
        {u"\n\t\r\b\f\v"_s + QChar(0) + u"'\"\\"_s, u"ABC😀中😀"_s + QChar(0xD800) + u'x'});
    row("legacy and unknown escapes", uR"({a:'\101\1\12\377\400\08\q\中\/\8\9'})"_s, {u"a"_s},
        {u"A"_s + QChar(1) + QChar(10) + QChar(0xFF) + QChar(0x20) + u'0' + QChar(0) +
         u"8q中/89"_s});
    row("string contents",
        u"{a:'x\\\ny\\\r\nz\\\rw\\\u2028v\\\u2029u', b:'x\u2028y', c:\"it's\", d:'/* x */ // y'}"_s,
        Words(u"a b c d"_s), {u"xyzwvu"_s, u"x\u2028y"_s, u"it's"_s, u"/* x */ // y"_s});

    // Keys.
    row("key styles",
        uR"({a:1, 'b':2, "c":3, $d:4, 省份:5, if:6, pro\u0076ince:7, \u{63}atName:8, 'e\x66':9, 𠀀x:[1,,2,],})"_s,
        Words(u"a b c $d 省份 if province catName ef 𠀀x"_s), Words(u"1 2 3 4 5 6 7 8 9 ~"_s));
    row("numeric keys", u"{1:'a', 0x10:'b', 1.50:'c', 1e3:'d', .5:'e', 010:'f', 1e400:'g'}"_s,
        Words(u"1 16 1.5 1000 0.5 8 Infinity 1.50"_s), Words(u"a b c d e f g ~"_s));
    row("duplicate keys, last wins", u"{a:1, b:'x', a:2, 'a':3, b:null, 1:1, '1':2, 1.0:'z'}"_s,
        Words(u"a b 1"_s), Words(u"3 ~ z"_s));

    // Prototypes.
    row("__proto__ chain, own wins",
        u"{__proto__:{__proto__:{a:'deep'}, province:'p', catName:'c'}, catName:'own'}"_s,
        Words(u"province catName a"_s), Words(u"p own deep"_s));
    row("__proto__ escaped, primitive ignored",
        uR"({'__prot\u006f__':{__proto__:'x', province:'p'}})"_s, Words(u"province __proto__"_s),
        p);
    row("__proto__ array", u"{__proto__:[5,,'x']}"_s, Words(u"0 1 2 length 00"_s),
        Words(u"5 ~ x 3 ~"_s));

    // Blanks and comments.
    row("JavaScript white space",
        u"\uFEFF\u00A0{\u3000a\u1680:\u2003'x'\u202F,\u205F\u2028b\u2029:\v\f1\r}\u2000"_s,
        Words(u"a b"_s), Words(u"x 1"_s));
    row("comments", u"/* head */{ // line\n a /* k */ : /**/ 'x' // end\r, b:1 // c\u2028}//\n"_s,
        Words(u"a b"_s), Words(u"x 1"_s));

    // Expressions around the object.
    row("assignment chain",
        u"a = b.c = this.zone = window['x'][0].if.new = (x) = ((y)) = (d.e) = {province:'p'}"_s,
        zone, p);
    row("sloppy-mode names as targets",
        u"let = yield = await = undefined = NaN = eval = static = {province:'p'}"_s, zone, p);
    row("parentheses and commas", u"1, 'x', null, x = 1, ((({province:'a'}))), ({province:'p'})"_s,
        zone, p);
    row("value expressions", u"{a:(1, 'x'), b:(2), c:- -1, d:-(3), e:+-0, f:(x = 5)}"_s,
        Words(u"a b c d e f"_s), Words(u"x 2 1 -3 0 5"_s));
    row("answer closes the wrapping parenthesis", u"1), ({province:'p'}"_s, zone, p);
    row("comment swallows the wrapping parenthesis", u"{province:'p'})//"_s, zone, p);
}

void TestAnswerEvaluator::evaluates() {
    QFETCH(QString, answer);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    jsliteral::EvaluationError error;
    QVERIFY2(jsliteral::EvaluateParenthesized(answer, &error),
             qPrintable(error.message + u" at "_s + QString::number(error.position)));
    QCOMPARE(Texts(EvaluateAnswerProperties(answer, names)), expected);
}

void TestAnswerEvaluator::numbersAsText_data() {
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("text");
    // "literal > text" pairs.
    const QStringList rows =
        u"100 > 100; 0.1 > 0.1; 1e21 > 1e+21; 999999999999999999999 > 1e+21;"
        u"1e20 > 100000000000000000000; 123456789012345678901234 > 1.2345678901234569e+23;"
        u"1.5e-7 > 1.5e-7; 0.000001 > 0.000001; -0 > 0; - - 2.50 > 2.5; + -1 > -1; 5. > 5;"
        u".5 > 0.5; 1.E3 > 1000; 0.30000000000000004 > 0.30000000000000004;"
        u"9007199254740993 > 9007199254740992; 2e-324 > 0; 3e-324 > 5e-324;"
        u"1.7976931348623157e308 > 1.7976931348623157e+308; 1.8e308 > Infinity;"
        u"1e99999999999999999999 > Infinity; 1e-99999999999999999999 > 0; 0XfF > 255;"
        u"0o17 > 15; 0b101 > 5; 0x20000000000001 > 9007199254740992;" // a tie rounds to even
        u"0x20000000000003 > 9007199254740996; 0x1fffffffffffff8 > 144115188075855870;"
        u"017 > 15; 019 > 19; 08.5 > 8.5; 0x1_f > 31; 1_0.5_0e1_0 > 105000000000;"
        u"-NaN > NaN; -Infinity > -Infinity"_s.split(u';') +
        QStringList{u"0x"_s + QString(300, u'f') + u" > Infinity"_s,
                    u"1"_s + QString(400, u'0') + u" > Infinity"_s,
                    u"0."_s + QString(400, u'0') + u"1e400 > 0.1"_s};
    for (const QString &row : rows) {
        const QString literal = row.section(u" > "_s, 0, 0).trimmed();
        QTest::newRow(qPrintable(literal.left(40)))
            << literal << row.section(u" > "_s, 1).trimmed();
    }
}

void TestAnswerEvaluator::numbersAsText() {
    QFETCH(QString, literal);
    QFETCH(QString, text);
    QCOMPARE(Texts(EvaluateAnswerProperties(u"{n:"_s + literal + u"}"_s, {u"n"_s})),
             QStringList{text});
}

void TestAnswerEvaluator::notAnObject() {
    for (const QString &answer :
         {u"'x'"_s, u"1"_s, u"[{province:'p'}]"_s, u"null"_s, u"undefined"_s, u"true"_s,
          u"zone = 'x'"_s, u"{province:'p'}, 1"_s}) {
        QVERIFY2(jsliteral::EvaluateParenthesized(answer), qPrintable(answer));
        QVERIFY2(!EvaluateAnswerProperties(answer, ZoneNames), qPrintable(answer));
    }
}

void TestAnswerEvaluator::refuses_data() {
    QTest::addColumn<QStringList>("answers");
    // Each row: answers refused for the same reason, separated by "|".
    const auto row = [](const char *name, const QString &answers) {
        QTest::newRow(name) << answers.split(u'|');
    };
    row("nothing", u"| \n\t|/* x */"_s);
    row("unterminated",
        u"{|[|(|)|{province:'p', catName:'c'|{province:'p}|{province:'p|{province:'p\\|"
        u"{province:'p'} /* x"_s);
    row("line comment swallows the closing parenthesis", u"{province:'p'} // x"_s);
    row("line break in a string", u"{province:'a\nb'}|{province:'a\rb'}"_s);
    row("trailing semicolon", u"{province:'p'};|{province:'p'};\n"_s);
    row("statement after", u"{province:'p'}); x = (1"_s);
    row("calls", u"alert(1)|{province:alert(1)}|{province:'p'}(1)|zone = f()|new Object()"_s);
    row("while(1){}", u"while(1){}"_s);
    row("functions", u"function(){}|{province:function(){return 'p'}}|x => {province:'p'}|"
                     u"{province:() => 1}"_s);
    row("operators", u"1+2|{province:'a'+'b'}|{a:2-1}|{a:2**3}|{a:1/2}|{a:--1}|{a:!0}|{a:void 0}|"
                     u"{a:typeof 1}|{a:1?2:3}|{a:'x' in {}}|x += {a:1}|x == {a:1}"_s);
    row("sign on a non-number", u"{a:-'1'}|{a:+true}|-{a:1}"_s);
    row("unknown names", u"{a:b}|zone|x = y|x, {a:1}|this"_s);
    row("member reads", u"{a:1}.a|{a:x.y}|{a:1}['a']"_s);
    row("statements",
        u"var x = {province:'p'}|let x = {province:'p'}|if (1) {}|{province:'p'; catName:'c'}"_s);
    row("template and regex", u"{a:`x`}|{a:/x/}"_s);
    row("other members",
        u"{province}|{province(){}}|{get province(){return 'p'}}|{...{province:'p'}}|"
        u"{['province']:'p'}"_s);
    row("commas", u"{a:1 b:2}|{a:1,,b:2}|{,a:1}|{a:}|{a:'x' 'y'}|({a:1},)|{a:1},|,{a:1}"_s);
    row("bad numbers",
        u"{a:1n}|{1n:1}|{a:01.5}|{a:0_1}|{a:1__0}|{a:1_}|{a:1_.5}|{a:0x_1}|{a:07_7}|{a:1e+}|"
        u"{a:0x}|{a:0o8}|{a:1x}|{a:1.5.5}|{a:.}"_s);
    row("bad escapes",
        u"{a:'\\x4G'}|{a:'\\u004'}|{a:'\\u{}'}|{a:'\\u{110000}'}|{a:'\\u{41'}|{a\\x62:1}|"
        u"{a\\u0020:1}|{\\u0030:1}|{a:tru\\u0065}"_s);
    row("bad targets",
        u"\\u0069f = {a:1}|if = {a:1}|enum = {a:1}|this = {a:1}|1 = {a:1}|{a:1} = {a:1}|"
        u"(a, b) = {a:1}|(a = 1) = {a:1}|-a = {a:1}|[a] = {a:1}|undefined.x = {a:1}|"
        u"a?.b = {a:1}"_s);
    row("duplicate __proto__", u"{__proto__:1, '__proto__':2}"_s);
    row("not blanks", u"{a\u0085:1}|{a:1}\u200B|{a:1}\u180E"_s);
    row("HTML-like comment", u"-->x\n{a:1}|<!--x\n{a:1}"_s);
}

void TestAnswerEvaluator::refuses() {
    QFETCH(QStringList, answers);
    for (const QString &answer : answers) {
        jsliteral::EvaluationError error;
        QVERIFY2(!jsliteral::EvaluateParenthesized(answer, &error), qPrintable(answer));
        QVERIFY2(!error.message.isEmpty(), qPrintable(answer));
        QVERIFY2(error.position >= 0 && error.position <= answer.size(), qPrintable(answer));
        QVERIFY2(!EvaluateAnswerProperties(answer, ZoneNames), qPrintable(answer));
    }
}

void TestAnswerEvaluator::nestingLimit() {
    for (const auto &[open, close] :
         {std::pair{u"{a:"_s, u"}"_s}, std::pair{u"["_s, u"]"_s}, std::pair{u"("_s, u")"_s}}) {
        for (int depth : {jsliteral::MaxNesting, jsliteral::MaxNesting + 1})
            QCOMPARE(jsliteral::EvaluateParenthesized(open.repeated(depth) + u"1"_s +
                                                      close.repeated(depth))
                         .has_value(),
                     depth == jsliteral::MaxNesting);
    }
    // Mixed brackets, and the zone object itself at the limit.
    QVERIFY(jsliteral::EvaluateParenthesized(u"{p:["_s.repeated(31) + u"{province:'p'}"_s +
                                             u"]}"_s.repeated(31)));
    const QString zoneDeep = u"("_s.repeated(63) + u"{province:'p'}"_s + u")"_s.repeated(63);
    QCOMPARE(Texts(EvaluateAnswerProperties(zoneDeep, ZoneNames)), (QStringList{u"p"_s, Absent}));
    QVERIFY(!EvaluateAnswerProperties(u"("_s + zoneDeep + u")"_s, ZoneNames));
    // Member brackets count as well.
    QVERIFY(!jsliteral::EvaluateParenthesized(u"a"_s + u"[("_s.repeated(40) + u"1"_s +
                                              u")]"_s.repeated(40) + u" = {}"_s));
}

void TestAnswerEvaluator::hostileSizesAreRefused_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("100,000 nested braces") << u"{a:"_s.repeated(100'000);
    QTest::newRow("100,000 nested braces, closed")
        << u"{a:"_s.repeated(100'000) + u"1"_s + u"}"_s.repeated(100'000);
    QTest::newRow("100,000 parentheses")
        << u"("_s.repeated(100'000) + u"{}"_s + u")"_s.repeated(100'000);
    QTest::newRow("100,000 signs") << u"- "_s.repeated(100'000) + u"{}"_s;
    QTest::newRow("5 MiB") << QString(5 * 1024 * 1024, u'{');
    QTest::newRow("1 MiB unterminated string") << u"{a:'"_s + QString(1024 * 1024, u'x');
    QTest::newRow("1 MiB unterminated comment") << u"{a:1 /*"_s + QString(1024 * 1024, u'*');
    QTest::newRow("long assignment chain, then a call") << u"a = "_s.repeated(200'000) + u"f()"_s;
    QTest::newRow("many properties, then a call")
        << u"{"_s + u"a:1,"_s.repeated(200'000) + u"b:f()}"_s;
}

void TestAnswerEvaluator::hostileSizesAreRefused() {
    QFETCH(QString, answer);
    QVERIFY(!EvaluateAnswerProperties(answer, ZoneNames));
}

void TestAnswerEvaluator::largeAnswerIsReadWhole() {
    QString answer = u"zone = {"_s;
    for (int i = 0; answer.size() < 512 * 1024; ++i)
        answer += u"k%1:'值\\u0041\\n%1', /* c */ n%1:%1.5e-3,\n"_s.arg(i);
    answer += u"province:'"_s + QString(1024 * 1024, u'北') + u"', 'k0':'last'}"_s;
    const QStringList texts = Texts(EvaluateAnswerProperties(answer, {u"k0"_s, u"n7"_s, u"k9"_s}));
    QCOMPARE(texts, (QStringList{u"last"_s, u"0.0075"_s, u"值A\n9"_s}));
    const auto province = EvaluateAnswerProperties(answer, {u"province"_s});
    QVERIFY(province);
    QCOMPARE(province->at(0).text, QString(1024 * 1024, u'北'));
}

void TestAnswerEvaluator::agreesWithNode() {
    QString node = QStandardPaths::findExecutable(u"node"_s);
    if (node.isEmpty())
        node = QStandardPaths::findExecutable(u"node"_s, {u"/usr/bin"_s});
    if (node.isEmpty())
        QSKIP("node is not installed");

    // Generated answers (all within the accepted grammar), then mutants of
    // some of them (anything may happen to those).
    Generator generator{{20240601}};
    Random mutations{77};
    QStringList corpus = {QString::fromUtf8(RealAnswer)};
    for (int i = 0; i < 500; ++i)
        corpus.append(generator.answer());
    const qsizetype validCount = corpus.size();
    for (int i = 1; i <= 300; ++i)
        corpus.append(Mutate(corpus[i], mutations));

    QTemporaryDir dir;
    QFile script(dir.filePath(u"eval.js"_s)), input(dir.filePath(u"corpus.txt"_s));
    QVERIFY(script.open(QIODevice::WriteOnly) && input.open(QIODevice::WriteOnly));
    script.write(NodeScript);
    for (const QString &answer : corpus)
        input.write('x' + Hex(answer).toLatin1() + '\n');
    script.close();
    input.close();
    QProcess process;
    process.start(node, {script.fileName(), input.fileName(), dir.filePath(u"out.json"_s)});
    QVERIFY2(process.waitForFinished(120'000), "node did not finish");
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QFile results(dir.filePath(u"out.json"_s));
    QVERIFY(results.open(QIODevice::ReadOnly));
    const QJsonArray verdicts = QJsonDocument::fromJson(results.readAll()).array();
    QCOMPARE(verdicts.size(), corpus.size());

    int objects = 0, bothRefused = 0;
    for (qsizetype i = 0; i < corpus.size(); ++i) {
        const QJsonObject verdict = verdicts[i].toObject();
        const QString kind = verdict[u"kind"_s].toString();
        jsliteral::EvaluationError error;
        const auto ours = jsliteral::EvaluateParenthesized(corpus[i], &error);
        const QString where = u"answer %1: %2\nnode: %3 %4\nours: %5 at %6"_s.arg(i)
                                  .arg(corpus[i].left(300), kind, verdict[u"error"_s].toString(),
                                       ours ? u"accepted"_s : error.message)
                                  .arg(error.position);
        if (i < validCount)
            QVERIFY2(ours && kind != u"refused"_s && kind != u"reference"_s, qPrintable(where));
        if (kind == u"refused"_s) {
            QVERIFY2(!ours, qPrintable(where));
            ++bothRefused;
        }
        if (!ours || kind == u"refused"_s || kind == u"reference"_s)
            continue; // refused by both, or a mutant outside the accepted grammar
        const QString ourKind = ours->type == jsliteral::Value::Type::Object  ? u"object"_s
                                : ours->type == jsliteral::Value::Type::Array ? u"array"_s
                                                                              : u"other"_s;
        QVERIFY2(kind == ourKind, qPrintable(where));
        if (kind != u"object"_s)
            continue;
        ++objects;
        QStringList expected;
        for (const QString &k : {u"p"_s, u"c"_s})
            expected.append(verdict[k].isNull() ? Absent : FromHex(verdict[k].toString()));
        QVERIFY2(Texts(EvaluateAnswerProperties(corpus[i], ZoneNames)) == expected,
                 qPrintable(where + u"\nnode gives "_s + expected.join(u", "_s) +
                            u"\nours gives "_s +
                            Texts(EvaluateAnswerProperties(corpus[i], ZoneNames)).join(u", "_s)));
    }
    qInfo("corpus %lld: %d objects compared, %d refused by both", qlonglong(corpus.size()), objects,
          bothRefused);
    QVERIFY(objects > 400);
    QVERIFY(bothRefused > 50);
}

QTEST_GUILESS_MAIN(TestAnswerEvaluator)
#include "tst_answerevaluator.moc"
