// The answer evaluator as the client uses it: texts, greatest and hostile sizes, and a
// comparison with node (the lexer, grammar and number text: tst_jslexer, tst_jsliteral, ...).

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

// Empty for a refused answer.
QStringList Texts(const std::optional<QList<EvaluatedProperty>> &result) {
    QStringList out;
    for (const EvaluatedProperty &p : result.value_or(QList<EvaluatedProperty>{}))
        out.append(p.present ? p.text : kAbsent);
    return out;
}

// Random answers in the shapes the evaluator knows, valid or nearly so.
class AnswerGenerator {
public:
    QString Answer() {
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

private Q_SLOTS:
    void evaluates_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected"); // empty: the value is not an object
        const auto row = [](const char *name, const QString &answer, const QStringList &names,
                            const QStringList &expected) {
            QTest::newRow(name) << answer << names << expected;
        };
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
    }

    void evaluates() {
        QFETCH(QString, answer);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        jsliteral::EvaluationError error;
        QVERIFY2(jsliteral::EvaluateParenthesized(answer, {}, &error),
                 qPrintable(error.message + u" at "_s + QString::number(error.position)));
        QCOMPARE(Texts(EvaluateAnswerProperties(answer, names)), expected);
    }

    void hostileSizesAreRefused_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("100,000 nested braces") << u"{a:"_s.repeated(100'000);
        QTest::newRow("100,000 parentheses")
            << u"("_s.repeated(100'000) + u"{}"_s + u")"_s.repeated(100'000);
        QTest::newRow("100,000 signs") << u"- "_s.repeated(100'000) + u"{}"_s;
        QTest::newRow("1 MiB unterminated string") << u"{a:'"_s + QString(1024 * 1024, u'x');
        QTest::newRow("1 MiB unterminated comment") << u"{a:1 /*"_s + QString(1024 * 1024, u'*');
        QTest::newRow("long assignment chain, then a call")
            << u"a = "_s.repeated(200'000) + u"f()"_s;
    }

    void hostileSizesAreRefused() {
        QFETCH(QString, answer);
        QVERIFY(!EvaluateAnswerProperties(answer, kZoneNames));
    }

    void lengthLimit() {
        const QString head = u"zone = {n:1.5e-3, province:'"_s, tail = u"', 'n':'last'}"_s;
        const QString text(jsliteral::kMaxSourceLength - head.size() - tail.size(), u'北');
        const QString answer = head + text + tail;
        QCOMPARE(Texts(EvaluateAnswerProperties(answer, {u"province"_s, u"n"_s})),
                 (QStringList{text, u"last"_s}));
        QVERIFY(!EvaluateAnswerProperties(answer + u' ', kZoneNames));

        // As long, of array holes.
        const QString holesHead = u"{province:'p', __proto__:[0, "_s, holesTail = u"'far']}"_s;
        const qsizetype holes = jsliteral::kMaxSourceLength - holesHead.size() - holesTail.size();
        const QString holesAnswer = holesHead + QString(holes, u',') + holesTail;
        const QString far = QString::number(holes + 1);
        QCOMPARE(Texts(EvaluateAnswerProperties(holesAnswer,
                                                {u"province"_s, u"length"_s, u"0"_s, u"1"_s, far})),
                 (QStringList{u"p"_s, QString::number(holes + 2), u"0"_s, kAbsent, u"far"_s}));
    }

    // Where the evaluator accepts, node's eval('(' + s + ')') gives the same texts (but for a
    // ReferenceError: a member assignment on an undeclared name is accepted by design).
    void agreesWithNode() {
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
        QVERIFY2(compared > answers.size() / 4, qPrintable(QString::number(compared)));
    }
};

QTEST_GUILESS_MAIN(TestAnswerEvaluator)
#include "tst_answerevaluator.moc"
