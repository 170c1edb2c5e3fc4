// Imports a generated number list of 100,000 lines through the import
// command, several times, and prints the median time and the peak memory
// the imports added.
#include "commandview.h"
#include "commandwaiter.h"
#include "importnumberlist.h"
#include "processmemory.h"
#include "resultlistmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

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

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
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
    return 0;
}
