// The answer evaluator: the literal expressions it accepts, the values it
// gives as text, and what it refuses, hostile answers included.

#include "answerevaluator.h"
#include "jsliteral.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kZoneNames = {u"province"_s, u"catName"_s};
const QString kAbsent = u"<absent>"_s;

// Words separated by blanks; "~" stands for Absent.
QStringList Words(const QString &words) {
    QStringList out = words.split(u' ');
    for (QString &word : out)
        word = word == u"~" ? kAbsent : word;
    return out;
}

// The texts of the properties, Absent for each one not present; an empty list
// for a refused answer.
QStringList Texts(const std::optional<QList<EvaluatedProperty>> &result) {
    QStringList out;
    for (const EvaluatedProperty &p : result.value_or(QList<EvaluatedProperty>{}))
        out.append(p.present ? p.text : kAbsent);
    return out;
}

// Random answers in the shapes the evaluator knows, valid or nearly so, for a
// comparison with a real engine.
class AnswerGenerator {
public:
    QString Answer() {
        // Mostly an object, which is what the comparison is about.
        switch (Pick(5)) {
        case 0:
            return Target() + u" = "_s + Object(0);
        case 1:
            return Expression(0) + u", "_s + Object(0);
        case 2:
            return Expression(0);
        default:
            return Object(0);
        }
    }

private:
    int Pick(int n) { return int(m_random.bounded(n)); }
    QString OneOf(const QStringList &texts) { return texts[Pick(int(texts.size()))]; }

    QString Expression(int depth) {
        switch (depth > 3 ? 0 : Pick(8)) {
        case 0:
        case 1:
            return OneOf({u"'x'"_s, u"\"中国移动\""_s, u"1"_s, u"-2.5e3"_s, u"0x1F"_s, u"017"_s,
                          u"1_0"_s, u"true"_s, u"null"_s, u"undefined"_s, u"NaN"_s, u"-Infinity"_s,
                          u"'\\u5317\\x41\\101'"_s, u"''"_s, u"-0"_s});
        case 2:
        case 3:
            return Object(depth);
        case 4: {
            QStringList elements;
            for (int i = Pick(4); i > 0; --i)
                elements += Pick(4) ? Expression(depth + 1) : QString();
            return u"["_s + elements.join(u","_s) + u"]"_s;
        }
        case 5:
            return Pick(2)
                       ? u"("_s + Expression(depth + 1) + u")"_s
                       : u"("_s + Expression(depth + 1) + u", "_s + Expression(depth + 1) + u")"_s;
        default:
            return Target() + u" = "_s + Expression(depth + 1);
        }
    }

    QString Object(int depth) {
        QStringList properties;
        for (int i = Pick(5); i > 0; --i)
            properties += OneOf({u"province"_s, u"catName"_s, u"a"_s, u"'province'"_s,
                                 u"\"catName\""_s, u"1"_s, u"__proto__"_s, u"pro\\u0076ince"_s}) +
                          u": "_s + Expression(depth + 1);
        return u"{"_s + properties.join(u", "_s) + (Pick(3) ? u"}"_s : u",}"_s);
    }

    QString Target() {
        const QString name = OneOf({u"a"_s, u"b"_s, u"zone"_s, u"Object"_s, u"__proto__"_s,
                                    u"undefined"_s, u"s"_s, u"this"_s});
        switch (Pick(6)) {
        case 0:
            return u"("_s + name + u")"_s;
        case 1:
            return Pick(2) ? u"(0, a)"_s : u"(b = 1)"_s;
        case 2:
            return name + OneOf({u".x"_s, u"['y']"_s, u"[0]"_s, u".__proto__"_s,
                                 u".prototype.province"_s, u".__proto__.catName"_s});
        default:
            return name;
        }
    }

    QRandomGenerator m_random{20240613};
};

} // namespace

class TestAnswerEvaluator : public QObject {
    Q_OBJECT

private slots:
    void evaluates_data();
    void evaluates();
    void numbersAsText_data();
    void numbersAsText();
    void refuses_data();
    void refuses();
    void nestingLimit();
    void hostileSizesAreRefused_data();
    void hostileSizesAreRefused();
    void lengthLimit();
    void agreesWithNode();
};

