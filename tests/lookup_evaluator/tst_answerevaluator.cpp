// The answer evaluator: the literal expressions it accepts, the values it
// gives as text, what it refuses, that no answer can hang or crash it, and a
// differential check against node's eval('(' + s + ')') on a generated corpus.

#include "lookup/answerevaluator.h"
#include "lookup/jsliteral.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QStringList ZoneNames = {QStringLiteral("province"), QStringLiteral("catName")};

// Expected texts: a null QString stands for "not present".
const QString Absent;

// The texts of the properties, with a null QString for each one not present
// (a present text is never null); an empty list for a refused answer.
QStringList Texts(const std::optional<QList<EvaluatedProperty>> &result) {
    QStringList out;
    if (!result)
        return out;
    for (const EvaluatedProperty &p : *result) {
        if (p.present && p.text.isNull())
            return {u"<present but null>"_s};
        out.append(p.present ? p.text : QString());
    }
    return out;
}

QString Describe(const QStringList &texts) {
    QStringList parts;
    for (const QString &t : texts)
        parts.append(t.isNull() ? QStringLiteral("<absent>") : u'"' + t + u'"');
    return parts.join(u", "_s);
}

QString U(char32_t cp) {
    return QString::fromUcs4(&cp, 1);
}

QString Hex(QStringView text) {
    QString out;
    out.reserve(text.size() * 4);
    for (QChar ch : text)
        out += QStringLiteral("%1").arg(ch.unicode(), 4, 16, QChar(u'0'));
    return out;
}

QString FromHex(const QString &hex) {
    QString out;
    for (qsizetype i = 0; i + 4 <= hex.size(); i += 4)
        out.append(QChar(char16_t(hex.mid(i, 4).toUInt(nullptr, 16))));
    return out;
}

const char RealAnswer[] = "__GetZoneResult_ = {\n"
                          "    mts:'1380013',\n"
                          "    province:'北京',\n"
                          "    catName:'中国移动',\n"
                          "    telString:'13800138000',\n"
                          "\tareaVid:'30517',\n"
                          "\tcarrier:'北京移动'\n"
                          "}\n";

// A small deterministic generator (splitmix64), so the corpus is the same on
// every machine.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T &pick(const QList<T> &list) {
        return list[below(int(list.size()))];
    }

private:
    std::uint64_t m_state;
};

// Generates answers within the accepted grammar.
class CorpusGenerator {
public:
    explicit CorpusGenerator(std::uint64_t seed)
        : m_rng(seed) {}

    QString answer() {
        m_depth = 0;
        QString out = ws();
        static const QStringList prefixes = {
            u""_s,
            u""_s,
            u"zone ="_s,
            u"__GetZoneResult_ ="_s,
            u"a = b ="_s,
            u"(x) ="_s,
            u"$ ="_s,
            u"省份 ="_s,
            u"x = (y) ="_s,
            u"0,"_s,
            u"'s',"_s,
            u"this.x ="_s,
            u"undefined ="_s,
            u"let ="_s,
            u"_ = $$ ="_s,
            u"\\u0061bc ="_s,
        };
        const QString prefix = m_rng.pick(prefixes);
        // Tokens of a prefix are separated by single blanks; put any blank there.
        for (const QString &part : prefix.split(u' ', Qt::SkipEmptyParts))
            out += part + ws();
        const bool parenthesized = m_rng.chance(15);
        if (parenthesized)
            out += u'(' + ws();
        out += zoneObject();
        if (parenthesized)
            out += ws() + u')';
        if (m_rng.chance(5))
            out += ws() + u',' + ws() + m_rng.pick(QStringList{u"[]"_s, u"5"_s, u"{}"_s});
        out += ws();
        return out;
    }

private:
    // Blanks, line breaks and comments between tokens, often nothing.
    QString ws() {
        if (m_rng.chance(55))
            return {};
        static const QStringList pool = {
            u" "_s,
            u"  "_s,
            u"\t"_s,
            u"\n"_s,
            u"\r\n"_s,
            u"\r"_s,
            u"\v\f"_s,
            U(0x00A0),
            U(0xFEFF),
            U(0x3000),
            U(0x2028),
            U(0x2029),
            U(0x1680),
            U(0x2003),
            U(0x200A),
            U(0x202F),
            U(0x205F),
            u"/* c */"_s,
            u"/* two\nlines */"_s,
            u"/**/"_s,
            u"// line\n"_s,
            u"//\r"_s,
            u"// x"_s + U(0x2028),
            u"\n\t\t"_s,
        };
        QString out = m_rng.pick(pool);
        if (m_rng.chance(20))
            out += m_rng.pick(pool);
        return out;
    }

    QString key(const QString &name) {
        switch (m_rng.below(7)) {
        case 0:
        case 1:
            return name;
        case 2:
            return u'\'' + name + u'\'';
        case 3:
            return u'"' + name + u'"';
        case 4: // an escaped letter in a bare key
            return name.left(2) +
                   QStringLiteral("\\u%1").arg(name[2].unicode(), 4, 16, QChar(u'0')) + name.mid(3);
        case 5:
            return u"\\u{"_s + QString::number(name[0].unicode(), 16) + u'}' + name.mid(1);
        default: // an escape inside a quoted key
            return u'\'' + name.left(1) +
                   QStringLiteral("\\x%1").arg(name[1].unicode(), 2, 16, QChar(u'0')) +
                   name.mid(2) + u'\'';
        }
    }

    QString extraKey() {
        static const QStringList keys = {
            u"mts"_s,     u"telString"_s, u"areaVid"_s, u"carrier"_s,  u"'tel string'"_s,
            u"\"a-b\""_s, u"$x"_s,        u"_y"_s,      u"地区"_s,     u"ñ"_s,
            u"if"_s,      u"new"_s,       u"true"_s,    u"null"_s,     u"get"_s,
            u"1"_s,       u"0x1F"_s,      u"1.5"_s,     u"1e3"_s,      u".5"_s,
            u"010"_s,     u"1_0"_s,       u"''"_s,      u"a\u200Cb"_s, u"x\\u0079"_s,
        };
        return m_rng.pick(keys);
    }

