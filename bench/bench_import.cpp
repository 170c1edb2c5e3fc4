// Imports a generated number list of 100,000 lines through the import
// command, several times, and prints the median time and the peak memory
// the imports added. Then workbooks: a 1,000,000-row .xlsx (written with
// libxlsxwriter) with its texts inline in the sheet (as libxlsxwriter's
// constant-memory mode and openpyxl's write-only mode write them) and one
// with them shared (as Excel and LibreOffice write them), each beside
// openpyxl's read-only reader, and a 65,535-row .xls (written with xlwt)
// beside xlrd, each as a ratio measured in the same run, with the CPU time
// the import took on all its threads.
#include "commandview.h"
#include "commandwaiter.h"
#include "importnumberlist.h"
#include "processmemory.h"
#include "processtimes.h"
#include "resultlistmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
// What an import uses of the window, with the dialog answered by `path`.
class ImportView : public CommandView {
public:
    explicit ImportView(QString path)
        : m_path(std::move(path)) {}
    ResultListModel &ResultList() override { return lv; }
    QString SinglePhoneText() const override { return {}; }
    void SetFrame1Caption(const QString &) override {}
    void SetFrame2Caption(const QString &text) override { caption = text; }
    QString FileNameText() const override { return m_fileName; }
    void SetFileNameText(const QString &text) override { m_fileName = text; }
    QString ChooseNumberFile() override { return m_path; }
    ExportFileChoice ChooseExportFile() override { return {}; }
    QString ChooseProvinceWorkbook() override { return {}; }
    void Prompt(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    int SelectedRow() const override { return 0; }
    void CopyToClipboard(const QString &) override {}
    QString ClipboardText() const override { return {}; }
    void ShowDistinctLocations(const QStringList &) override {}
    CommandWaiter &Waiter() override { return waiter; }

    ResultListModel lv;
    EventLoopWaiter waiter;
    QString caption;

private:
    QString m_path, m_fileName;
};
} // namespace

namespace {
double Median(QList<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct ImportTimes {
    double ms;    // the median time
    double cpuMs; // the median CPU time, all threads
};

// The import of `path` through the command, `runs` times.
ImportTimes TimeImport(ImportView &view, int runs) {
    QList<double> times, cpu;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        const double cpuBefore = ProcessCpuMs();
        timer.start();
        ImportNumberList(view);
        times.append(timer.nsecsElapsed() / 1e6);
        cpu.append(ProcessCpuMs() - cpuBefore);
    }
    return {Median(times), Median(cpu)};
}

// Debian's Python with the baselines' script: its output, or nothing.
QByteArray RunBaselineScript(const QStringList &arguments) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(TARVIO_BENCH_SOURCE "/workbook_baselines.py")} +
                     arguments);
    if (!python.waitForFinished(600'000) || python.exitCode() != 0)
        return QByteArray();
    return python.readAllStandardOutput();
}

// A baseline reader's median time in ms over `runs`, or -1 without one.
double TimeBaseline(const QString &reader, const QString &path, int runs) {
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        const QByteArray out = RunBaselineScript({reader, path});
        if (out.isEmpty())
            return -1;
        times.append(out.split(' ').first().toDouble() * 1000);
    }
    return Median(times);
}

