// A batch run that tst_batchkill kills part-way:
//   batchrunner <host:port> <program directory> <rows>
// Row i has serial i and number 138 followed by i in eight digits.
#include "lookup/batchquery.h"
#include "lookup/lookupclient.h"
#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"
#include "numberfiles/programdirectory.h"

#include <QCoreApplication>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    SetProgramDirectory(args[2]);
    QList<ResultRow> rows;
    for (int i = 1; i <= args[3].toInt(); ++i)
        rows.append(
            {QString::number(i), QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')), {}});
    ResultListModel lv;
    lv.AppendRows(rows);
    LookupClient client(args[1], 10'000);
    CommandContext ctx;
    ctx.lv = &lv;
    ctx.Inet1 = &client;
    ctx.setFrame2Caption = [](const QString &) {
    };
    ctx.prompt = [](const QString &text) {
        qWarning("%s", qPrintable(text));
    };
    RunBatchQuery(ctx);
    return 0;
}