void TestAnswerEvaluator::evaluates_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected"); // empty: the value is not an object
    const auto row = [](const char *name, const QString &answer, const QStringList &names,
                        const QStringList &expected) {
        QTest::newRow(name) << answer << names << expected;
    };
    const QStringList p = Words(u"p ~"_s);

    // The same values in the service's usual shape, as JSON, and with escapes and comments.
    const QStringList realNames = Words(u"province catName telString areaVid mts"_s);
    const QStringList realTexts = Words(u"北京 中国移动 13800138000 30517 1380013"_s);
    row("usual shape",
        u"__GetZoneResult_ = {\r\n    mts:'1380013',\n    province:'北京',\n"_s
        u"    catName:'中国移动',\n    telString:'13800138000',\n\tareaVid:'30517'\n}\n"_s,
        realNames, realTexts);
    row("JSON",
        uR"({"mts":"1380013","province":"北京","catName":"中国移动","telString":"13800138000","areaVid":"30517"})"_s,
        realNames, realTexts);
    row("escaped, commented, trailing comma",
        u"/* a */ zone = ( { 'mts' : \"1380013\" , province : '\\u5317\\u{4eac}' , // b\n"_s
        u"\"catName\" : '中国\\u79fb\\u52a8' ,\ttelString:13800138000, areaVid:'30517', } )\n"_s,
        realNames, realTexts);
    row("present and absent",
        u"{province:'', a:null, b:undefined, c:{x:1}, d:[1,2], t:true, f:false}"_s,
        Words(u"province catName a b c d t f toString __proto__"_s),
        QStringList{u""_s} + Words(u"~ ~ ~ ~ ~ true false ~ ~"_s));
    row("not an object", u"zone = 'x'"_s, kZoneNames, {});
    row("array", u"[{province:'p'}]"_s, kZoneNames, {});

    // Strings.
    row("escapes",
        uR"({a:'\n\t\r\b\f\v\0\'\"\\', b:"\x41\u0042\u{43}\u{1F600}\uD83D\uDE00\uD800x"})"_s,
        {u"a"_s, u"b"_s},
        {u"\n\t\r\b\f\v"_s + QChar(0) + u"'\"\\"_s, u"ABC😀😀"_s + QChar(0xD800) + u'x'});
    row("legacy and unknown escapes", uR"({a:'\101\1\377\400\08\q\中\8'})"_s, {u"a"_s},
        {u"A"_s + QChar(1) + QChar(0xFF) + QChar(0x20) + u'0' + QChar(0) + u"8q中8"_s});
    row("line continuations", u"{a:'x\\\ny\\\r\nz\\\u2028v', b:'x\u2028y', c:\"it's\"}"_s,
        Words(u"a b c"_s), {u"xyzv"_s, u"x\u2028y"_s, u"it's"_s});

    // Keys.
    row("key styles", uR"({a:1, 'b':2, "c":3, $d:4, 省份:5, if:6, pro\u0076ince:7, 'e\x66':8})"_s,
        Words(u"a b c $d 省份 if province ef"_s), Words(u"1 2 3 4 5 6 7 8"_s));
    row("numeric keys", u"{1:'a', 0x10:'b', 1.50:'c', 1e3:'d', .5:'e', 010:'f', 1e400:'g'}"_s,
        Words(u"1 16 1.5 1000 0.5 8 1.50 Infinity"_s), Words(u"a b c d e f ~ g"_s));
    row("duplicate keys, last wins", u"{a:1, b:'x', a:2, 'a':3, b:null, 1:1, 1.0:'z'}"_s,
        Words(u"a b 1"_s), Words(u"3 ~ z"_s));
    row("__proto__ chain, own wins",
        u"{__proto__:{__proto__:{a:'deep'}, province:'p', catName:'c'}, catName:'own'}"_s,
        Words(u"province catName a"_s), Words(u"p own deep"_s));
    row("array as prototype", u"{__proto__:['a', 'b', , 'd',], 0:'own'}"_s,
        Words(u"length 0 1 2 3 4"_s), Words(u"4 own b ~ d ~"_s));

    // Blanks, comments and the expression around the object.
    row("JavaScript white space",
        u"\uFEFF\u00A0{\u3000a\u1680:\u2003'x'\u202F,\u2028b\u2029:\v\f1\r}\u2000"_s,
        Words(u"a b"_s), Words(u"x 1"_s));
    row("comments", u"/* head */{ // line\n a /* k */ : /**/ 'x' // end\r, b:1 // c\u2028}//\n"_s,
        Words(u"a b"_s), Words(u"x 1"_s));
    row("assignment chain",
        u"a = b.c = zone['x'][0].if = (x) = ((y)) = let = undefined = {province:'p'}"_s, kZoneNames,
        p);
    // Assigning to a global name leaves the literals alone.
    row("global names as targets", u"Object = toString = {province:'x'}, {province:'p'}"_s,
        kZoneNames, p);
    row("parentheses and commas", u"1, 'x', null, x = 1, ((({province:'a'}))), ({province:'p'})"_s,
        kZoneNames, p);
    row("value expressions",
        u"{a:(1, 'x'), b:(2), c:- -1, d:-(3), e:+-0, f:(x = 5), g:y = ('z'), h:(0, z = 'w')}"_s,
        Words(u"a b c d e f g h"_s), Words(u"x 2 1 -3 0 5 z w"_s));
    // Read as eval('(' + answer + ')') reads it.
    row("answer closes the wrapping parenthesis", u"1), ({province:'p'}"_s, kZoneNames, p);
    row("comment swallows the wrapping parenthesis", u"{province:'p'})//"_s, kZoneNames, p);
}