// Inline strings in libxlsxwriter's constant-memory mode, else shared ones
// (which it keeps in memory, hundreds of megabytes for a million rows: a
// process of its own writes them, so that the figures of this one do not
// count them).
bool WriteLargeXlsx(const QString &path, int rows, bool shared) {
    lxw_workbook_options options{};
    options.constant_memory = shared ? LXW_FALSE : LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!book)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(book, "客户名单");
    worksheet_write_string(sheet, 0, 0, "姓名", nullptr);
    worksheet_write_string(sheet, 0, 1, "手机", nullptr);
    worksheet_write_string(sheet, 0, 2, "地址", nullptr);
    for (int row = 1; row <= rows; ++row) {
        worksheet_write_string(sheet, lxw_row_t(row), 0,
                               QStringLiteral("客户%1").arg(row).toUtf8().constData(), nullptr);
        worksheet_write_number(sheet, lxw_row_t(row), 1, 13800000000.0 + row, nullptr);
        worksheet_write_string(
            sheet, lxw_row_t(row), 2,
            QStringLiteral("北京市朝阳区建国路%1号").arg(row).toUtf8().constData(), nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

void PrintWorkbookFigures(const char *what, ImportView &view, int runs, const QString &reader) {
    const long before = ResetPeakResident() ? CurrentResidentKb() : PeakResidentKb();
    const ImportTimes times = TimeImport(view, runs);
    const double ours = times.ms;
    const long peak = PeakResidentKb();
    std::printf("%s: import median %.0f ms (CPU %.0f ms, all threads) over %d runs; rows %d; "
                "caption: %s\n",
                what, ours, times.cpuMs, runs, view.lv.Count(), qPrintable(view.caption));
    std::printf("  peak memory %.1f MB (%.1f MB above the memory before)\n", peak / 1024.0,
                (peak - before) / 1024.0);
    const double baseline = TimeBaseline(reader, view.FileNameText(), runs);
    if (baseline < 0)
        std::printf("  %s: not run (Debian's python3-%s is needed)\n", qPrintable(reader),
                    qPrintable(reader));
    else
        std::printf("  %s alone: median %.0f ms; ratio tarvio / %s = %.2f\n", qPrintable(reader),
                    baseline, qPrintable(reader), ours / baseline);
}

// A million-row workbook against openpyxl, then gone, so that the next one's
// memory is its own.
void MeasureLargeXlsx(const QString &path, const char *kind) {
    std::printf("\n.xlsx of 1,000,000 rows, %s (%.1f MB):\n", kind, QFile(path).size() / 1048576.0);
    ImportView view(path);
    PrintWorkbookFigures("tarvio", view, 3, QStringLiteral("openpyxl"));
    view.lv.Clear();
    QFile::remove(path);
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    // bench_import --write-shared-xlsx FILE ROWS: the workbook of shared
    // strings, written in a process of its own.
    if (argc == 4 && QByteArray(argv[1]) == "--write-shared-xlsx")
        return WriteLargeXlsx(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(), true)
                   ? 0
                   : 1;
    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 100'000;
    constexpr int kRuns = 7;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("numbers.txt"));
    {
        QByteArray content;
        content.reserve(qsizetype(lines) * 13);
        for (int i = 0; i < lines; ++i) {
            // One line in a hundred is invalid, as in a real list.
            content += i % 100 == 99 ? QByteArray("138-0013-800")
                                     : "13" + QByteArray::number(100'000'000 + i);
            content += "\r\n";
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    ImportView view(path);
    const bool peakReset = ResetPeakResident();
    const long before = peakReset ? CurrentResidentKb() : PeakResidentKb();
    QList<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        ImportNumberList(view);
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("import of %d lines: median %.1f ms (best %.1f, worst %.1f) over %d runs\n", lines,
                times[kRuns / 2], times.first(), times.last(), kRuns);
    std::printf("rows %d; caption: %s\n", view.lv.Count(), qPrintable(view.caption));
    std::printf("peak memory added by the imports: %.1f MB\n",
                (PeakResidentKb() - before) / 1024.0);

    // Workbooks; an argument "text" stops before them.
    if (argc > 2 && QByteArray(argv[2]) == "text")
        return 0;
    constexpr int kXlsxRows = 1'000'000;
    const QString xlsx = dir.filePath(QStringLiteral("customers.xlsx"));
    if (!WriteLargeXlsx(xlsx, kXlsxRows, false)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(xlsx));
        return 1;
    }
    MeasureLargeXlsx(xlsx, "texts inline");

    const QString shared = dir.filePath(QStringLiteral("customers-shared.xlsx"));
    if (QProcess::execute(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--write-shared-xlsx"), shared, QString::number(kXlsxRows)}) != 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(shared));
        return 1;
    }
    MeasureLargeXlsx(shared, "texts shared as Excel writes them");

    const QString xls = dir.filePath(QStringLiteral("customers.xls"));
    RunBaselineScript({QStringLiteral("write-xls"), xls, QStringLiteral("65535")});
    if (!QFile::exists(xls)) {
        std::printf("\n.xls: not run (Debian's python3-xlwt writes it)\n");
    } else {
        std::printf("\n.xls of 65,535 rows (%.1f MB):\n", QFile(xls).size() / 1048576.0);
        ImportView xlsView(xls);
        PrintWorkbookFigures("tarvio", xlsView, 5, QStringLiteral("xlrd"));
    }
    return 0;
}
