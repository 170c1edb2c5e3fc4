#pragma once

#include "commandwaiter.h"
#include "lookupbatch.h"

#include <deque>
#include <mutex>

// What a batch's caller and the transfer thread share: the numbers given and
// not yet taken up, the answers handed back and not yet taken, and the end.
struct BatchQueue {
    BatchQueue(CommandWaiter &batchWaiter, LookupBatch::Keep batchKeep, bool noService)
        : waiter(batchWaiter)
        , keep(std::move(batchKeep))
        , serviceMissing(noService) {}

    // Hands a run back to the caller and wakes it (the transfer thread).
    // The wake happens under the lock: once the caller has seen the end, the
    // transfer thread no longer touches the waiter, which may then be gone.
    void HandBack(QList<LookupBatch::Answered> run, bool end) {
        const std::lock_guard lock(mutex);
        if (answered.isEmpty())
            answered = std::move(run);
        else
            answered.append(std::move(run));
        ended = ended || end;
        waiter.Wake();
    }

    CommandWaiter &waiter;
    const LookupBatch::Keep keep; // called on the transfer thread only
    // No service will answer (LookupClient::SetServiceReadiness said so):
    // every number fails as a transfer that found none.
    const bool serviceMissing;

    mutable std::mutex mutex;
    std::deque<LookupBatch::Question> questions;
    QList<LookupBatch::Answered> answered;
    bool ended = false;
};