    QString stringLiteral() {
        const QChar quote = m_rng.chance(50) ? u'\'' : u'"';
        const QChar other = quote == u'\'' ? u'"' : u'\'';
        QString out = quote;
        const int pieces = m_rng.below(7);
        static const QStringList plain = {
            u"北京"_s, u"中国移动"_s, u"联通"_s, u"电信"_s, u"abc"_s, u"XYZ"_s, u" "_s,
            u"0123"_s, u"-_$"_s,      u"\t"_s,   u"😀"_s,    u"/"_s,   u"//"_s,  u"/*"_s,
        };
        static const QStringList escapes = {
            u"\\n"_s,
            u"\\t"_s,
            u"\\r"_s,
            u"\\b"_s,
            u"\\f"_s,
            u"\\v"_s,
            u"\\0"_s,
            u"\\'"_s,
            u"\\\""_s,
            u"\\\\"_s,
            u"\\q"_s,
            u"\\Z"_s,
            u"\\中"_s,
            u"\\8"_s,
            u"\\9"_s,
            u"\\1"_s,
            u"\\12"_s,
            u"\\123"_s,
            u"\\377"_s,
            u"\\400"_s,
            u"\\08"_s,
            u"\\\n"_s,
            u"\\\r\n"_s,
            u"\\\r"_s,
            u"\\/"_s,
            u"\\u{0}"_s,
            u"\\u{10FFFF}"_s,
            u"\\u{000041}"_s,
            u"\\uD83D\\uDE00"_s,
            u"\\uD800"_s,
        };
        for (int i = 0; i < pieces; ++i) {
            switch (m_rng.below(8)) {
            case 0:
            case 1:
            case 2:
                out += m_rng.pick(plain);
                break;
            case 3:
                out += m_rng.pick(escapes);
                break;
            case 4:
                out += QStringLiteral("\\x%1").arg(m_rng.below(256), 2, 16, QChar(u'0'));
                break;
            case 5:
                out += QStringLiteral("\\u%1").arg(m_rng.below(0x10000), 4, 16, QChar(u'0'));
                break;
            case 6:
                out += QStringLiteral("\\u{%1}").arg(m_rng.below(0x110000), 0, 16);
                break;
            default:
                out += m_rng.chance(50) ? QString(other) : u"\\"_s + U(0x2028) + U(0x2029);
                break;
            }
        }
        out += quote;
        return out;
    }

    QString digits(int count, const char *alphabet, int radix, bool separators) {
        QString out;
        for (int i = 0; i < count; ++i) {
            if (separators && i > 0 && m_rng.chance(15))
                out += u'_';
            out += QChar(alphabet[m_rng.below(radix)]);
        }
        return out;
    }

    QString numberLiteral() {
        static const char dec[] = "0123456789";
        static const char hex[] = "0123456789abcdefABCDEF";
        const bool sep = m_rng.chance(20);
        switch (m_rng.below(14)) {
        case 0:
            return QString::number(m_rng.below(1000000));
        case 1:
            return QString(QChar(u'1' + m_rng.below(9))) + digits(m_rng.below(25), dec, 10, sep);
        case 2:
            return digits(1 + m_rng.below(4), "123456789", 9, false) + u'.' +
                   digits(m_rng.below(20), dec, 10, sep);
        case 3:
            return u'.' + digits(1 + m_rng.below(8), dec, 10, sep);
        case 4: {
            const QString mant = m_rng.chance(50)
                                     ? QString::number(1 + m_rng.below(99))
                                     : u"1."_s + digits(1 + m_rng.below(5), dec, 10, false);
            static const QStringList signs = {u""_s, u"+"_s, u"-"_s};
            return mant + (m_rng.chance(50) ? u'e' : u'E') + m_rng.pick(signs) +
                   QString::number(m_rng.below(340));
        }
        case 5:
            return (m_rng.chance(50) ? u"0x"_s : u"0X"_s) +
                   digits(1 + m_rng.below(20), hex, 22, sep);
        case 6:
            return (m_rng.chance(50) ? u"0o"_s : u"0O"_s) +
                   digits(1 + m_rng.below(25), "01234567", 8, sep);
        case 7:
            return (m_rng.chance(50) ? u"0b"_s : u"0B"_s) +
                   digits(1 + m_rng.below(70), "01", 2, sep);
        case 8: // legacy octal
            return u'0' + digits(1 + m_rng.below(22), "01234567", 8, false);
        case 9: // legacy decimal: a leading 0 and an 8 or 9 somewhere
            return u'0' + digits(m_rng.below(4), dec, 10, false) + u'9' +
                   digits(m_rng.below(3), dec, 10, false) + (m_rng.chance(30) ? u".5"_s : u""_s);
        case 10: {
            static const QStringList special = {
                u"0"_s,
                u"0.0"_s,
                u"1e21"_s,
                u"1e-7"_s,
                u"1.5e-7"_s,
                u"0.000001"_s,
                u"0.1"_s,
                u"100"_s,
                u"9007199254740993"_s,
                u"1e400"_s,
                u"1e-400"_s,
                u"5e-324"_s,
                u"2.4703282292062328e-324"_s,
                u"1.7976931348623157e308"_s,
                u"123456789012345678901234567890"_s,
                u"0.30000000000000004"_s,
                u"NaN"_s,
                u"Infinity"_s,
                u"5."_s,
                u"0e0"_s,
                u"0x20000000000001"_s,
                u"0x20000000000003"_s,
                u"0x1fffffffffffff8"_s,
                u"1_000_000"_s,
                u"0.1_2e1_0"_s,
            };
            return m_rng.pick(special);
        }
        case 11:
            return digits(1 + m_rng.below(3), "123456789", 9, false) + u'e' + u'-' +
                   QString::number(300 + m_rng.below(30));
        case 12:
            return u"0."_s + QString(m_rng.below(9), u'0') +
                   digits(1 + m_rng.below(6), dec, 10, false);
        default:
            return QString::number(1 + m_rng.below(9)) + QString(m_rng.below(25), u'0');
        }
    }

    QString signedNumber() {
        QString out;
        const int signs = m_rng.chance(30) ? 1 + m_rng.below(3) : 0;
        for (int i = 0; i < signs; ++i)
            out += QString(m_rng.chance(60) ? u'-' : u'+') +
                   (m_rng.chance(50) ? u" "_s : ws() + u" "_s);
        if (m_rng.chance(10))
            return out + u'(' + ws() + numberLiteral() + ws() + u')';
        return out + numberLiteral();
    }

    QString value(bool forZone) {
        const int roll = m_rng.below(100);
        if (forZone ? roll < 70 : roll < 35)
            return stringLiteral();
        if (roll < 82)
            return signedNumber();
        if (roll < 85)
            return m_rng.chance(50) ? u"true"_s : u"false"_s;
        if (roll < 87)
            return m_rng.pick(QStringList{u"null"_s, u"undefined"_s, u"\\u0075ndefined"_s});
        if (roll < 90)
            return u'(' + ws() + value(forZone) + ws() + u')';
        if (roll < 92)
            return u'(' + ws() + value(false) + ws() + u',' + ws() + value(forZone) + ws() + u')';
        if (roll < 95 && m_depth < 6)
            return array();
        if (m_depth < 6)
            return nestedObject();
        return stringLiteral();
    }

