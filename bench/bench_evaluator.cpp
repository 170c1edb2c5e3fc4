// Times the answer evaluator on the costliest answers of the greatest size the
// lookup client takes (1 MiB), and on the greatest text the evaluator reads at
// all, and prints the extra peak memory of each. Every shape runs in a fresh
// process of its own, so one shape's heap does not hide another's peak.
//   bench_evaluator             all shapes
//   bench_evaluator <shape>     one shape, one line of figures
#include "answerevaluator.h"
#include "jsliteral.h"
#include "processmemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kOneMiB = 1024 * 1024;

// head + as many copies of `unit` as fit + tail, `size` units in all (padded
// with blanks), so every answer is as long as the cap allows.
QString Fill(const QString &head, const QString &unit, const QString &tail,
             qsizetype size = kOneMiB) {
    const qsizetype count = (size - head.size() - tail.size()) / unit.size();
    QString out = head + unit.repeated(count) + tail;
    out.append(QString(size - out.size(), u' '));
    return out;
}

QString NumberedKeys(qsizetype size) {
    QString out = u"{telString:'x', province:'p', catName:'cc'"_s;
    out.reserve(size);
    for (int i = 0; out.size() < size - 20; ++i)
        out += u",k"_s + QString::number(i) + u":0"_s;
    out += u'}';
    out.append(QString(size - out.size(), u' '));
    return out;
}

// "a0 = a1 = … = {…}" or, escaped, "\u0061" + "0 = …": every name a new one.
QString DistinctTargets(const QString &prefix) {
    QString out;
    out.reserve(kOneMiB);
    for (int i = 0; out.size() < kOneMiB - 40; ++i)
        out += prefix + QString::number(i) + u'=';
    out += u"{telString:1}"_s;
    out.append(QString(kOneMiB - out.size(), u' '));
    return out;
}

QString Nested(qsizetype size) {
    const int depth = jsliteral::kMaxNesting - 2;
    return Fill(u"{telString:1, a:["_s,
                u"["_s.repeated(depth) + u"0"_s + u"]"_s.repeated(depth) + u","_s, u"]}"_s, size);
}

struct Shape {
    const char *name;
    std::function<QString()> answer;
};

const QList<Shape> &Shapes() {
    static const QList<Shape> kShapes = {
        {"holes [,,,]",
         [] {
             return Fill(u"{telString:1, a:["_s, u","_s, u"]}"_s);
         }},
        {"holes, evaluator bound",
         [] {
             return Fill(u"{telString:1, a:["_s, u","_s, u"]}"_s, jsliteral::kMaxSourceLength);
         }},
        {"zeros [0,0,]",
         [] {
             return Fill(u"{telString:1, a:["_s, u"0,"_s, u"]}"_s);
         }},
        {"zeros, evaluator bound",
         [] {
             return Fill(u"{telString:1, a:["_s, u"0,"_s, u"]}"_s, jsliteral::kMaxSourceLength);
         }},
        {"array of the answer [{…},]",
         [] {
             return Fill(u"["_s, u"{telString:1,province:'p',catName:'cc'},"_s, u"]"_s);
         }},
        {"distinct keys",
         [] {
             return NumberedKeys(kOneMiB);
         }},
        {"distinct keys, evaluator bound",
         [] {
             return NumberedKeys(jsliteral::kMaxSourceLength);
         }},
        {"one key repeated",
         [] {
             return Fill(u"{telString:1"_s, u",province:'p'"_s, u"}"_s);
         }},
        {"numeric keys",
         [] {
             return Fill(u"{telString:1"_s, u",1e300:0"_s, u"}"_s);
         }},
        {"small objects",
         [] {
             return Fill(u"{telString:1, a:["_s, u"{a:0},"_s, u"]}"_s);
         }},
        {"prototype objects",
         [] {
             return Fill(u"{telString:1, a:["_s, u"{__proto__:{}},"_s, u"]}"_s);
         }},
        {"nested arrays",
         [] {
             return Nested(kOneMiB);
         }},
        {"long string",
         [] {
             return Fill(u"{telString:1, province:'"_s, u"x"_s, u"'}"_s);
         }},
        {"escaped string",
         [] {
             return Fill(u"{telString:1, province:'"_s, u"\\u5317"_s, u"'}"_s);
         }},
        {"long number",
         [] {
             return Fill(u"{telString:1, a:"_s, u"1"_s, u"}"_s);
         }},
        {"long fraction",
         [] {
             return Fill(u"{telString:1, a:0."_s, u"0"_s, u"1}"_s);
         }},
        {"long hexadecimal",
         [] {
             return Fill(u"{telString:1, a:0x"_s, u"f"_s, u"}"_s);
         }},
        {"decimal numbers",
         [] {
             return Fill(u"{telString:1, a:["_s, u"1.2345678901234567e-300,"_s, u"]}"_s);
         }},
        {"long name",
         [] {
             return Fill(u"{telString:1, "_s, u"a"_s, u":0}"_s);
         }},
        {"assignment chain",
         [] {
             return Fill(u""_s, u"a="_s, u"{telString:1}"_s);
         }},
        {"distinct names assigned",
         [] {
             return DistinctTargets(u"a"_s);
         }},
        {"escaped names assigned",
         [] {
             return DistinctTargets(u"\\u0061"_s);
         }},
        {"member target",
         [] {
             return Fill(u"a"_s, u"[0]"_s, u"={telString:1}"_s);
         }},
        {"comma expression",
         [] {
             return Fill(u"("_s, u"0,"_s, u"{telString:1})"_s);
         }},
        {"comments",
         [] {
             return Fill(u"{telString:1"_s, u"/**/"_s, u"}"_s);
         }},
        {"wide blanks",
         [] {
             return Fill(u"{telString:1"_s, u"\u3000"_s, u"}"_s);
         }},
    };
    return kShapes;
}

int RunShape(const Shape &shape) {
    constexpr int kRuns = 5;
    const QString answer = shape.answer();
    const QStringList names{u"province"_s, u"catName"_s};
    const bool peakReset = ResetPeakResident();
    const long before = peakReset ? CurrentResidentKb() : PeakResidentKb();
    QList<double> times;
    bool accepted = false;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        accepted = EvaluateAnswerProperties(answer, names).has_value();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    const long peak = PeakResidentKb();
    std::sort(times.begin(), times.end());
    std::printf("%-32s %8.2f MiB %9.1f ms %8.1f MB%s  %s\n", shape.name,
                answer.size() / double(kOneMiB), times[kRuns / 2], (peak - before) / 1024.0,
                peakReset ? "" : "*", accepted ? "object" : "refused");
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1) {
        const QByteArray wanted = argv[1];
        for (const Shape &shape : Shapes()) {
            if (wanted == shape.name)
                return RunShape(shape);
        }
        std::fprintf(stderr, "no shape named \"%s\"\n", argv[1]);
        return 1;
    }
    std::printf("%-32s %12s %12s %11s\n", "answer", "length", "median", "extra peak");
    std::fflush(stdout);
    for (const Shape &shape : Shapes()) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromUtf8(shape.name)});
        if (!child.waitForFinished(60'000)) {
            child.kill();
            child.waitForFinished();
            std::printf("%-32s did not finish within 60 s\n", shape.name);
        }
        std::fflush(stdout);
    }
    std::printf("(extra peak: resident high-water mark during the runs less the size before;\n"
                " * where the mark could not be reset, from the mark before the runs)\n");
    return 0;
}