void TestAnswerEvaluator::evaluates() {
    QFETCH(QString, answer);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    jsliteral::EvaluationError error;
    QVERIFY2(jsliteral::EvaluateParenthesized(answer, {}, &error),
             qPrintable(error.message + u" at "_s + QString::number(error.position)));
    QCOMPARE(Texts(EvaluateAnswerProperties(answer, names)), expected);
}

void TestAnswerEvaluator::numbersAsText_data() {
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("text");
    // "literal > text" pairs, as JavaScript's String() writes numbers.
    const QStringList rows =
        u"100 > 100; 0.1 > 0.1; 1e21 > 1e+21; 1e20 > 100000000000000000000; 1.5e-7 > 1.5e-7;"
        u"0.000001 > 0.000001; -0 > 0; - - 2.50 > 2.5; 5. > 5; .5 > 0.5; 1.E3 > 1000;"
        u"0.30000000000000004 > 0.30000000000000004; 9007199254740993 > 9007199254740992;"
        u"3e-324 > 5e-324; 1.8e308 > Infinity; 0XfF > 255; 0o17 > 15; 0b101 > 5;"
        u"0x20000000000001 > 9007199254740992; 017 > 15; 019 > 19; 08.5 > 8.5;"
        u"1_0.5_0e1_0 > 105000000000; -NaN > NaN; -Infinity > -Infinity"_s.split(u';');
    for (const QString &row : rows) {
        const QString literal = row.section(u" > "_s, 0, 0).trimmed();
        QTest::newRow(qPrintable(literal)) << literal << row.section(u" > "_s, 1).trimmed();
    }
}

void TestAnswerEvaluator::numbersAsText() {
    QFETCH(QString, literal);
    QFETCH(QString, text);
    QCOMPARE(Texts(EvaluateAnswerProperties(u"{n:"_s + literal + u"}"_s, {u"n"_s})),
             QStringList{text});
}

