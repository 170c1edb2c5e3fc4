// 导出结果 and 分类导出 of a list too long for one sheet, through the real
// main window, the way a user meets them (the Save dialog answered):
//  - the time of each, against libxlsxwriter alone writing the same rows
//    from ready-made UTF-8 on sheets as full as Excel's (for .xlsx) and
//    against writing the same CSV bytes at once (for .csv);
//  - the memory the export takes above the list it reads (the program's
//    goal: 250 MB at its peak with 1,000,000 rows);
//  - how long the window's events waited at most meanwhile: a timer that
//    should fire every 40 ms notes the longest gap (the writing runs on a
//    thread of its own, so the gap stays near 40 ms);
//  - with --read-back, the workbooks read back with openpyxl, every row
//    counted on every sheet.
//   bench_export [rows=1100000] [--read-back]
// The window is offscreen unless QT_QPA_PLATFORM says otherwise.
#include "bareworkbook.h"
#include "filedialog.h"
#include "mainwindow.h"
#include "processmemory.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultcsv.h"
#include "resultlistmodel.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

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

const char *const kProvinces[] = {
    "广东",   "山东", "河南", "四川", "江苏", "河北",   "湖南", "安徽", "湖北", "浙江", "广西",
    "云南",   "江西", "辽宁", "福建", "陕西", "黑龙江", "山西", "贵州", "重庆", "吉林", "甘肃",
    "内蒙古", "上海", "新疆", "北京", "天津", "海南",   "宁夏", "青海", "西藏", ""};

// Rows from all over, the larger provinces more often, one in 32 not found.
QList<ResultRow> MakeRows(int count) {
    QList<ResultRow> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString province = QString::fromUtf8(kProvinces[(i % 97) * (i % 89) % 32]);
        ResultRow row{QString::number(i + 1),
                      QStringLiteral("1%1").arg(3000000000LL + qint64(i) * 6151LL),
                      {},
                      {}};
        row.query = RowQuery::Answered;
        if (!province.isEmpty()) {
            row.location = province + QStringLiteral(" 移动");
            row.answer = {province, province + QStringLiteral("市"), QStringLiteral("中国移动")};
        }
        rows.append(std::move(row));
    }
    return rows;
}

// The export's baseline (bareworkbook.h), timed without making its cells.
double BareWorkbookSeconds(const QString &dir, const ResultListModel &lv) {
    const BareWorkbook bare(lv);
    const QByteArray folder = QFile::encodeName(dir);
    return Seconds([&] { bare.Write(folder + "/bare.xlsx", folder); });
}

// The CSV's bytes made at once in memory and written in one go.
double BareCsvSeconds(const QString &dir, const ResultListModel &lv) {
    QList<ResultRecord> records;
    records.reserve(lv.Count());
    for (int i = 1; i <= lv.Count(); ++i) {
        const RowAnswer &answer = lv.Answer(i);
        records.append({lv.Text(i), lv.Number(i), answer.province, answer.city, answer.carrier});
    }
    return Seconds([&] {
        const QByteArray bytes = ResultsCsvBytes(records);
        QFile file(dir + QStringLiteral("/bare.csv"));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    });
}

struct Run {
    double seconds = 0;
    long extraKb = 0;
    qint64 longestGapMs = 0;
};

// Runs the menu item with a timer going that should fire every 40 ms.
Run Export(MainWindow &window, const char *item, const QString &target) {
    QCoreApplication::processEvents();
    const long before = CurrentResidentKb();
    const bool freshPeak = ResetPeakResident();
    const long peakBefore = PeakResidentKb();
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(40);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longest = qMax(longest, sinceTick.restart()); });
    FileDialog::SetNextFileName(target);
    Run run;
    sinceTick.start();
    ticker.start();
    run.seconds = Seconds([&] { window.findChild<QAction *>(QLatin1String(item))->trigger(); });
    ticker.stop();
    run.longestGapMs = qMax(longest, sinceTick.elapsed());
    run.extraKb = PeakResidentKb() - (freshPeak ? before : peakBefore);
    return run;
}

// Every row of every sheet, counted by openpyxl.
void ReadBack(const QString &workbook, int rows) {
    const QString script =
        QStringLiteral("import sys, openpyxl\n"
                       "book = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                       "total = 0\n"
                       "for sheet in book.worksheets:\n"
                       "    n = sum(1 for _ in sheet.iter_rows(values_only=True)) - 1\n"
                       "    print('    %s: %d rows' % (sheet.title, n))\n"
                       "    total += n\n"
                       "print('    all sheets: %d rows' % total)\n");
    QProcess python;
    python.setProcessChannelMode(QProcess::ForwardedChannels);
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, workbook});
    python.waitForFinished(-1);
    std::printf("    (the list holds %d rows)\n", rows);
}
} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool readBack = args.contains(QStringLiteral("--read-back"));
    QStringList numbers = args;
    numbers.removeAll(QStringLiteral("--read-back"));
    const int rows = numbers.value(0, QStringLiteral("1100000")).toInt();

    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    MessageBox::AnswerOkUnseen();
    MainWindow window;
    window.show();
    const long empty = CurrentResidentKb();
    window.ListModel()->AppendRows(MakeRows(rows));
    QCoreApplication::processEvents();
    std::printf("platform: %s; %d rows in the list (%ld MB with the window, %ld MB before)\n",
                qPrintable(QGuiApplication::platformName()), rows, CurrentResidentKb() / 1024,
                empty / 1024);

    const double bareXlsx = BareWorkbookSeconds(dir.path(), *window.ListModel());
    const double bareCsv = BareCsvSeconds(dir.path(), *window.ListModel());
    QFile::remove(dir.filePath(QStringLiteral("bare.xlsx")));
    QFile::remove(dir.filePath(QStringLiteral("bare.csv")));
    std::printf("libxlsxwriter alone, from UTF-8 at hand:   %7.2f s\n", bareXlsx);
    std::printf("the CSV's bytes made at once and written:  %7.2f s\n", bareCsv);

    const struct {
        const char *label, *item, *file;
        double bare;
    } exports[] = {{"导出结果 to .xlsx", "ExportPhone", "导出结果.xlsx", bareXlsx},
                   {"分类导出 to .xlsx", "ProvinceExport", "分类导出.xlsx", bareXlsx},
                   {"导出结果 to .csv ", "ExportPhone", "导出结果.csv", bareCsv}};
    for (const auto &e : exports) {
        const QString target = dir.filePath(QString::fromUtf8(e.file));
        const Run run = Export(window, e.item, target);
        std::printf("%s: %7.2f s (%.2fx alone), %.1f MB file, %ld MB above the list at the "
                    "peak, the window's events waited %lld ms at most\n",
                    e.label, run.seconds, run.seconds / e.bare, QFile(target).size() / 1e6,
                    run.extraKb / 1024, qlonglong(run.longestGapMs));
        std::printf("    %s\n", qPrintable(MessageBox::Texts().last().replace(u'\r', u' ')));
        std::fflush(stdout);
        if (readBack && target.endsWith(QStringLiteral(".xlsx")))
            ReadBack(target, rows);
    }
    std::printf("peak memory of the process: %ld MB\n", PeakResidentKb() / 1024);
    window.close();
    return 0;
}
