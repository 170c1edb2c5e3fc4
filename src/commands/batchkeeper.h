#pragma once

#include "lookupbatch.h"

class ResultLog;

// What the batch does with its answers on the transfer thread, in row order,
// before the window sees them: the count of failed transfers in a row, and
// the log, a run of lines in one write. So the window's thread never waits
// for the file, and a row is in the log exactly when the window is handed
// its answer.
class BatchKeeper {
public:
    // A service that is gone would otherwise cost every remaining row its
    // own time-out; a few failures in a row are enough to tell.
    static constexpr int kMaxFailedTransfersInARow = 3;

    enum class End {
        None,
        NetworkFailed, // the last row handed back was the last failed transfer
        WriteFailed,   // the last row handed back is found, but not in the log
    };

    explicit BatchKeeper(ResultLog &log)
        : m_log(log) {}

    LookupBatch::Kept Keep(const QList<LookupBatch::Answered> &run);
    // Read once the batch has ended.
    End Ending() const { return m_end; }

private:
    ResultLog &m_log;
    int m_failedInARow = 0;
    End m_end = End::None;
};
