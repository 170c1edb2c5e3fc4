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
#include "benchservice.h"
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
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rows = args.value(0, QStringLiteral("10000")).toInt();
    const int memoryRows = args.value(1, QStringLiteral("100000")).toInt();

    QProcess service;
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

    // Warm up both sides.
    WindowBatch(window, dir.path(), 200, nullptr);
    if (AbUsPerRequest(port, 200) == 0)
        std::printf("ab (Debian: apache2-utils) is not there or failed: no baseline\n");

    std::printf("platform: %s, accessibility %s\n", qPrintable(QGuiApplication::platformName()),
                QAccessible::isActive() ? "on" : "off");
    std::vector<double> ratios;
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
    }
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("median ratio to ab -c 1: %.2fx\n", ratios[ratios.size() / 2]);
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