void TestAnswerEvaluator::refuses_data() {
    QTest::addColumn<QStringList>("answers");
    // Each row: answers refused for the same reason, separated by "|".
    const auto row = [](const char *name, const QString &answers) {
        QTest::newRow(name) << answers.split(u'|');
    };
    row("nothing", u"| \n\t|/* x */"_s);
    row("unterminated",
        u"{|[|(|)|{province:'p', catName:'c'|{province:'p}|{province:'p\\|{province:'p'} /* x|"
        u"{province:'p'} // x|{province:'a\nb'}"_s);
    row("statements", u"{province:'p'};|{province:'p'}); x = (1|var x = {province:'p'}|"
                      u"if (1) {}|while(1){}|{province:'p'; catName:'c'}"_s);
    row("calls", u"alert(1)|{province:alert(1)}|{province:'p'}(1)|zone = f()|new Object()"_s);
    row("functions", u"function(){}|{province:function(){return 'p'}}|x => {province:'p'}"_s);
    row("operators", u"1+2|{province:'a'+'b'}|{a:2-1}|{a:--1}|{a:!0}|{a:void 0}|{a:typeof 1}|"
                     u"{a:1?2:3}|x += {a:1}|{a:-'1'}|-{a:1}"_s);
    row("names and member reads", u"{a:b}|zone|x, {a:1}|this|{a:1}.a|{a:x.y}|{a:1}['a']"_s);
    row("other literals and members",
        u"{a:`x`}|{a:/x/}|{province}|{province(){}}|{get province(){return 'p'}}|"
        u"{...{province:'p'}}|{['province']:'p'}"_s);
    row("commas", u"{a:1 b:2}|{a:1,,b:2}|{,a:1}|{a:}|{a:'x' 'y'}|{a:1},|,{a:1}"_s);
    row("bad numbers",
        u"{a:1n}|{a:01.5}|{a:0_1}|{a:1__0}|{a:1_}|{a:0x_1}|{a:1e+}|{a:0x}|{a:0o8}|{a:1.5.5}"_s);
    row("bad escapes", u"{a:'\\x4G'}|{a:'\\u004'}|{a:'\\u{110000}'}|{a\\u0020:1}|{a:tru\\u0065}"_s);
    row("bad targets", u"\\u0069f = {a:1}|if = {a:1}|this = {a:1}|1 = {a:1}|(a, b) = {a:1}|"
                       u"[a] = {a:1}|undefined.x = {a:1}|a?.b = {a:1}"_s);
    row("duplicate __proto__", u"{__proto__:1, '__proto__':2}"_s);
    // A real engine refuses these before running anything.
    row("comma or assignment as a target",
        u"(0, a) = {province:'x', catName:'中国移动', telString:1}|({}, a) = {}|(1, this.a) = {}|"
        u"a = (0, b) = {}|{province: (0, a) = 'x'}|(a = 1) = 2|0, a) = ({province:'p'}"_s);
    // Each of these changes what the literals read, or fails, in a real engine.
    row("members of global names",
        u"Object.prototype.province = 'x', {}|{catName: Object.prototype.province = 'x'}|"
        u"Function.prototype.caller = {}|Object.prototype.__proto__ = {}|"
        u"Array.prototype.length = {}|this.zone = {}|globalThis.a = {}|window['x'] = {}|"
        u"NaN.x = {}|s.__proto__ = {}|arguments[0] = {}|toString.x = {}|\u004fbject.x = {}"_s);
    row("members through shared prototypes",
        u"a.__proto__.province = 'x', {}|a['__proto__'].b = {}|a.constructor.c = {}|"
        u"a.prototyp\u0065.x = {}|a[('prototype')] = {}|a[['__proto__']] = {}|a[{}] = {}"_s);
    row("members of names the answer assigns",
        u"a = [], a.length = -1, {}|a.x = 1, a = {}|a = b = {}, b.c = 1|\u0061 = 1, a.x = 2|"
        u"a.x = (a = {})|a[b = 1] = b.c = {}|__proto__ = {a: null}, a.x = 1, {}"_s);
    row("not blanks or comments", u"{a\u0085:1}|{a:1}\u200B|-->x\n{a:1}|<!--x\n{a:1}"_s);
}

void TestAnswerEvaluator::refuses() {
    QFETCH(QStringList, answers);
    for (const QString &answer : answers) {
        jsliteral::EvaluationError error;
        QVERIFY2(!jsliteral::EvaluateParenthesized(answer, {}, &error), qPrintable(answer));
        QVERIFY2(!error.message.isEmpty(), qPrintable(answer));
        QVERIFY2(error.position >= 0 && error.position <= answer.size(), qPrintable(answer));
        QVERIFY2(!EvaluateAnswerProperties(answer, kZoneNames), qPrintable(answer));
    }
}

void TestAnswerEvaluator::nestingLimit() {
    const int max = jsliteral::kMaxNesting;
    for (const auto &[open, close] :
         {std::pair{u"{a:"_s, u"}"_s}, std::pair{u"["_s, u"]"_s}, std::pair{u"("_s, u")"_s}}) {
        for (int depth : {max, max + 1})
            QCOMPARE(jsliteral::EvaluateParenthesized(
                         open.repeated(depth) + u"1"_s + close.repeated(depth), {})
                         .has_value(),
                     depth == max);
    }
    // The zone object itself at the limit: the wrapping parenthesis counts.
    const QString deep = u"("_s.repeated(max - 1) + u"{province:'p'}"_s + u")"_s.repeated(max - 1);
    QCOMPARE(Texts(EvaluateAnswerProperties(deep, kZoneNames)), Words(u"p ~"_s));
    QVERIFY(!EvaluateAnswerProperties(u"("_s + deep + u")"_s, kZoneNames));
    // Member brackets count as well.
    QVERIFY(!jsliteral::EvaluateParenthesized(
        u"a"_s + u"[("_s.repeated(40) + u"1"_s + u")]"_s.repeated(40) + u" = {}"_s, {}));
}