    QString array() {
        ++m_depth;
        QString out = u'[' + ws();
        const int n = m_rng.below(5);
        for (int i = 0; i < n; ++i) {
            if (!m_rng.chance(15))
                out += value(false) + ws();
            if (i + 1 < n || m_rng.chance(30))
                out += u',' + ws();
        }
        --m_depth;
        return out + u']';
    }

    QString nestedObject() {
        ++m_depth;
        QString out = u'{' + ws();
        const int n = m_rng.below(4);
        for (int i = 0; i < n; ++i) {
            out += extraKey() + ws() + u':' + ws() + value(false) + ws();
            if (i + 1 < n || m_rng.chance(30))
                out += u',' + ws();
        }
        --m_depth;
        return out + u'}';
    }

    QString zoneObject() {
        QStringList members;
        const int extras = m_rng.below(5);
        for (int i = 0; i < extras; ++i)
            members.append(extraKey() + ws() + u':' + ws() + value(false));
        for (const QString &name : ZoneNames) {
            if (m_rng.chance(4))
                continue; // missing
            QString member = key(name) + ws() + u':' + ws() + value(true);
            if (m_rng.chance(8)) // inherited from a prototype instead
                member = u"__proto__"_s + ws() + u':' + ws() + u'{' + member + u'}';
            if (m_rng.chance(10)) // a duplicate: the last one wins
                members.insert(m_rng.below(int(members.size()) + 1),
                               key(name) + ws() + u':' + ws() + value(true));
            members.insert(m_rng.below(int(members.size()) + 1), member);
        }
        // One __proto__ at most (a second one is an error).
        bool seenProto = false;
        for (qsizetype i = 0; i < members.size(); ++i) {
            if (members[i].startsWith(u"__proto__"_s)) {
                if (seenProto)
                    members[i] = members[i].mid(9).prepend(u"'x'"_s);
                seenProto = true;
            }
        }
        QString out = u'{' + ws();
        for (qsizetype i = 0; i < members.size(); ++i) {
            out += members[i] + ws();
            if (i + 1 < members.size() || m_rng.chance(30))
                out += u',' + ws();
        }
        return out + u'}';
    }

    Random m_rng;
    int m_depth = 0;
};

// One small change that may make an answer invalid.
QString Mutate(QString text, Random &rng) {
    static const QStringList inserts = {
        u";"_s,     u"+"_s,
        u")"_s,     u"("_s,
        u"'"_s,     u"\""_s,
        u"\n"_s,    u"\\"_s,
        u"*"_s,     u"/"_s,
        u"="_s,     u"."_s,
        u"_"_s,     u"n"_s,
        u"0"_s,     u"x"_s,
        u"-"_s,     u","_s,
        u"{"_s,     u"}"_s,
        u"["_s,     u"]"_s,
        u":"_s,     u"`"_s,
        u"//"_s,    u"/*"_s,
        u"e"_s,     u"\\u"_s,
        u"_s\\x"_s, u"var "_s,
        u"1"_s,     u"<!--"_s,
        u"\r"_s,    u"__proto__:1,"_s,
    };
    const int at = text.isEmpty() ? 0 : rng.below(int(text.size()));
    switch (rng.below(3)) {
    case 0:
        return text.left(at);
    case 1:
        return text.remove(at, 1);
    default:
        return text.insert(at, rng.pick(inserts));
    }
}

QString FindNode() {
    QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty() && QFileInfo::exists(QStringLiteral("/usr/bin/node")))
        node = QStringLiteral("/usr/bin/node");
    return node;
}

// Evaluates every text with node the way the original program's script engine
// did, each in a fresh context. For each: {ok:false, error} or {ok:true,
// kind: "object"|"array"|"other", p, c, defined} with p and c the hex of
// String(v.province) / String(v.catName) when that is a string, number or
// boolean, else null.
//
// Our evaluator accepts member targets ("a.b = {...}") without an
// environment, where node fails with a ReferenceError on the undeclared base.
// So after a ReferenceError the text runs again in a context that defines the
// missing name as an object taking any member ("defined" lists such names);
// a name read as a value then reads as an object, which has no text.
const char NodeScript[] = R"JS(
'use strict';
const fs = require('fs');
const vm = require('vm');
const fromHex = (h) => { let s = ''; for (let i = 0; i + 4 <= h.length; i += 4) s += String.fromCharCode(parseInt(h.substr(i, 4), 16)); return s; };
const toHex = (s) => { let h = ''; for (let i = 0; i < s.length; ++i) h += s.charCodeAt(i).toString(16).padStart(4, '0'); return h; };
const text = (x) => (typeof x === 'string' || typeof x === 'number' || typeof x === 'boolean') ? toHex(String(x)) : null;
const anything = () => new Proxy({}, { get: (t, k) => (typeof k === 'symbol' ? undefined : anything()), set: () => true });
// Every line is "x" and the hex of the text's UTF-16 code units.
const lines = fs.readFileSync(process.argv[2], 'latin1').split('\n').filter((l) => l.startsWith('x'));
const out = [];
for (const line of lines) {
  const s = fromHex(line.slice(1).trim());
  const defined = [];
  let verdict;
  for (;;) {
    const sandbox = { s };
    for (const name of defined) sandbox[name] = anything();
    try {
      const v = vm.runInNewContext("function j(s) { return eval('(' + s + ')'); } j(s)", sandbox, { timeout: 2000 });
      const kind = (v !== null && typeof v === 'object') ? (Array.isArray(v) ? 'array' : 'object') : 'other';
      verdict = kind === 'object' ? { ok: true, kind, p: text(v.province), c: text(v.catName) } : { ok: true, kind };
      verdict.defined = defined;
    } catch (e) {
      const missing = e && e.name === 'ReferenceError' && /^(.+) is not defined$/.exec(e.message);
      if (missing && defined.length < 10 && !defined.includes(missing[1])) {
        defined.push(missing[1]);
        continue;
      }
      verdict = { ok: false, error: String(e && e.name) + ': ' + String(e && e.message) };
    }
    break;
  }
  out.push(verdict);
}
fs.writeFileSync(process.argv[3], JSON.stringify(out));
)JS";

} // namespace

class TestAnswerEvaluator : public QObject {
    Q_OBJECT

private slots:
    void evaluates_data();
    void evaluates();
    void sameValuesInEveryNotation();
    void numbersAsText_data();
    void numbersAsText();
    void notAnObject_data();
    void notAnObject();
    void refuses_data();
    void refuses();
    void nestingLimit();
    void hostileSizesAreRefusedQuickly_data();
    void hostileSizesAreRefusedQuickly();
    void largeAnswerIsLinear();
    void agreesWithNode();
};

