// Imports a generated number list of 100,000 lines through the import
// command, several times, and prints the median time.
#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"
#include "numberfiles/importnumberlist.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

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

    ResultListModel lv;
    QString caption;
    QString fileName;
    CommandContext ctx;
    ctx.lv = &lv;
    ctx.setFrame2Caption = [&](const QString &text) {
        caption = text;
    };
    ctx.fileNameText = [&] {
        return fileName;
    };
    ctx.setFileNameText = [&](const QString &text) {
        fileName = text;
    };
    ctx.chooseNumberFile = [&] {
        return path;
    };
    ctx.prompt = [](const QString &text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    };

    QList<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        ImportNumberList(ctx);
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("import of %d lines: median %.1f ms (best %.1f, worst %.1f) over %d runs\n", lines,
                times[kRuns / 2], times.first(), times.last(), kRuns);
    std::printf("rows %d; caption: %s\n", lv.Count(), qPrintable(caption));
    return 0;
}