void TestAnswerEvaluator::hostileSizesAreRefused_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("100,000 nested braces") << u"{a:"_s.repeated(100'000);
    QTest::newRow("100,000 nested braces, closed")
        << u"{a:"_s.repeated(100'000) + u"1"_s + u"}"_s.repeated(100'000);
    QTest::newRow("100,000 parentheses")
        << u"("_s.repeated(100'000) + u"{}"_s + u")"_s.repeated(100'000);
    QTest::newRow("100,000 signs") << u"- "_s.repeated(100'000) + u"{}"_s;
    QTest::newRow("1 MiB unterminated string") << u"{a:'"_s + QString(1024 * 1024, u'x');
    QTest::newRow("1 MiB unterminated comment") << u"{a:1 /*"_s + QString(1024 * 1024, u'*');
    QTest::newRow("long assignment chain, then a call") << u"a = "_s.repeated(200'000) + u"f()"_s;
}

void TestAnswerEvaluator::hostileSizesAreRefused() {
    QFETCH(QString, answer);
    QVERIFY(!EvaluateAnswerProperties(answer, kZoneNames));
}

void TestAnswerEvaluator::lengthLimit() {
    // An answer of the greatest length is read whole; one unit more is refused unread.
    const QString head = u"zone = {n:1.5e-3, province:'"_s, tail = u"', 'n':'last'}"_s;
    const QString text(jsliteral::kMaxSourceLength - head.size() - tail.size(), u'北');
    const QString answer = head + text + tail;
    QCOMPARE(Texts(EvaluateAnswerProperties(answer, {u"province"_s, u"n"_s})),
             (QStringList{text, u"last"_s}));
    QVERIFY(!EvaluateAnswerProperties(answer + u' ', kZoneNames));

    // As long, of holes: the length and the elements asked for still come out right.
    const QString holesHead = u"{province:'p', __proto__:[0, "_s, holesTail = u"'far']}"_s;
    const qsizetype holes = jsliteral::kMaxSourceLength - holesHead.size() - holesTail.size();
    const QString holesAnswer = holesHead + QString(holes, u',') + holesTail;
    const QString far = QString::number(holes + 1);
    QCOMPARE(Texts(EvaluateAnswerProperties(holesAnswer,
                                            {u"province"_s, u"length"_s, u"0"_s, u"1"_s, far})),
             (QStringList{u"p"_s, QString::number(holes + 2), u"0"_s, kAbsent, u"far"_s}));
}

// Runs the answers through node, each in a fresh context as the script
// engine's function j(s) { return eval('(' + s + ')'); }, and compares every
// answer the evaluator accepts. The evaluator may refuse more than a real
// engine does; where it accepts, it must give the same texts. A member
// assignment on an undeclared name fails in a real engine with a
// ReferenceError and is accepted here by design.
void TestAnswerEvaluator::agreesWithNode() {
    const QString node = QStandardPaths::findExecutable(u"node"_s);
    if (node.isEmpty())
        QSKIP("node is not installed");
    AnswerGenerator generator;
    QJsonArray answers;
    for (int i = 0; i < 800; ++i)
        answers.append(generator.Answer());
    const QString script = uR"js(
const vm = require('vm');
const out = JSON.parse(require('fs').readFileSync(0, 'utf8')).map(a => {
  try {
    const v = vm.runInNewContext("function j(s) { return eval('(' + s + ')'); } j(" +
                                 JSON.stringify(a) + ")", {}, {timeout: 1000});
    if (v === null || typeof v !== 'object' || Array.isArray(v)) return {t: 'value'};
    const text = p => ['string', 'number', 'boolean'].includes(typeof p) ? String(p) : null;
    return {t: 'object', p: text(v.province), c: text(v.catName)};
  } catch (e) { return {t: e.name}; }
});
process.stdout.write(JSON.stringify(out));)js"_s;
    QProcess process;
    process.start(node, {u"-e"_s, script});
    process.write(QJsonDocument(answers).toJson(QJsonDocument::Compact));
    process.closeWriteChannel();
    QVERIFY2(process.waitForFinished(60'000), "node did not finish");
    const QJsonArray results = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    QCOMPARE(results.size(), answers.size());
    int compared = 0;
    for (qsizetype i = 0; i < answers.size(); ++i) {
        const QString answer = answers[i].toString();
        const auto ours = EvaluateAnswerProperties(answer, kZoneNames);
        const QJsonObject theirs = results[i].toObject();
        const QString outcome = theirs[u"t"_s].toString();
        if (!ours || outcome == u"ReferenceError")
            continue;
        QVERIFY2(outcome == u"object", qPrintable(answer + u" -> "_s + outcome));
        const auto text = [](const QJsonValue &v) {
            return v.isNull() ? kAbsent : v.toString();
        };
        QCOMPARE(Texts(ours), (QStringList{text(theirs[u"p"_s]), text(theirs[u"c"_s])}));
        ++compared;
    }
    // The comparison means something only if it covers a good part of the answers.
    QVERIFY2(compared > answers.size() / 4, qPrintable(QString::number(compared)));
}

QTEST_GUILESS_MAIN(TestAnswerEvaluator)
#include "tst_answerevaluator.moc"