void TestAnswerEvaluator::evaluates_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    const QStringList zone = ZoneNames;
    QTest::newRow("real shape") << QString::fromUtf8(RealAnswer)
                                << QStringList{u"province"_s, u"catName"_s, u"telString"_s,
                                               u"areaVid"_s,  u"carrier"_s, u"mts"_s}
                                << QStringList{u"北京"_s,  u"中国移动"_s, u"13800138000"_s,
                                               u"30517"_s, u"北京移动"_s, u"1380013"_s};
    QTest::newRow("real shape, CRLF") << QString::fromUtf8(RealAnswer).replace(u"\n"_s, u"\r\n"_s)
                                      << zone << QStringList{u"北京"_s, u"中国移动"_s};
    QTest::newRow("missing name") << u"{province:'x'}"_s << QStringList{u"province"_s, u"catName"_s}
                                  << QStringList{u"x"_s, Absent};
    QTest::newRow("empty string is present")
        << u"{province:''}"_s << QStringList{u"province"_s} << QStringList{u""_s};
    QTest::newRow("null, undefined, object, array absent")
        << u"{a:null, b:undefined, c:{x:1}, d:[1,2], e:[], f:{}}"_s
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}
        << QStringList{Absent, Absent, Absent, Absent, Absent, Absent};
    QTest::newRow("booleans") << u"{a:true, b:false}"_s << QStringList{u"a"_s, u"b"_s}
                              << QStringList{u"true"_s, u"false"_s};
    QTest::newRow("inherited names absent")
        << u"{a:1}"_s
        << QStringList{u"toString"_s, u"constructor"_s, u"__proto__"_s, u"hasOwnProperty"_s}
        << QStringList{Absent, Absent, Absent, Absent};

    // Strings and escapes.
    QTest::newRow("simple escapes") << uR"({a:'\n\t\r\b\f\v\0\'\"\\'})"_s << QStringList{u"a"_s}
                                    << QStringList{u"\n\t\r\b\f\v"_s + QChar(0) + u"'\"\\"_s};
    QTest::newRow("hex and unicode escapes")
        << uR"({a:"\x41\u0042\u{43}\u{1F600}\u4e2d\uD83D\uDE00"})"_s << QStringList{u"a"_s}
        << QStringList{u"ABC😀中😀"_s};
    QTest::newRow("lone surrogate escape") << uR"({a:'\uD800x'})"_s << QStringList{u"a"_s}
                                           << QStringList{QString(QChar(0xD800)) + u'x'};
    QTest::newRow("unknown escapes stand for themselves")
        << uR"({a:'\q\Z\中\/\8\9'})"_s << QStringList{u"a"_s} << QStringList{u"qZ中/89"_s};
    QTest::newRow("legacy octal escapes")
        << uR"({a:'\101\1\12\377\400\08'})"_s << QStringList{u"a"_s}
        << QStringList{u"A"_s + QChar(1) + QChar(10) + QChar(0xFF) + QChar(0x20) + u'0' + QChar(0) +
                       u'8'};
    QTest::newRow("line continuations") << u"{a:'x\\\ny\\\r\nz\\\rw\\\u2028v\\\u2029u'}"_s
                                        << QStringList{u"a"_s} << QStringList{u"xyzwvu"_s};
    QTest::newRow("U+2028 raw inside a string")
        << u"{a:'x\u2028y'}"_s << QStringList{u"a"_s} << QStringList{u"x\u2028y"_s};
    QTest::newRow("other quote inside")
        << uR"({a:"it's", b:'say "hi"'})"_s << QStringList{u"a"_s, u"b"_s}
        << QStringList{u"it's"_s, u"say \"hi\""_s};
    QTest::newRow("comment-like text in a string")
        << uR"({a:'/* x */ // y'})"_s << QStringList{u"a"_s} << QStringList{u"/* x */ // y"_s};

    // Keys.
    QTest::newRow("key styles") << uR"({a:1, 'b':2, "c":3, $d:4, _e:5, 省份:6, ñ:7, if:8, new:9})"_s
                                << QStringList{u"a"_s,    u"b"_s, u"c"_s,  u"$d"_s, u"_e"_s,
                                               u"省份"_s, u"ñ"_s, u"if"_s, u"new"_s}
                                << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s,
                                               u"6"_s, u"7"_s, u"8"_s, u"9"_s};
    QTest::newRow("numeric keys")
        << u"{1:'a', 0x10:'b', 1.50:'c', 1e3:'d', .5:'e', 010:'f', 1e400:'g'}"_s
        << QStringList{u"1"_s,   u"16"_s, u"1.5"_s,      u"1000"_s,
                       u"0.5"_s, u"8"_s,  u"Infinity"_s, u"1.50"_s}
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, Absent};
    QTest::newRow("escaped keys") << uR"({pro\u0076ince:'p', \u{63}atName:'c', 'a\x62':1})"_s
                                  << QStringList{u"province"_s, u"catName"_s, u"ab"_s}
                                  << QStringList{u"p"_s, u"c"_s, u"1"_s};
    QTest::newRow("supplementary letter in a key")
        << u"{𠀀x:1}"_s << QStringList{u"𠀀x"_s} << QStringList{u"1"_s};
    QTest::newRow("duplicate keys, last wins")
        << u"{a:1, b:'x', a:2, 'a':3, b:null, \"c\":1, c:'z'}"_s
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"3"_s, Absent, u"z"_s};
    QTest::newRow("duplicate numeric keys")
        << u"{1:1, '1':2, 1.0:3}"_s << QStringList{u"1"_s} << QStringList{u"3"_s};
    QTest::newRow("trailing commas")
        << u"{a:[1,,2,], b:'x',}"_s << QStringList{u"a"_s, u"b"_s} << QStringList{Absent, u"x"_s};
    QTest::newRow("__proto__ object is inherited")
        << u"{__proto__:{province:'p', catName:'c'}, catName:'own'}"_s << zone
        << QStringList{u"p"_s, u"own"_s};
    QTest::newRow("__proto__ quoted and escaped")
        << uR"({'__prot\u006f__':{province:'p'}})"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("__proto__ primitive is ignored")
        << u"{__proto__:'x', a:1}"_s << QStringList{u"__proto__"_s, u"a"_s}
        << QStringList{Absent, u"1"_s};
    QTest::newRow("__proto__ array")
        << u"{__proto__:[5,,'x']}"_s << QStringList{u"0"_s, u"1"_s, u"2"_s, u"length"_s, u"00"_s}
        << QStringList{u"5"_s, Absent, u"x"_s, u"3"_s, Absent};
    QTest::newRow("__proto__ chain")
        << u"{__proto__:{__proto__:{a:'deep'}}}"_s << QStringList{u"a"_s} << QStringList{u"deep"_s};

    // Blanks and comments.
    QTest::newRow("JavaScript white space")
        << u"\uFEFF\u00A0{\u3000a\u1680:\u2003'x'\u202F,\u205F\u2028b\u2029:\v\f1\r}\u2000"_s
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"x"_s, u"1"_s};
    QTest::newRow("comments")
        << u"/* head */{ // line\n a /* k */ : /**/ 'x' // end\r}/* tail */\n// last\n"_s
        << QStringList{u"a"_s} << QStringList{u"x"_s};
    QTest::newRow("line comment ended by U+2028")
        << u"{a:1 // c\u2028}"_s << QStringList{u"a"_s} << QStringList{u"1"_s};

    // Expressions around the object.
    QTest::newRow("assignment") << u"zone = {province:'p'}"_s << zone
                                << QStringList{u"p"_s, Absent};
    QTest::newRow("assignment chain")
        << u"a = b = c = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("member targets")
        << u"a.b = c = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("bracket member target")
        << u"window['x'] = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("this member target")
        << u"this.zone = window.a[0].b = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("keyword member name")
        << u"a.if.new = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("parenthesized targets")
        << u"(x) = ((y)) = (a.b) = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("sloppy-mode names as targets")
        << u"let = yield = await = undefined = NaN = eval = static = {province:'p'}"_s << zone
        << QStringList{u"p"_s, Absent};
    QTest::newRow("parentheses") << u"((({province:'p'})))"_s << zone
                                 << QStringList{u"p"_s, Absent};
    QTest::newRow("comma expression")
        << u"1, 'x', null, {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("comma expression of objects")
        << u"({province:'a'}, {province:'b'})"_s << zone << QStringList{u"b"_s, Absent};
    QTest::newRow("assignment in comma")
        << u"x = 1, y = {province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("value expressions")
        << u"{a:(1, 'x'), b:(2), c:- -1, d:-(3), e:+-0, f:(x = 5)}"_s
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}
        << QStringList{u"x"_s, u"2"_s, u"1"_s, u"-3"_s, u"0"_s, u"5"_s};
    QTest::newRow("answer closes the wrapping parenthesis")
        << u"1), ({province:'p'}"_s << zone << QStringList{u"p"_s, Absent};
    QTest::newRow("comment swallows the wrapping parenthesis")
        << u"{province:'p'})//"_s << zone << QStringList{u"p"_s, Absent};
}

