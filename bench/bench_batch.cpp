// Times a batch run against a service in a second thread and compares it
// with a bare HTTP client doing the same requests, each on a new connection
// (the batch drops its connection after every accepted row). Then runs a
// list of 100,000 rows and prints the peak memory of the process.
//   bench_batch [rows=10000] [rows for the memory run=100000]
#include "answerserverthread.h"
#include "lookup/batchquery.h"
#include "lookup/lookupclient.h"
#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"
#include "numberfiles/programdirectory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <cstdio>

namespace {
QString Number(int i) {
    return QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
}

double BareClientMsPerRequest(const LookupClient &addresses, int requests) {
    QNetworkAccessManager nam;
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    for (int i = 1; i <= requests; ++i) {
        QNetworkReply *reply = nam.get(QNetworkRequest(addresses.RequestAddress(Number(i))));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        bytes += reply->readAll().size();
        reply->deleteLater();
        nam.clearConnectionCache();
    }
    const double ms = timer.nsecsElapsed() / 1e6 / requests;
    if (bytes == 0)
        std::fprintf(stderr, "the bare client got no answers\n");
    return ms;
}

// Runs a batch over `rows` fresh rows; returns ms per row and the tally.
double BatchMsPerRow(LookupClient &client, int rows, QString *tally) {
    ResultListModel lv;
    QList<ResultRow> list;
    list.reserve(rows);
    for (int i = 1; i <= rows; ++i)
        list.append(ResultRow{QString::number(i), Number(i), QString()});
    lv.AppendRows(std::move(list));

    CommandContext ctx;
    ctx.lv = &lv;
    ctx.Inet1 = &client;
    ctx.setFrame2Caption = [tally](const QString &text) {
        *tally = text;
    };
    ctx.prompt = [](const QString &text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    };

    QElapsedTimer timer;
    timer.start();
    RunBatchQuery(ctx);
    return timer.nsecsElapsed() / 1e6 / rows;
}

QByteArray PeakMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return "unknown";
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed();
    }
    return "unknown";
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 10'000;
    const int memoryRows = argc > 2 ? QByteArray(argv[2]).toInt() : 100'000;

    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    AnswerServerThread server;
    const quint16 port = server.startServing();
    if (port == 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    LookupClient client(QStringLiteral("127.0.0.1:%1").arg(port));

    QString tally;
    BareClientMsPerRequest(client, 200); // warm up both sides
    BatchMsPerRow(client, 200, &tally);

    const double bare = BareClientMsPerRequest(client, rows);
    const double batch = BatchMsPerRow(client, rows, &tally);
    std::printf("bare HTTP client, new connection per request: %.3f ms per request\n", bare);
    std::printf("batch run over %d rows: %.3f ms per row (%.2fx the bare client)\n", rows, batch,
                batch / bare);
    std::printf("  %s\n", qPrintable(tally));
    std::printf("peak memory so far (VmHWM): %s\n", PeakMemory().constData());

    if (memoryRows > 0) {
        const double perRow = BatchMsPerRow(client, memoryRows, &tally);
        std::printf("batch run over %d rows: %.3f ms per row; %s\n", memoryRows, perRow,
                    qPrintable(tally));
        std::printf("peak memory with %d rows (VmHWM): %s\n", memoryRows, PeakMemory().constData());
    }
    return 0;
}
