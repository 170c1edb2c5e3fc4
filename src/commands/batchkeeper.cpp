#include "batchkeeper.h"

#include "resultlog.h"

LookupBatch::Kept BatchKeeper::Keep(const QList<LookupBatch::Answered> &run) {
    LookupBatch::Kept kept{run.size(), false};
    QList<QStringList> lines;
    QList<qsizetype> lineRows; // where in the run each line comes from
    for (qsizetype i = 0; i < run.size(); ++i) {
        const LookupAnswer &answer = run[i].answer;
        if (answer.TransferFailed()) {
            if (++m_failedInARow >= kMaxFailedTransfersInARow) {
                kept = {i + 1, true};
                m_end = End::NetworkFailed;
                break;
            }
            continue;
        }
        m_failedInARow = 0;
        if (!answer.accepted())
            continue;
        // The row's first cell, its number cell and the location written
        // into it, as they stand once it is written.
        lines.append({run[i].label, run[i].number, LocationText(answer)});
        lineRows.append(i);
    }
    const qsizetype written = m_log.WriteLines(lines);
    if (written < lines.size()) {
        // Everything before the line that failed is done; its row is found,
        // and it ends the run.
        kept = {lineRows[written] + 1, true};
        m_end = End::WriteFailed;
    }
    return kept;
}
