// Times the batch run the way a user meets it, through the real main window:
// a .txt list imported through the Open dialog, 批量查询, then 导出结果 to
// .xlsx, against the bundled segment service. Beside it, asking the same
// service in the same run, Apache's ab as the bare clients a batch is
// measured by:
//  - ab -k -c 8: eight requests in flight on kept-alive connections, the
//    fastest a client gets from the service (the batch's goal: within 2.5x
//    of it, 3x with a screen reader reading);
//  - ab -k -c 1: one request at a time on a kept-alive connection;
//  - ab -c 1: one request at a time, each on a new connection;
// and the floor: the same table the service answers from, looked up in a
// loop in a process of its own, no network at all. Every ratio is printed
// for every round; the baselines and the window take turns, so that a noisy
// machine shows as spread rather than as a wrong figure.
//
// The memory of the process is printed at each step of a round: with the
// window open, then the peak during and the size after the import, the
// batch and the export (goal: at most 250 MB at the peak with 1,000,000
// rows).
//
// On Linux every round also runs the same import and batch with
// accessibility on: in a second bench_batch (--accessible) on an X server
// and an accessibility bus of its own (tests/support/on-accessibility-bus.sh),
// whose window a screen reader (busreader.py) reads all along.
//
//   bench_batch [ROWS...] [--rounds N] [--service HOST:PORT]
// ROWS are the list sizes, 10000 and 1000000 unless given; a list of up to
// 100,000 rows runs three rounds, a larger one one, unless --rounds says.
// ab asks at most 200,000 requests a client and round.
#include "benchservice.h"
#include "benchwindow.h"
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
#include "busreaderprocess.h"
#endif
#include "filedialog.h"
#include "mainwindow.h"
#include "processmemory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#ifdef TARVIO_BUILTIN_SEGMENTS
#include "segmentanswer.h"
#include "segmenttablefile.h"
#endif

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {
constexpr int kAbRequestsAtMost = 200'000;
constexpr double kPeakGoalMb = 250;
constexpr double kGoalOff = 2.5; // the batch against ab -k -c 8, accessibility off
constexpr double kGoalOn = 3.0;  // and with a screen reader reading

double Mb(long kb) {
    return kb * 1024.0 / 1e6;
}

// Counts the repaints of one widget and the longest time between two.
class PaintWatch : public QObject {
public:
    int paints = 0;
    qint64 longestGapMs = 0;
    void Start() {
        paints = 0;
        longestGapMs = 0;
        m_clock.start();
    }
    void Stop() { Note(); }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && m_clock.isValid()) {
            ++paints;
            Note();
        }
        return false;
    }

private:
    void Note() { longestGapMs = std::max(longestGapMs, m_clock.restart()); }
    QElapsedTimer m_clock;
};

// The memory one step took: its peak (the process's peak so far where the
// system cannot start the peak afresh: Windows) and the size after it.
struct StepMemory {
    long peakKb = 0;
    long afterKb = 0;
};

template <typename Step> StepMemory Measured(Step step) {
    ResetPeakResident();
    step();
    return {PeakResidentKb(), CurrentResidentKb()};
}

// The numbers file of a list, written in pieces so that making it costs
// the process no memory of the list's size.
QString WriteNumbers(const QString &dir, int rows) {
    const QString path = dir + QStringLiteral("/numbers-%1.txt").arg(rows);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    QByteArray piece;
    for (int i = 0; i < rows; ++i) {
        piece += KnownNumber(i).toLatin1() + "\r\n";
        if (piece.size() >= (1 << 16) || i + 1 == rows) {
            if (file.write(piece) != piece.size())
                return QString();
            piece.clear();
        }
    }
    return path;
}

struct WindowFigures {
    double usPerRow = 0;
    QString tally;
    double exportSeconds = 0;
    QString exportMessage;
    long openKb = 0;
    StepMemory import, batch, exported;
};

