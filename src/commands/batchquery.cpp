#include "batchquery.h"

#include "commandview.h"
#include "lookupclient.h"
#include "programdirectory.h"
#include "resultlistmodel.h"
#include "resultlog.h"
#include "rowanswer.h"

#include <QDir>

namespace {
// A service that is gone would otherwise cost every remaining row its own
// time-out; a few failures in a row are enough to tell.
constexpr int kMaxFailedTransfersInARow = 3;

enum class RunEnd { Completed, Stopped, WriteFailed, NetworkFailed };

RunEnd QueryAllRows(CommandView &view, LookupClient &Inet1, ResultLog &log) {
    if (!log.WriteLine(ResultLog::HeaderFields()))
        return RunEnd::WriteFailed;

    ResultListModel &lv = view.ResultList();
    const int n = lv.Count();
    int failedInARow = 0;
    // Nothing else can change the list while a lookup waits, but the loop
    // still never reads past its end.
    for (int i = 1; i <= n && i <= lv.Count(); ++i) {
        view.SetFrame2Caption(QStringLiteral("正在查询第") + QString::number(i) +
                              QStringLiteral("条，请稍后……"));
        const LookupAnswer answer = Inet1.QueryLocation(lv.Number(i));
        if (answer.Stopped())
            return RunEnd::Stopped;
        if (answer.TransferFailed()) {
            if (++failedInARow >= kMaxFailedTransfersInARow)
                return RunEnd::NetworkFailed;
            continue;
        }
        failedInARow = 0;
        if (!answer.accepted())
            continue;
        lv.SetLocation(i, LocationText(answer), RowAnswerOf(answer));
        const bool written = log.WriteLine({lv.Text(i), lv.Number(i), lv.Location(i)});
        Inet1.CancelTransfer();
        if (!written)
            return RunEnd::WriteFailed;
    }
    return RunEnd::Completed;
}

// The caption's opening words, then how many rows of the whole list have a
// location and how many have none.
QString Tally(const QString &opening, const ResultListModel &lv) {
    const int rows = lv.Count();
    int found = 0;
    for (int i = 1; i <= rows; ++i) {
        if (!lv.Location(i).isEmpty())
            ++found;
    }
    return opening + QStringLiteral("，成功") + QString::number(found) +
           QStringLiteral("条，失败") + QString::number(rows - found) + QStringLiteral("条");
}
} // namespace

void RunBatchQuery(CommandView &view, LookupClient &Inet1) {
    Inet1.CancelTransfer();
    ResultListModel &lv = view.ResultList();
    if (lv.Count() == 0) {
        view.Prompt(QStringLiteral("请导入手机号码后再进行批量查询！"));
        return;
    }
    // A filled first row means the list has been run already.
    if (!lv.Location(1).isEmpty())
        return;

    ResultLog log(ProgramDirectory() + QLatin1Char('/') + kResultLogFileName);
    if (!log.Create()) {
        view.Prompt(QStringLiteral("无法创建结果文件 ") + QDir::toNativeSeparators(log.Path()) +
                    QStringLiteral("，请检查软件目录是否可写！"));
        return;
    }

    const RunEnd end = QueryAllRows(view, Inet1, log);
    log.Close();
    // A run the user stopped says so; its rows done keep their locations and
    // lines, and a new run on the list starts only once it has been cleared
    // or imported again, as after any run.
    view.SetFrame2Caption(Tally(
        end == RunEnd::Stopped ? QStringLiteral("查询已停止") : QStringLiteral("查询完毕"), lv));
    if (end == RunEnd::WriteFailed)
        view.Prompt(QStringLiteral("写入结果文件失败，批量查询已停止！"));
    else if (end == RunEnd::NetworkFailed)
        view.Prompt(QStringLiteral("网络连接失败，批量查询已停止！"));
}
