// Times numbers in and results out the way a user meets them: through the
// real main window, in one run, beside the plain import and the batch:
//  - the import of a .txt file of N numbers (the Open dialog answered);
//  - the paste of the same N numbers as a column copied from a spreadsheet
//    (header included), by 粘贴号码, against that import;
//  - the batch over them against the bundled segment service;
//  - 导出结果 of the N answered rows to .xlsx and to .csv (the Save dialog
//    answered), against libxlsxwriter alone writing the same sheet from
//    ready-made UTF-8, the fastest the workbook can be made.
// Three rounds each but the batch; the median is printed, with the goals
// (paste under 1 s, .xlsx export under 2 s for 100,000 rows).
//   bench_numbersinout [rows=100000] [--service HOST:PORT]
// The window is offscreen unless QT_QPA_PLATFORM says otherwise (for example
// QT_QPA_PLATFORM=xcb DISPLAY=:91 under Xvfb with a window manager).
#include "bareworkbook.h"
#include "benchservice.h"
#include "benchwindow.h"
#include "filedialog.h"
#include "mainwindow.h"
#include "processmemory.h"
#include "prompt.h"
#include "resultlistmodel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {
double Seconds(const std::function<void()> &work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

double MedianOfThree(const std::function<double()> &round) {
    std::vector<double> s{round(), round(), round()};
    std::sort(s.begin(), s.end());
    return s[1];
}

void Trigger(MainWindow &window, const char *action) {
    if (auto *a = window.findChild<QAction *>(QLatin1String(action)))
        a->trigger();
}

// The export's baseline (bareworkbook.h), timed without making its cells.
double BareWorkbookSeconds(const QString &dir, const ResultListModel &lv) {
    const BareWorkbook bare(lv);
    const QByteArray folder = QFile::encodeName(dir);
    return Seconds([&] { bare.Write(folder + "/bare.xlsx", folder); });
}
} // namespace

int main(int argc, char **argv) {
    UseOffscreenUnlessTold();
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    BenchWindow bench(args);
    if (!bench.Ok())
        return 1;
    const int rows = args.value(0, QStringLiteral("100000")).toInt();
    MainWindow &window = bench.Window();
    const QDir dir(bench.Dir());

    QByteArray file;
    QString column = QStringLiteral("手机号码\r\n");
    for (int i = 0; i < rows; ++i) {
        const QString number = KnownNumber(i);
        file += number.toLatin1() + "\r\n";
        column += number + QStringLiteral("\r\n");
    }
    const QString numbers = dir.filePath(QStringLiteral("numbers.txt"));
    QFile out(numbers);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(numbers));
        return 1;
    }
    out.close();

    std::printf("platform: %s; %d numbers\n", qPrintable(QGuiApplication::platformName()), rows);
    const double import = MedianOfThree([&] {
        FileDialog::SetNextFileName(numbers);
        const double s = Seconds([&] { window.import_Click(); });
        QCoreApplication::processEvents();
        return s;
    });
    std::printf("import of the .txt file:         %7.3f s  (%s)\n", import,
                qPrintable(window.Frame2Box()->title()));

    QGuiApplication::clipboard()->setText(column);
    const double paste = MedianOfThree([&] {
        const double s = Seconds([&] { Trigger(window, "PastePhone"); });
        QCoreApplication::processEvents();
        return s;
    });
    std::printf(
        "paste of the spreadsheet column: %7.3f s  (%.2fx the import; goal 1 s: %s)  (%s)\n", paste,
        paste / import, paste < 1 ? "met" : "MISSED", qPrintable(window.Frame2Box()->title()));

    const double batch = Seconds([&] { window.batch_Click(); });
    QCoreApplication::processEvents();
    std::printf("batch over them:                 %7.3f s  (%.1f us per row)  (%s)\n", batch,
                batch * 1e6 / rows, qPrintable(window.Frame2Box()->title()));

    const double bare =
        MedianOfThree([&] { return BareWorkbookSeconds(bench.Dir(), *window.ListModel()); });
    for (const char *format : {"xlsx", "csv"}) {
        const QString target = dir.filePath(QStringLiteral("导出结果.") + QLatin1String(format));
        const double exported = MedianOfThree([&] {
            FileDialog::SetNextFileName(target);
            return Seconds([&] { Trigger(window, "ExportPhone"); });
        });
        std::printf("export of the rows to .%-4s      %7.3f s  (%.1f MB", format, exported,
                    QFile(target).size() / 1e6);
        if (QLatin1String(format) == QLatin1String("xlsx"))
            std::printf("; %.2fx libxlsxwriter alone, %.3f s; goal 2 s: %s", exported / bare, bare,
                        exported < 2 ? "met" : "MISSED");
        std::printf(")\n");
    }
    std::printf("peak memory of the process: %ld kB\n", PeakResidentKb());
    const QStringList texts = MessageBox::Texts();
    if (!texts.isEmpty())
        std::printf("last message: %s\n", qPrintable(texts.last()));
    std::fflush(stdout);
    return 0;
}