// Import through the Open dialog, then the batch; then, when asked, the
// export to .xlsx through the Save dialog.
WindowFigures WindowRound(const BenchWindow &bench, const QString &numbers, int rows,
                          PaintWatch *watch, bool exportToo) {
    WindowFigures figures;
    MainWindow &window = bench.Window();
    QCoreApplication::processEvents();
    figures.openKb = CurrentResidentKb();
    figures.import = Measured([&] {
        FileDialog::SetNextFileName(numbers);
        bench.RunToEnd(&MainWindow::import_Click);
        QCoreApplication::processEvents();
    });
    figures.batch = Measured([&] {
        if (watch)
            watch->Start();
        QElapsedTimer timer;
        timer.start();
        bench.RunToEnd(&MainWindow::batch_Click);
        figures.usPerRow = timer.nsecsElapsed() / 1e3 / rows;
        if (watch)
            watch->Stop();
        QCoreApplication::processEvents();
    });
    figures.tally = window.Frame2Box()->title();
    if (!exportToo)
        return figures;
    const QString target = bench.Dir() + QStringLiteral("/导出结果.xlsx");
    figures.exported = Measured([&] {
        FileDialog::SetNextFileName(target);
        QElapsedTimer timer;
        timer.start();
        bench.TriggerToEnd("ExportPhone");
        figures.exportSeconds = timer.nsecsElapsed() / 1e9;
        QCoreApplication::processEvents();
    });
    figures.exportMessage = MessageBox::Texts().value(MessageBox::Texts().size() - 1);
    QFile::remove(target);
    return figures;
}

// ab against the service: microseconds per request, or 0 when ab is not
// there (Debian: apache2-utils) or failed.
double AbUsPerRequest(quint16 port, int requests, int concurrency, bool keepAlive) {
    QStringList args{QStringLiteral("-q"), QStringLiteral("-c"), QString::number(concurrency),
                     QStringLiteral("-n"), QString::number(requests)};
    if (keepAlive)
        args << QStringLiteral("-k");
    args << QStringLiteral("http://127.0.0.1:%1/cc/json/mobile_tel_segment.htm?tel=%2")
                .arg(port)
                .arg(KnownNumber(requests));
    QProcess ab;
    ab.start(QStringLiteral("ab"), args);
    if (!ab.waitForFinished(1'800'000) || ab.exitCode() != 0)
        return 0;
    const QString report = QString::fromLocal8Bit(ab.readAllStandardOutput());
    // The mean across all requests: the wall time of the run over its
    // requests, as a batch's time is over its rows.
    static const QRegularExpression kTaken(QStringLiteral(R"(Time taken for tests:\s+([0-9.]+))"));
    const QRegularExpressionMatch taken = kTaken.match(report);
    if (!taken.hasMatch() || !report.contains(QStringLiteral("Failed requests:        0")))
        return 0;
    return taken.captured(1).toDouble() * 1e6 / requests;
}

struct Baselines {
    double keptEight = 0; // ab -k -c 8
    double keptOne = 0;   // ab -k -c 1
    double newOne = 0;    // ab -c 1
};

Baselines MeasureBaselines(quint16 port, int requests) {
    return {AbUsPerRequest(port, requests, 8, true), AbUsPerRequest(port, requests, 1, true),
            AbUsPerRequest(port, requests, 1, false)};
}

#ifdef TARVIO_BUILTIN_SEGMENTS
// The floor, in the process started with --floor: the table the service
// answers from (its built-in data with a phone.dat and a segments.csv
// beside it on top, as it loads them), every row's number answered in a
// loop, the answer's text made as the service makes it. Prints nanoseconds
// per lookup.
int PrintFloor(int rows) {
    const std::filesystem::path builtin(TARVIO_BUILTIN_SEGMENTS);
    SegmentTableLoad load = LoadSegmentTable(builtin);
    if (!load.error.empty() || load.table.Empty()) {
        std::printf("0\n");
        return 1;
    }
    SegmentTable table = std::move(load.table);
    for (const char *name : {"phone.dat", "segments.csv"}) {
        const std::filesystem::path beside = builtin.parent_path() / name;
        std::error_code ignored;
        if (std::filesystem::exists(beside, ignored))
            table = LoadSegmentTable(beside, std::move(table)).table;
    }
    const SegmentAnswerer answerer(std::move(table));
    std::vector<std::string> numbers;
    numbers.reserve(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i)
        numbers.push_back(KnownNumber(i).toStdString());
    // At least a million lookups, so that the clock sees the loop and not
    // its own grain.
    const int passes = std::max(1, 1'000'000 / std::max(rows, 1));
    std::string out;
    size_t bytes = 0;
    QElapsedTimer timer;
    timer.start();
    for (int pass = 0; pass < passes; ++pass) {
        for (const std::string &number : numbers) {
            out.clear();
            answerer.Answer(number, out);
            bytes += out.size();
        }
    }
    const double ns = static_cast<double>(timer.nsecsElapsed()) / (double(passes) * rows);
    std::printf("%.1f %zu\n", ns, bytes);
    return 0;
}
#endif