void TestAnswerEvaluator::evaluates() {
    QFETCH(QString, answer);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    jsliteral::EvaluationError error;
    const bool accepted = jsliteral::EvaluateParenthesized(answer, &error).has_value();
    if (!accepted)
        qWarning() << "refused:" << error.message << "at" << error.position;
    const auto result = EvaluateAnswerProperties(answer, names);
    QVERIFY2(result.has_value(), qPrintable(error.message));
    QCOMPARE(result->size(), names.size());
    const QStringList texts = Texts(result);
    QVERIFY2(texts.size() == expected.size(), qPrintable(Describe(texts)));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QVERIFY2(texts[i].isNull() == expected[i].isNull(),
                 qPrintable(names[i] + u": "_s + Describe(texts) + u" vs "_s + Describe(expected)));
        QCOMPARE(texts[i], expected[i]);
    }
}

void TestAnswerEvaluator::sameValuesInEveryNotation() {
    const QStringList forms = {
        QString::fromUtf8(RealAnswer),
        uR"({"mts":"1380013","province":"北京","catName":"中国移动","telString":"13800138000","areaVid":"30517","carrier":"北京移动"})"_s,
        u"{mts:'1380013',province:'北京',catName:'中国移动',telString:'13800138000',areaVid:'30517',carrier:'北京移动'}"_s,
        u"zone = { 'mts' : \"1380013\" , province : '\\u5317\\u4eac' , \"catName\" : '中国\\u79fb\\u52a8' ,"_s
        u" telString : '13800138000' , areaVid : '30517' , carrier : '北京移动' , }"_s,
        u"/* a */ ( {\n\tmts:'1380013', // b\n\tprovince:'\\u{5317}\\u{4eac}',\n\tcatName:\"中国移动\",\n"_s
        u"\ttelString:\"13800138000\",\tareaVid:'30517',carrier:'北京移动'\n} )\n"_s,
    };
    const QStringList names = {u"province"_s, u"catName"_s, u"telString"_s,
                               u"areaVid"_s,  u"carrier"_s, u"mts"_s};
    const QStringList reference = Texts(EvaluateAnswerProperties(forms.front(), names));
    QCOMPARE(reference, (QStringList{u"北京"_s, u"中国移动"_s, u"13800138000"_s, u"30517"_s,
                                     u"北京移动"_s, u"1380013"_s}));
    for (const QString &form : forms)
        QCOMPARE(Texts(EvaluateAnswerProperties(form, names)), reference);
}

void TestAnswerEvaluator::numbersAsText_data() {
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("text");
    const auto row = [](const QString &literal, const QString &text) {
        QTest::newRow(qPrintable(literal)) << literal << text;
    };
    row(u"100"_s, u"100"_s);
    row(u"0.1"_s, u"0.1"_s);
    row(u"1e21"_s, u"1e+21"_s);
    row(u"1e+21"_s, u"1e+21"_s);
    row(u"999999999999999999999"_s, u"1e+21"_s);
    row(u"1e20"_s, u"100000000000000000000"_s);
    row(u"123456789012345678901234"_s, u"1.2345678901234569e+23"_s);
    row(u"1.5e-7"_s, u"1.5e-7"_s);
    row(u"1e-7"_s, u"1e-7"_s);
    row(u"0.000001"_s, u"0.000001"_s);
    row(u"0.0000012345"_s, u"0.0000012345"_s);
    row(u"-0"_s, u"0"_s);
    row(u"0.0"_s, u"0"_s);
    row(u"-1.5"_s, u"-1.5"_s);
    row(u"- 1"_s, u"-1"_s);
    row(u"+1"_s, u"1"_s);
    row(u"- - 2"_s, u"2"_s);
    row(u"1.0"_s, u"1"_s);
    row(u"5."_s, u"5"_s);
    row(u".5"_s, u"0.5"_s);
    row(u"1.e3"_s, u"1000"_s);
    row(u"1E3"_s, u"1000"_s);
    row(u"0.1e1"_s, u"1"_s);
    row(u"123.456"_s, u"123.456"_s);
    row(u"0.30000000000000004"_s, u"0.30000000000000004"_s);
    row(u"9007199254740993"_s, u"9007199254740992"_s);
    row(u"5e-324"_s, u"5e-324"_s);
    row(u"2e-324"_s, u"0"_s);
    row(u"3e-324"_s, u"5e-324"_s);
    row(u"1.7976931348623157e308"_s, u"1.7976931348623157e+308"_s);
    row(u"1.8e308"_s, u"Infinity"_s);
    row(u"1e99999999999999999999"_s, u"Infinity"_s);
    row(u"1e-99999999999999999999"_s, u"0"_s);
    row(u"0x10"_s, u"16"_s);
    row(u"0XfF"_s, u"255"_s);
    row(u"0o17"_s, u"15"_s);
    row(u"0b101"_s, u"5"_s);
    row(u"0x20000000000001"_s, u"9007199254740992"_s); // a tie rounds to even
    row(u"0x20000000000003"_s, u"9007199254740996"_s);
    row(u"0x1fffffffffffff8"_s, u"144115188075855870"_s);
    row(u"0x"_s + QString(300, u'f'), u"Infinity"_s);
    row(u"017"_s, u"15"_s);
    row(u"00"_s, u"0"_s);
    row(u"019"_s, u"19"_s);
    row(u"08.5"_s, u"8.5"_s);
    row(u"09e1"_s, u"90"_s);
    row(u"1_000_000"_s, u"1000000"_s);
    row(u"0x1_f"_s, u"31"_s);
    row(u"1_0.5_0e1_0"_s, u"105000000000"_s);
    row(u"NaN"_s, u"NaN"_s);
    row(u"Infinity"_s, u"Infinity"_s);
    row(u"-Infinity"_s, u"-Infinity"_s);
    row(u"-NaN"_s, u"NaN"_s);
    row(u"1"_s + QString(400, u'0'), u"Infinity"_s);
    row(u"0."_s + QString(400, u'0') + u"1e400"_s, u"0.1"_s);
}

