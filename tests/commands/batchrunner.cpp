// A batch run that tst_batchkill kills part-way:
//   batchrunner <host:port> <program directory> <rows>
// Row i has serial i and number 138 followed by i in eight digits.
#include "batchquery.h"
#include "lookupclient.h"
#include "programdirectory.h"
#include "recordingview.h"

#include <QCoreApplication>

namespace {
class RunnerView : public RecordingView {
public:
    void SetFrame2Caption(const QString &) override {}
    void Prompt(const QString &text) override { qWarning("%s", qPrintable(text)); }
};
} // namespace

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
    RunnerView view;
    view.lv.AppendRows(rows);
    LookupClient client(args[1], 10'000);
    RunBatchQuery(view, client);
    return 0;
}