// The floor in microseconds per lookup, from a process of its own (so that
// the table does not count in this one's memory); 0 where there is none.
double FloorUsPerLookup(int rows) {
#ifdef TARVIO_BUILTIN_SEGMENTS
    QProcess floor;
    floor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    floor.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--floor"), QString::number(rows)});
    if (!floor.waitForFinished(600'000) || floor.exitCode() != 0)
        return 0;
    return floor.readAllStandardOutput().split(' ').value(0).toDouble() / 1e3;
#else
    Q_UNUSED(rows);
    return 0;
#endif
}

double MedianSingleQueryUs(MainWindow &window, int queries) {
    auto *singlePhone = window.findChild<QLineEdit *>(QStringLiteral("SinglePhone"));
    if (!singlePhone)
        return 0;
    std::vector<double> us;
    for (int i = 0; i < queries; ++i) {
        singlePhone->setText(KnownNumber(i));
        QElapsedTimer timer;
        timer.start();
        window.seach_Click();
        while (window.CommandRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        us.push_back(timer.nsecsElapsed() / 1e3);
        QCoreApplication::processEvents();
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

double Median(std::vector<double> figures) {
    if (figures.empty())
        return 0;
    std::sort(figures.begin(), figures.end());
    return figures[figures.size() / 2];
}

// "12.3x" or "-" when the baseline is missing.
QByteArray Times(double figure, double baseline) {
    return baseline > 0 ? QByteArray::number(figure / baseline, 'f', 2) + 'x' : "-";
}

#ifdef TARVIO_ON_ACCESSIBILITY_BUS
// The window with accessibility on, read by a screen reader all along: the
// second bench_batch, which imports and runs a list for every line "ROWS"
// it reads and answers with a line "US-PER-ROW READS SLOWEST-READ-MS
// PEAK-KB TALLY".
int AccessibleBatches(QStringList &args) {
    BenchWindow bench(args);
    if (!bench.Ok())
        return 1;
    BusReaderProcess reader;
    if (!reader.Start()) {
        std::printf("no reader\n");
        return 1;
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &bench.Window(), [&] {
        std::string line;
        if (!std::getline(std::cin, line) || line.empty()) {
            QCoreApplication::exit(0);
            return;
        }
        const int rows = std::stoi(line);
        const QString numbers = WriteNumbers(bench.Dir(), rows);
        QJsonObject streamed;
        reader.Ask("stream 4 10", [&](const QJsonObject &answer) { streamed = answer; });
        const WindowFigures batch = WindowRound(bench, numbers, rows, nullptr, false);
        reader.Tell("stop");
        while (streamed.isEmpty() && reader.Running())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QFile::remove(numbers);
        const QJsonArray ms = streamed[QStringLiteral("ms")].toArray();
        double slowest = 0;
        for (const QJsonValue &read : ms)
            slowest = std::max(slowest, read.toDouble());
        std::printf("%.2f %lld %.1f %ld %s\n", batch.usPerRow, static_cast<long long>(ms.size()),
                    slowest, PeakResidentKb(), qPrintable(batch.tally));
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// The second bench_batch, started on its accessibility bus.
class AccessibleBench {
public:
    bool Start(const QString &serviceHost) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TARVIO_ON_ACCESSIBILITY_BUS),
                        {QCoreApplication::applicationFilePath(), QStringLiteral("--accessible"),
                         QStringLiteral("--service"), serviceHost});
        return ReadLine() == "ready";
    }
    ~AccessibleBench() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(30'000))
            m_process.kill();
    }
    // Its answer for a list of so many rows; empty if it failed.
    QList<QByteArray> Batch(int rows) {
        m_process.write(QByteArray::number(rows) + '\n');
        const QList<QByteArray> fields = ReadLine().split(' ');
        return fields.size() >= 5 ? fields : QList<QByteArray>();
    }

private:
    QByteArray ReadLine() {
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(3'600'000);
        return m_process.readLine().trimmed();
    }
    QProcess m_process;
};
#endif

struct Summary {
    std::vector<double> off, on; // the batch over ab -k -c 8
    long peakKb = 0;
};

void PrintRound(int round, const Baselines &ab, double floorUs, const WindowFigures &w,
                const PaintWatch &watch) {
    std::printf("  round %d: ab -k -c 8 %.2f us per request, ab -k -c 1 %.2f, ab -c 1 %.2f; "
                "in-process floor %.3f us per lookup\n",
                round, ab.keptEight, ab.keptOne, ab.newOne, floorUs);
    std::printf("    batch, accessibility off: %.2f us per row = %s ab -k -c 8 (goal %.1fx), %s ab "
                "-k -c 1, %s ab -c 1, %s the floor\n",
                w.usPerRow, Times(w.usPerRow, ab.keptEight).constData(), kGoalOff,
                Times(w.usPerRow, ab.keptOne).constData(), Times(w.usPerRow, ab.newOne).constData(),
                Times(w.usPerRow, floorUs).constData());
    std::printf("      %s; Frame2 repainted %d times, longest gap %lld ms\n", qPrintable(w.tally),
                watch.paints, static_cast<long long>(watch.longestGapMs));
    std::printf("    memory (MB): window open %.1f; import peak %.1f, after %.1f; batch peak %.1f, "
                "after %.1f; export to .xlsx (%.2f s) peak %.1f, after %.1f\n",
                Mb(w.openKb), Mb(w.import.peakKb), Mb(w.import.afterKb), Mb(w.batch.peakKb),
                Mb(w.batch.afterKb), w.exportSeconds, Mb(w.exported.peakKb),
                Mb(w.exported.afterKb));
    if (!w.exportMessage.startsWith(QStringLiteral("已导出")))
        std::printf("    EXPORT FAILED: %s\n", qPrintable(w.exportMessage));
}
} // namespace

int main(int argc, char **argv) {
    UseOffscreenUnlessTold();
#ifdef TARVIO_BUILTIN_SEGMENTS
    // The floor's process needs no window.
    if (argc == 3 && std::string(argv[1]) == "--floor")
        return PrintFloor(std::atoi(argv[2]));
#endif
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
    if (args.removeAll(QStringLiteral("--accessible")) > 0)
        return AccessibleBatches(args);
#endif
    int rounds = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--rounds")); at >= 0) {
        rounds = args.value(at + 1).toInt();
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
    }
    BenchWindow bench(args);
    if (!bench.Ok())
        return 1;
    std::vector<int> sizes;
    for (const QString &arg : args) {
        if (const int rows = arg.toInt(); rows > 0)
            sizes.push_back(rows);
    }
    if (sizes.empty())
        sizes = {10'000, 1'000'000};

    MainWindow &window = bench.Window();
    PaintWatch watch;
    window.Frame2Box()->installEventFilter(&watch);
    const quint16 port = bench.ServicePort();

#ifdef TARVIO_ON_ACCESSIBILITY_BUS
    AccessibleBench accessible;
    const bool withAccessibility = accessible.Start(bench.ServiceHost());
    if (!withAccessibility)
        std::printf("no window with accessibility on: at-spi2-core, xvfb or python3-pyatspi "
                    "missing?\n");
#else
    std::printf("accessibility on: measured on Linux only (AT-SPI)\n");
#endif
    // Warm up every side.
    const QString warmUp = WriteNumbers(bench.Dir(), 200);
    WindowRound(bench, warmUp, 200, nullptr, true);
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
    if (withAccessibility)
        accessible.Batch(200);
#endif
    if (AbUsPerRequest(port, 200, 1, false) == 0)
        std::printf("ab (Debian: apache2-utils) is not there or failed: no baseline\n");

    std::printf("platform: %s, accessibility %s; ab asks min(rows, %d) requests a client\n",
                qPrintable(QGuiApplication::platformName()), QAccessible::isActive() ? "on" : "off",
                kAbRequestsAtMost);
    std::vector<Summary> summaries;
    for (const int rows : sizes) {
        const QString numbers = WriteNumbers(bench.Dir(), rows);
        const int sizeRounds = rounds > 0 ? rounds : rows <= 100'000 ? 3 : 1;
        const int requests = std::min(rows, kAbRequestsAtMost);
        std::printf("%d rows, %d round(s)\n", rows, sizeRounds);
        std::fflush(stdout);
        Summary summary;
        for (int round = 1; round <= sizeRounds; ++round) {
            // The baselines first in odd rounds, last in even ones.
            const bool baselinesFirst = round % 2 == 1;
            Baselines ab;
            double floorUs = 0;
            if (baselinesFirst) {
                ab = MeasureBaselines(port, requests);
                floorUs = FloorUsPerLookup(rows);
            }
            const WindowFigures w = WindowRound(bench, numbers, rows, &watch, true);
            summary.peakKb = std::max(
                summary.peakKb, std::max({w.import.peakKb, w.batch.peakKb, w.exported.peakKb}));
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
            const QList<QByteArray> on =
                withAccessibility ? accessible.Batch(rows) : QList<QByteArray>();
#endif
            if (!baselinesFirst) {
                ab = MeasureBaselines(port, requests);
                floorUs = FloorUsPerLookup(rows);
            }
            PrintRound(round, ab, floorUs, w, watch);
            if (ab.keptEight > 0)
                summary.off.push_back(w.usPerRow / ab.keptEight);
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
            if (!on.isEmpty()) {
                const double usPerRow = on[0].toDouble();
                const double seconds = usPerRow * rows / 1e6;
                std::printf("    batch with accessibility on, read by a screen reader: %.2f us per "
                            "row = %s ab -k -c 8 (goal %.1fx), %s with it off\n",
                            usPerRow, Times(usPerRow, ab.keptEight).constData(), kGoalOn,
                            Times(usPerRow, w.usPerRow).constData());
                std::printf("      %s; %s reads answered, %.0f a second, the slowest in %s ms; "
                            "its process's peak %.1f MB\n",
                            on.mid(4).join(' ').constData(), on[1].constData(),
                            seconds > 0 ? on[1].toDouble() / seconds : 0.0, on[2].constData(),
                            Mb(on[3].toLong()));
                if (ab.keptEight > 0)
                    summary.on.push_back(usPerRow / ab.keptEight);
            }
#endif
            std::fflush(stdout);
        }
        QFile::remove(numbers);
        summaries.push_back(summary);
    }

    std::printf("summary\n");
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Summary &s = summaries[i];
        const double off = Median(s.off), on = Median(s.on);
        std::printf("  %d rows: batch over ab -k -c 8, median %.2fx (goal %.1fx: %s)", sizes[i],
                    off, kGoalOff, off > 0 && off <= kGoalOff ? "met" : "MISSED");
        if (!s.on.empty())
            std::printf("; with a screen reader %.2fx (goal %.1fx: %s)", on, kGoalOn,
                        on <= kGoalOn ? "met" : "MISSED");
        std::printf("; peak memory %.1f MB (goal %.0f MB: %s)\n", Mb(s.peakKb), kPeakGoalMb,
                    Mb(s.peakKb) <= kPeakGoalMb ? "met" : "MISSED");
    }
    std::printf("single query, button to caption: median %.1f us\n",
                MedianSingleQueryUs(window, 200));
    for (const QString &text : MessageBox::Texts()) {
        if (!text.startsWith(QStringLiteral("已导出")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    std::fflush(stdout);
    return 0;
}