void TestAnswerEvaluator::numbersAsText() {
    QFETCH(QString, literal);
    QFETCH(QString, text);
    const auto result = EvaluateAnswerProperties(u"{n:"_s + literal + u"}"_s, {u"n"_s});
    QVERIFY(result.has_value());
    QVERIFY(result->at(0).present);
    QCOMPARE(result->at(0).text, text);
}

void TestAnswerEvaluator::notAnObject_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("string") << u"'x'"_s;
    QTest::newRow("number") << u"1"_s;
    QTest::newRow("array") << u"[{province:'p'}]"_s;
    QTest::newRow("null") << u"null"_s;
    QTest::newRow("undefined") << u"undefined"_s;
    QTest::newRow("true") << u"true"_s;
    QTest::newRow("assignment of a string") << u"zone = 'x'"_s;
    QTest::newRow("comma ending in a number") << u"{province:'p'}, 1"_s;
}

void TestAnswerEvaluator::notAnObject() {
    QFETCH(QString, answer);
    QVERIFY(jsliteral::EvaluateParenthesized(answer).has_value());
    QVERIFY(!EvaluateAnswerProperties(answer, ZoneNames).has_value());
}

void TestAnswerEvaluator::refuses_data() {
    QTest::addColumn<QString>("answer");
    const auto row = [](const char *name, const QString &answer) {
        QTest::newRow(name) << answer;
    };
    row("empty", u""_s);
    row("blank", u" \n\t"_s);
    row("comment only", u"/* x */"_s);
    row("lone {", u"{"_s);
    row("lone [", u"["_s);
    row("lone (", u"("_s);
    row("lone )", u")"_s);
    row("unterminated object", u"{province:'p', catName:'c'"_s);
    row("unterminated string", u"{province:'p}"_s);
    row("unterminated string at the end", u"{province:'p"_s);
    row("unterminated escape", u"{province:'p\\"_s);
    row("unterminated comment", u"{province:'p'} /* x"_s);
    row("line comment swallows the parenthesis", u"{province:'p'} // x"_s);
    row("line break in a string", u"{province:'a\nb'}"_s);
    row("CR in a string", u"{province:'a\rb'}"_s);
    row("trailing semicolon", u"{province:'p'};"_s);
    row("trailing semicolon and line break", u"{province:'p'};\n"_s);
    row("statement after", u"{province:'p'}); x = (1"_s);
    row("alert(1)", u"alert(1)"_s);
    row("call in a value", u"{province:alert(1)}"_s);
    row("call on an object", u"{province:'p'}(1)"_s);
    row("call after assignment", u"zone = f()"_s);
    row("while(1){}", u"while(1){}"_s);
    row("function(){}", u"function(){}"_s);
    row("function value", u"{province:function(){return 'p'}}"_s);
    row("arrow", u"x => {province:'p'}"_s);
    row("arrow in a value", u"{province:() => 1}"_s);
    row("new", u"new Object()"_s);
    row("1+2", u"1+2"_s);
    row("plus in a value", u"{province:'a'+'b'}"_s);
    row("binary minus", u"{a:2-1}"_s);
    row("exponent operator", u"{a:2**3}"_s);
    row("increment", u"{a:--1}"_s);
    row("sign on a string", u"{a:-'1'}"_s);
    row("sign on true", u"{a:+true}"_s);
    row("sign on an object", u"-{a:1}"_s);
    row("not", u"{a:!0}"_s);
    row("void", u"{a:void 0}"_s);
    row("typeof", u"{a:typeof 1}"_s);
    row("conditional", u"{a:1?2:3}"_s);
    row("in", u"{a:'x' in {}}"_s);
    row("unknown name", u"{a:b}"_s);
    row("unknown name alone", u"zone"_s);
    row("unknown name on the right", u"x = y"_s);
    row("unknown name in a comma", u"x, {a:1}"_s);
    row("member read", u"{a:1}.a"_s);
    row("member read of a name", u"{a:x.y}"_s);
    row("bracket read", u"{a:1}['a']"_s);
    row("this alone", u"this"_s);
    row("var", u"var x = {province:'p'}"_s);
    row("let declaration", u"let x = {province:'p'}"_s);
    row("if", u"if (1) {}"_s);
    row("block", u"{province:'p'; catName:'c'}"_s);
    row("template literal", u"{a:`x`}"_s);
    row("regex", u"{a:/x/}"_s);
    row("division", u"{a:1/2}"_s);
    row("shorthand", u"{province}"_s);
    row("method", u"{province(){}}"_s);
    row("getter", u"{get province(){return 'p'}}"_s);
    row("spread", u"{...{province:'p'}}"_s);
    row("computed key", u"{['province']:'p'}"_s);
    row("missing comma", u"{a:1 b:2}"_s);
    row("double comma", u"{a:1,,b:2}"_s);
    row("leading comma", u"{,a:1}"_s);
    row("missing value", u"{a:}"_s);
    row("two strings", u"{a:'x' 'y'}"_s);
    row("trailing comma in parentheses", u"({a:1},)"_s);
    row("trailing comma at the end", u"{a:1},"_s);
    row("leading comma at the start", u",{a:1}"_s);
    row("BigInt", u"{a:1n}"_s);
    row("BigInt key", u"{1n:1}"_s);
    row("legacy octal with a fraction", u"{a:01.5}"_s);
    row("separator after a leading 0", u"{a:0_1}"_s);
    row("double separator", u"{a:1__0}"_s);
    row("trailing separator", u"{a:1_}"_s);
    row("separator before the point", u"{a:1_.5}"_s);
    row("separator after 0x", u"{a:0x_1}"_s);
    row("separator in legacy octal", u"{a:07_7}"_s);
    row("empty exponent", u"{a:1e}"_s);
    row("empty exponent with sign", u"{a:1e+}"_s);
    row("empty hex", u"{a:0x}"_s);
    row("bad octal digit", u"{a:0o8}"_s);
    row("letter after a number", u"{a:1x}"_s);
    row("two points", u"{a:1.5.5}"_s);
    row("point alone", u"{a:.}"_s);
    row("short hex escape", uR"({a:'\x4'})"_s);
    row("bad hex escape", uR"({a:'\x4G'})"_s);
    row("short unicode escape", uR"({a:'\u004'})"_s);
    row("empty braced escape", uR"({a:'\u{}'})"_s);
    row("braced escape too big", uR"({a:'\u{110000}'})"_s);
    row("unclosed braced escape", uR"({a:'\u{41'})"_s);
    row("bad escape in a name", uR"({a\x62:1})"_s);
    row("escaped blank in a name", uR"({a\u0020:1})"_s);
    row("escaped digit starting a name", uR"({\u0030:1})"_s);
    row("escaped keyword as a value", uR"({a:tru\u0065})"_s);
    row("escaped keyword as a target", uR"(\u0069f = {a:1})"_s);
    row("keyword as a target", u"if = {a:1}"_s);
    row("enum as a target", u"enum = {a:1}"_s);
    row("this as a target", u"this = {a:1}"_s);
    row("literal as a target", u"1 = {a:1}"_s);
    row("object as a target", u"{a:1} = {a:1}"_s);
    row("comma as a target", u"(a, b) = {a:1}"_s);
    row("assignment as a target", u"(a = 1) = {a:1}"_s);
    row("signed target", u"-a = {a:1}"_s);
    row("destructuring", u"[a] = {a:1}"_s);
    row("member of undefined", u"undefined.x = {a:1}"_s);
    row("compound assignment", u"x += {a:1}"_s);
    row("equality", u"x == {a:1}"_s);
    row("optional chaining", u"a?.b = {a:1}"_s);
    row("duplicate __proto__", u"{__proto__:1, '__proto__':2}"_s);
    row("NEL is not a blank", u"{a\u0085:1}"_s);
    row("zero width space is not a blank", u"{a:1}\u200B"_s);
    row("mongolian vowel separator is not a blank", u"{a:1}\u180E"_s);
    row("HTML close comment mid-line", u"-->x\n{a:1}"_s);
}

