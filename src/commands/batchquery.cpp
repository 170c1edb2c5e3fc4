#include "batchquery.h"

#include "batchkeeper.h"
#include "commandview.h"
#include "commandwaiter.h"
#include "lookupbatch.h"
#include "lookupclient.h"
#include "programdirectory.h"
#include "resultlistmodel.h"
#include "resultlog.h"
#include "rowanswer.h"

#include <QDir>

#include <deque>

namespace {
enum class RunEnd { Completed, Stopped, WriteFailed, NetworkFailed };

QString Progress(int position) {
    return QStringLiteral("正在查询第") + QString::number(position) +
           QStringLiteral("条，请稍后……");
}

// The rows a run asks, in order: every row, or, going on after a stop, those
// it has not asked and those whose transfer failed.
class RowsToAsk {
public:
    RowsToAsk(const ResultListModel &lv, bool goingOn)
        : m_lv(lv)
        , m_goingOn(goingOn) {
        Skip();
    }
    bool AtEnd() const { return m_next > m_lv.Count(); }
    int Next() const { return m_next; }
    int Take() {
        const int position = m_next++;
        Skip();
        return position;
    }

private:
    void Skip() {
        while (m_goingOn && !AtEnd() && m_lv.Query(m_next) == RowQuery::Answered)
            ++m_next;
    }
    const ResultListModel &m_lv;
    const bool m_goingOn;
    int m_next = 1;
};

// Writes a run of answers into their rows: one change of the list for each
// stretch of neighbouring rows. A row not found keeps what it held.
void Apply(ResultListModel &lv, std::deque<int> &asked,
           const QList<LookupBatch::Answered> &answers) {
    QList<RowLocation> stretch;
    int first = 0;
    const auto flush = [&] {
        lv.SetLocations(first, stretch);
        stretch.clear();
    };
    for (const LookupBatch::Answered &answered : answers) {
        const int position = asked.front();
        asked.pop_front();
        if (!stretch.isEmpty() && position != first + stretch.size())
            flush();
        if (stretch.isEmpty())
            first = position;
        const LookupAnswer &answer = answered.answer;
        if (answer.accepted())
            stretch.append({LocationText(answer), RowAnswerOf(answer)});
        else
            stretch.append({lv.Location(position), lv.Answer(position)});
        lv.SetQuery(position,
                    answer.TransferFailed() ? RowQuery::TransferFailed : RowQuery::Answered);
    }
    if (!stretch.isEmpty())
        flush();
}

RunEnd QueryRows(CommandView &view, LookupClient &Inet1, ResultLog &log, bool goingOn) {
    ResultListModel &lv = view.ResultList();
    CommandWaiter &waiter = view.Waiter();
    BatchKeeper keeper(log);
    LookupBatch batch(Inet1, waiter, [&keeper](const QList<LookupBatch::Answered> &run) {
        return keeper.Keep(run);
    });
    RowsToAsk rows(lv, goingOn);
    std::deque<int> asked; // given to the batch, answer not yet taken
    int lastTaken = 0;
    bool stopped = false;
    if (!rows.AtEnd())
        view.SetFrame2Caption(Progress(rows.Next()));
    for (;;) {
        if (!stopped && waiter.StopAsked()) {
            // What the transfer thread has kept already still comes.
            batch.Stop();
            stopped = true;
        }
        QList<LookupBatch::Question> questions;
        for (qsizetype room = batch.Room(); room > 0 && !rows.AtEnd() && !stopped; --room) {
            const int position = rows.Take();
            questions.append({lv.Number(position), lv.Text(position)});
            asked.push_back(position);
        }
        batch.Ask(std::move(questions));
        const QList<LookupBatch::Answered> answers = batch.Take();
        if (!answers.isEmpty()) {
            lastTaken = asked[static_cast<std::size_t>(answers.size() - 1)];
            Apply(lv, asked, answers);
            // As if asked one by one: the caption names the row waited for.
            if (!asked.empty() || !rows.AtEnd())
                view.SetFrame2Caption(Progress(asked.empty() ? rows.Next() : asked.front()));
        }
        if (asked.empty() && rows.AtEnd())
            break;
        // Nothing comes after the end but what was taken now.
        if (batch.Ended()) {
            if (answers.isEmpty())
                break;
            continue;
        }
        // Between two runs the window takes its events, however fast they come.
        waiter.Wait();
    }
    switch (keeper.Ending()) {
    case BatchKeeper::End::NetworkFailed:
        return RunEnd::NetworkFailed;
    case BatchKeeper::End::WriteFailed:
        // Found, but not in the log: the run that goes on asks it again.
        lv.SetQuery(lastTaken, RowQuery::NotAsked);
        return RunEnd::WriteFailed;
    case BatchKeeper::End::None:
        break;
    }
    return asked.empty() && rows.AtEnd() ? RunEnd::Completed : RunEnd::Stopped;
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
    // A run that was stopped goes on where it stopped. Otherwise a filled
    // first row means the list has been run already.
    const bool goingOn = lv.BatchStopped();
    if (!goingOn && !lv.Location(1).isEmpty())
        return;
    if (!goingOn) {
        for (int i = 1; i <= lv.Count(); ++i)
            lv.SetQuery(i, RowQuery::NotAsked);
    }

    // The file is opened, written and closed away from the window's thread:
    // here on a thread of its own, during the run on the transfer thread.
    ResultLog log(ProgramDirectory() + QLatin1Char('/') + kResultLogFileName);
    bool opened = false, headed = true;
    RunOffThread(view.Waiter(), [&] {
        opened = goingOn ? log.OpenToAppend() : log.Create();
        // A run that goes on adds no second header, unless the log has gone.
        if (opened && (!goingOn || log.IsEmpty()))
            headed = log.WriteLines({ResultLog::HeaderFields()}) == 1;
    });
    if (!opened) {
        view.Prompt(QStringLiteral("无法创建结果文件 ") + QDir::toNativeSeparators(log.Path()) +
                    QStringLiteral("，请检查软件目录是否可写！"));
        return;
    }

    const RunEnd end = headed ? QueryRows(view, Inet1, log, goingOn) : RunEnd::WriteFailed;
    RunOffThread(view.Waiter(), [&log] { log.Close(); });
    // A run that did not reach its end goes on at the next 批量查询, unless
    // the list is filled anew before.
    lv.SetBatchStopped(end != RunEnd::Completed);
    view.SetFrame2Caption(Tally(
        end == RunEnd::Stopped ? QStringLiteral("查询已停止") : QStringLiteral("查询完毕"), lv));
    if (end == RunEnd::WriteFailed)
        view.Prompt(QStringLiteral("写入结果文件失败，批量查询已停止！"));
    else if (end == RunEnd::NetworkFailed)
        view.Prompt(QStringLiteral("网络连接失败，批量查询已停止！"));
}
