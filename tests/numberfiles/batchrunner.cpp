// Runs one batch over <rows> numbers against <host:port>, logging into
// <program directory>, so that a test can kill it part-way.
//   batchrunner <host:port> <program directory> <rows>
#include "lookup/batchquery.h"
#include "lookup/lookupclient.h"
#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"
#include "numberfiles/programdirectory.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int rows = args.value(3).toInt(&ok);
    if (args.size() != 4 || !ok || rows < 1) {
        QTextStream(stderr) << "usage: batchrunner <host:port> <program directory> <rows>\n";
        return 2;
    }
    SetProgramDirectory(args[2]);

    ResultListModel lv;
    QList<ResultRow> list;
    for (int i = 1; i <= rows; ++i)
        list.append(ResultRow{QString::number(i),
                              QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')), QString()});
    lv.AppendRows(list);
    LookupClient client(args[1], 10'000);

    CommandContext ctx;
    ctx.lv = &lv;
    ctx.Inet1 = &client;
    ctx.setFrame2Caption = [](const QString &) {
    };
    ctx.prompt = [](const QString &text) {
        QTextStream(stderr) << text << '\n';
    };
    RunBatchQuery(ctx);
    return 0;
}