void TestAnswerEvaluator::refuses() {
    QFETCH(QString, answer);
    jsliteral::EvaluationError error;
    QVERIFY(!jsliteral::EvaluateParenthesized(answer, &error).has_value());
    QVERIFY(!error.message.isEmpty());
    QVERIFY(error.position >= 0 && error.position <= answer.size());
    QVERIFY(!EvaluateAnswerProperties(answer, ZoneNames).has_value());
}

void TestAnswerEvaluator::nestingLimit() {
    const auto nested = [](int depth, const QString &open, const QString &close) {
        return open.repeated(depth) + u"1"_s + close.repeated(depth);
    };
    for (const auto &[open, close] :
         {std::pair{u"{a:"_s, u"}"_s}, std::pair{u"["_s, u"]"_s}, std::pair{u"("_s, u")"_s}}) {
        QVERIFY(jsliteral::EvaluateParenthesized(nested(jsliteral::MaxNesting, open, close))
                    .has_value());
        QVERIFY(!jsliteral::EvaluateParenthesized(nested(jsliteral::MaxNesting + 1, open, close))
                     .has_value());
    }
    // Mixed: an object at depth 64 holding the zone values is fine.
    const QString deep = u"{p:["_s.repeated(31) + u"{province:'p'}"_s + u"]}"_s.repeated(31);
    QVERIFY(jsliteral::EvaluateParenthesized(deep).has_value());
    const QString zoneDeep = u"("_s.repeated(63) + u"{province:'p'}"_s + u")"_s.repeated(63);
    QCOMPARE(Texts(EvaluateAnswerProperties(zoneDeep, ZoneNames)), (QStringList{u"p"_s, Absent}));
    QVERIFY(!EvaluateAnswerProperties(u"("_s + zoneDeep + u")"_s, ZoneNames).has_value());
    // Member brackets count as well.
    QVERIFY(!jsliteral::EvaluateParenthesized(u"a"_s + u"[("_s.repeated(40) + u"1"_s +
                                              u")]"_s.repeated(40) + u" = {}"_s)
                 .has_value());
}

