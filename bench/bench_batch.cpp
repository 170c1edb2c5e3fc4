// Times the batch run the way a user meets it: through the real main window
// (import through the file chooser, batch, tally) against the bundled
// segment service, beside Apache's `ab -c 1` (a bare C client, one request at
// a time, each on a new connection, as the batch makes them) asking the same
// service in the same run. The two take turns, three rounds, and every
// round's ratio is printed, so that a noisy machine shows as spread rather
// than as a wrong figure. Also prints how often the window was repainted,
// times a single query from the button to its caption, and runs a list of
// 100,000 rows for its time and the peak memory of the process.
//   bench_batch [rows=10000] [rows for the memory run=100000] [--service HOST:PORT]
// The window is offscreen unless QT_QPA_PLATFORM says otherwise (for example
// QT_QPA_PLATFORM=xcb DISPLAY=:91 under Xvfb with a window manager).
// On Linux every round also runs the same batch with accessibility on, side
// by side: in a second bench_batch (--accessible) on an X server and an
// accessibility bus of its own (tests/support/on-accessibility-bus.sh), whose
// window a screen reader (busreader.py) reads all along: four reads on the
// way at a time, each asked 10 ms after the last was answered, some hundreds
// a second.
#include "benchservice.h"
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
#include "busreaderprocess.h"
#endif
#include "filedialog.h"
#include "mainwindow.h"
#include "processmemory.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"

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
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {
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

struct BatchFigures {
    double usPerRow = 0;
    QString tally;
};

BatchFigures WindowBatch(MainWindow &window, const QString &dir, int rows, PaintWatch *watch) {
    const QString path = dir + QStringLiteral("/numbers.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    QByteArray text;
    for (int i = 0; i < rows; ++i)
        text += KnownNumber(i).toLatin1() + "\r\n";
    file.write(text);
    file.close();

    FileDialog::SetNextFileName(path);
    window.import_Click();
    QCoreApplication::processEvents();
    if (watch)
        watch->Start();
    QElapsedTimer timer;
    timer.start();
    window.batch_Click();
    const qint64 ns = timer.nsecsElapsed();
    if (watch)
        watch->Stop();
    QCoreApplication::processEvents();
    return {ns / 1e3 / rows, window.Frame2Box()->title()};
}

// ab -c 1 against the service: microseconds per request, or 0 when ab is
// not there (Debian: apache2-utils) or failed.
double AbUsPerRequest(quint16 port, int requests) {
    QProcess ab;
    ab.start(QStringLiteral("ab"),
             {QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-n"),
              QString::number(requests),
              QStringLiteral("http://127.0.0.1:%1/cc/json/mobile_tel_segment.htm?tel=%2")
                  .arg(port)
                  .arg(KnownNumber(requests))});
    if (!ab.waitForFinished(600'000) || ab.exitCode() != 0)
        return 0;
    const QString report = QString::fromLocal8Bit(ab.readAllStandardOutput());
    static const QRegularExpression kMean(
        QStringLiteral(R"(Time per request:\s+([0-9.]+) \[ms\] \(mean\))"));
    const QRegularExpressionMatch mean = kMean.match(report);
    if (!mean.hasMatch() || !report.contains(QStringLiteral("Failed requests:        0")))
        return 0;
    return mean.captured(1).toDouble() * 1e3;
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
        us.push_back(timer.nsecsElapsed() / 1e3);
        QCoreApplication::processEvents();
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

#ifdef TARVIO_ON_ACCESSIBILITY_BUS
// The window with accessibility on, read by a screen reader all along: the
// second bench_batch, which runs a batch for every line "ROWS" it reads and
// answers with a line "US-PER-ROW READS SLOWEST-READ-MS TALLY".
int AccessibleBatches(const QString &serviceHost) {
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    MessageBox::AnswerOkUnseen();
    MainWindow window(serviceHost);
    window.show();
    QCoreApplication::processEvents();
    BusReaderProcess reader;
    if (!reader.Start()) {
        std::printf("no reader\n");
        return 1;
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        std::string line;
        if (!std::getline(std::cin, line) || line.empty()) {
            QCoreApplication::exit(0);
            return;
        }
        QJsonObject streamed;
        reader.Ask("stream 4 10", [&](const QJsonObject &answer) { streamed = answer; });
        const BatchFigures batch = WindowBatch(window, dir.path(), std::stoi(line), nullptr);
        reader.Tell("stop");
        while (streamed.isEmpty() && reader.Running())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const QJsonArray ms = streamed[QStringLiteral("ms")].toArray();
        double slowest = 0;
        for (const QJsonValue &read : ms)
            slowest = std::max(slowest, read.toDouble());
        std::printf("%.1f %lld %.1f %s\n", batch.usPerRow, static_cast<long long>(ms.size()),
                    slowest, qPrintable(batch.tally));
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
    // us per row, reads answered, the slowest read in ms; empty if it failed.
    QByteArray Batch(int rows) {
        m_process.write(QByteArray::number(rows) + '\n');
        return ReadLine();
    }

private:
    QByteArray ReadLine() {
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(600'000);
        return m_process.readLine().trimmed();
    }
    QProcess m_process;
};
#endif
} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QProcess service;
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
    // The second bench_batch, told its service by the first.
    if (args.removeAll(QStringLiteral("--accessible")) > 0)
        return AccessibleBatches(ServiceForBenchmark(args, service));
#endif
    const int rows = args.value(0, QStringLiteral("10000")).toInt();
    const int memoryRows = args.value(1, QStringLiteral("100000")).toInt();

    const QString serviceHost = ServiceForBenchmark(args, service);
    if (serviceHost.isEmpty())
        return 1;
    const quint16 port = serviceHost.section(QLatin1Char(':'), -1).toUShort();

    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    MessageBox::AnswerOkUnseen();
    MainWindow window(serviceHost);
    window.show();
    PaintWatch watch;
    window.Frame2Box()->installEventFilter(&watch);
    QCoreApplication::processEvents();

#ifdef TARVIO_ON_ACCESSIBILITY_BUS
    AccessibleBench accessible;
    const bool withAccessibility = accessible.Start(serviceHost);
    if (!withAccessibility)
        std::printf("no window with accessibility on: at-spi2-core, xvfb or python3-pyatspi "
                    "missing?\n");
#else
    std::printf("accessibility on: measured on Linux only (AT-SPI)\n");
#endif
    // Warm up every side.
    WindowBatch(window, dir.path(), 200, nullptr);
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
    if (withAccessibility)
        accessible.Batch(200);
#endif
    if (AbUsPerRequest(port, 200) == 0)
        std::printf("ab (Debian: apache2-utils) is not there or failed: no baseline\n");

    std::printf("platform: %s, accessibility %s\n", qPrintable(QGuiApplication::platformName()),
                QAccessible::isActive() ? "on" : "off");
    std::vector<double> ratios, accessibleRatios;
    for (int round = 1; round <= 3; ++round) {
        const double ab = AbUsPerRequest(port, rows);
        const BatchFigures batch = WindowBatch(window, dir.path(), rows, &watch);
        std::printf("round %d: ab -c 1 %.1f us per request; batch through the main window, %d "
                    "rows: %.1f us per row",
                    round, ab, rows, batch.usPerRow);
        if (ab > 0) {
            ratios.push_back(batch.usPerRow / ab);
            std::printf(" (%.2fx ab)", ratios.back());
        }
        std::printf("\n  %s; Frame2 repainted %d times, longest gap %lld ms\n",
                    qPrintable(batch.tally), watch.paints,
                    static_cast<long long>(watch.longestGapMs));
#ifdef TARVIO_ON_ACCESSIBILITY_BUS
        if (!withAccessibility)
            continue;
        const QList<QByteArray> on = accessible.Batch(rows).split(' ');
        if (on.size() < 4)
            continue;
        const double usPerRow = on[0].toDouble();
        const double seconds = usPerRow * rows / 1e6;
        std::printf("  with accessibility on, read by a screen reader: %.1f us per row", usPerRow);
        if (ab > 0) {
            accessibleRatios.push_back(usPerRow / ab);
            std::printf(" (%.2fx ab, %.2fx with it off)", accessibleRatios.back(),
                        usPerRow / batch.usPerRow);
        }
        std::printf("\n  %s; %s reads answered, %.0f a second, the slowest in %s ms\n",
                    on.mid(3).join(' ').constData(), on[1].constData(),
                    seconds > 0 ? on[1].toDouble() / seconds : 0.0, on[2].constData());
#endif
    }
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("median ratio to ab -c 1: %.2fx (goal: at most 1.1x)\n",
                    ratios[ratios.size() / 2]);
    }
    if (!accessibleRatios.empty()) {
        std::sort(accessibleRatios.begin(), accessibleRatios.end());
        std::printf("median ratio to ab -c 1 with accessibility on: %.2fx (goal: at most 1.5x)\n",
                    accessibleRatios[accessibleRatios.size() / 2]);
    }
    std::printf("single query, button to caption: median %.1f us\n",
                MedianSingleQueryUs(window, 200));
    std::printf("peak memory so far: %ld kB\n", PeakResidentKb());

    if (memoryRows > 0) {
        const BatchFigures big = WindowBatch(window, dir.path(), memoryRows, nullptr);
        std::printf("batch through the main window, %d rows: %.1f s, %.1f us per row\n", memoryRows,
                    big.usPerRow * memoryRows / 1e6, big.usPerRow);
        std::printf("  %s\n", qPrintable(big.tally));
        std::printf("peak memory with %d rows: %ld kB\n", memoryRows, PeakResidentKb());
    }
    for (const QString &text : MessageBox::Texts())
        std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stdout);
    window.close();
    StopService(service);
    return 0;
}