void TestAnswerEvaluator::hostileSizesAreRefusedQuickly_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("100,000 nested braces") << u"{a:"_s.repeated(100'000);
    QTest::newRow("100,000 nested braces, closed")
        << u"{a:"_s.repeated(100'000) + u"1"_s + u"}"_s.repeated(100'000);
    QTest::newRow("100,000 nested brackets") << u"["_s.repeated(100'000) + u"]"_s.repeated(100'000);
    QTest::newRow("100,000 parentheses")
        << u"("_s.repeated(100'000) + u"{}"_s + u")"_s.repeated(100'000);
    QTest::newRow("100,000 signs") << u"- "_s.repeated(100'000) + u"{}"_s;
    QTest::newRow("5 MiB of braces") << QString(5 * 1024 * 1024, u'{');
    QTest::newRow("1 MiB of brackets") << QString(1024 * 1024, u'[');
    QTest::newRow("1 MiB unterminated string") << u"{a:'"_s + QString(1024 * 1024, u'x');
    QTest::newRow("1 MiB unterminated comment") << u"{a:1 /*"_s + QString(1024 * 1024, u'*');
    QTest::newRow("many backslashes") << u"{a:'"_s + u"\\\\"_s.repeated(500'000) + u"\\"_s;
    QTest::newRow("long assignment chain, then a call") << u"a = "_s.repeated(200'000) + u"f()"_s;
    QTest::newRow("long comma list, then an operator") << u"1,"_s.repeated(400'000) + u"1+1"_s;
    QTest::newRow("many properties, then a call")
        << u"{"_s + u"a:1,"_s.repeated(200'000) + u"b:f()}"_s;
    QTest::newRow("3 Mi units") << u"{a:'"_s + QString(3 * 1024 * 1024, u'x') + u"'}"_s;
}

void TestAnswerEvaluator::hostileSizesAreRefusedQuickly() {
    QFETCH(QString, answer);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!EvaluateAnswerProperties(answer, ZoneNames).has_value());
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed()) + u" ms"_s));
}

void TestAnswerEvaluator::largeAnswerIsLinear() {
    // A 1 MiB answer of many properties, long strings and comments is read
    // completely and quickly.
    QString answer = u"zone = {"_s;
    int i = 0;
    while (answer.size() < 1024 * 1024 - 200) {
        answer += QStringLiteral("k%1:'值\\u0041\\n%1', /* c */ n%1:%1.5e-3,\n").arg(i);
        ++i;
    }
    answer += u"province:'北京', catName:'中国移动', 'k0':'last'}"_s;
    QElapsedTimer timer;
    timer.start();
    const auto result =
        EvaluateAnswerProperties(answer, {u"province"_s, u"catName"_s, u"k0"_s, u"n7"_s});
    const qint64 ms = timer.elapsed();
    QVERIFY(result.has_value());
    QCOMPARE(Texts(result), (QStringList{u"北京"_s, u"中国移动"_s, u"last"_s, u"0.0075"_s}));
    QVERIFY2(ms < 3000, qPrintable(QString::number(ms) + u" ms"_s));

    // A string value of 1 MiB.
    const QString big = u"{province:'"_s + QString(1024 * 1024, u'北') + u"', catName:'xx'}"_s;
    const auto bigResult = EvaluateAnswerProperties(big, ZoneNames);
    QVERIFY(bigResult.has_value());
    QCOMPARE(bigResult->at(0).text.size(), 1024 * 1024);
}

void TestAnswerEvaluator::agreesWithNode() {
    const QString node = FindNode();
    if (node.isEmpty())
        QSKIP("node is not installed");

    // The corpus: generated answers (all within the accepted grammar), then
    // mutants of some of them (anything may happen to those).
    CorpusGenerator generator(20240601);
    Random mutationRandom(77);
    QStringList corpus;
    QList<bool> valid;
    for (int i = 0; i < 500; ++i) {
        corpus.append(generator.answer());
        valid.append(true);
    }
    for (int i = 0; i < 300; ++i) {
        corpus.append(Mutate(corpus[i], mutationRandom));
        valid.append(false);
    }
    corpus.append(QString::fromUtf8(RealAnswer));
    valid.append(true);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString script = dir.filePath(u"eval.js"_s);
    const QString input = dir.filePath(u"corpus.txt"_s);
    const QString output = dir.filePath(u"results.json"_s);
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(NodeScript);
        QFile in(input);
        QVERIFY(in.open(QIODevice::WriteOnly));
        for (const QString &answer : corpus)
            in.write('x' + Hex(answer).toLatin1() + '\n');
    }
    QProcess process;
    process.start(node, {script, input, output});
    QVERIFY2(process.waitForFinished(60'000), "node did not finish");
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardError().constData());
    QFile results(output);
    QVERIFY(results.open(QIODevice::ReadOnly));
    const QJsonArray verdicts = QJsonDocument::fromJson(results.readAll()).array();
    QCOMPARE(verdicts.size(), corpus.size());

    int bothAccepted = 0, bothRefused = 0, objects = 0, nodeOnly = 0;
    for (qsizetype i = 0; i < corpus.size(); ++i) {
        const QString &answer = corpus[i];
        const QJsonObject verdict = verdicts[i].toObject();
        const QString where = QStringLiteral("answer %1: %2").arg(i).arg(answer.left(300));
        jsliteral::EvaluationError error;
        const std::optional<jsliteral::Value> ours =
            jsliteral::EvaluateParenthesized(answer, &error);
        const bool nodeAccepted = verdict.value(u"ok"_s).toBool();
        if (valid[i]) {
            // The generator stays within the grammar: both must accept.
            QVERIFY2(nodeAccepted,
                     qPrintable(where + u"\nnode: "_s + verdict.value(u"error"_s).toString()));
            QVERIFY2(verdict.value(u"defined"_s).toArray().isEmpty(), qPrintable(where));
            QVERIFY2(ours.has_value(), qPrintable(where + u"\nours: "_s + error.message +
                                                  u" at "_s + QString::number(error.position)));
        }
        if (!nodeAccepted) {
            QVERIFY2(!ours.has_value(),
                     qPrintable(where + u"\nnode refuses ("_s +
                                verdict.value(u"error"_s).toString() + u") but we accept"_s));
            ++bothRefused;
            continue;
        }
        if (!ours) {
            ++nodeOnly; // a mutant outside the accepted grammar
            continue;
        }
        ++bothAccepted;
        const QString kind = verdict.value(u"kind"_s).toString();
        const QString ourKind = ours->type == jsliteral::Value::Type::Object  ? u"object"_s
                                : ours->type == jsliteral::Value::Type::Array ? u"array"_s
                                                                              : u"other"_s;
        QVERIFY2(kind == ourKind,
                 qPrintable(where + u"\nnode: "_s + kind + u", ours: "_s + ourKind));
        const auto properties = EvaluateAnswerProperties(answer, ZoneNames);
        QCOMPARE(properties.has_value(), kind == u"object"_s);
        if (!properties)
            continue;
        ++objects;
        const QStringList keys = {u"p"_s, u"c"_s};
        for (int k = 0; k < 2; ++k) {
            const QJsonValue expected = verdict.value(keys[k]);
            const EvaluatedProperty &got = properties->at(k);
            QVERIFY2(got.present == !expected.isNull(),
                     qPrintable(where + u"\n"_s + ZoneNames[k] + u" present: node "_s +
                                (expected.isNull() ? u"no"_s : u"yes"_s) + u", ours "_s +
                                (got.present ? u"yes"_s : u"no"_s)));
            if (got.present) {
                const QString nodeText = FromHex(expected.toString());
                QVERIFY2(got.text == nodeText,
                         qPrintable(where + u"\n"_s + ZoneNames[k] + u": node \""_s + nodeText +
                                    u"\", ours \""_s + got.text + u'"'));
            }
        }
    }
    qInfo("corpus %lld: both accepted %d (objects %d), both refused %d, node only %d",
          qlonglong(corpus.size()), bothAccepted, objects, bothRefused, nodeOnly);
    // The corpus must exercise both sides.
    QVERIFY(objects > 400);
    QVERIFY(bothRefused > 50);
}

QTEST_GUILESS_MAIN(TestAnswerEvaluator)
#include "tst_answerevaluator.moc"
