#include "lookupbatch.h"

#include "batchqueue.h"
#include "commandwaiter.h"
#include "lookupclient.h"
#include "transferengine.h"

LookupBatch::LookupBatch(LookupClient &client, CommandWaiter &waiter, Keep keep)
    : m_client(client)
    , m_waiter(waiter) {
    const LookupClient::Service service = client.AwaitService(waiter);
    m_queue = std::make_shared<BatchQueue>(waiter, std::move(keep),
                                           service != LookupClient::Service::Ready);
    m_client.Transfers().Begin(m_queue);
}

LookupBatch::~LookupBatch() {
    // The transfer thread may still hand something back and wake the
    // waiter; it stops doing so once it has handed back the end, or once
    // every answer asked for has been taken: it is then merely told to let
    // the batch go, which costs no wait.
    if (Ended())
        return;
    if (m_asked == m_taken && !m_stopSent) {
        m_client.Transfers().Release(m_queue);
        return;
    }
    Stop();
    while (!Ended())
        m_waiter.Wait();
}

qsizetype LookupBatch::Room() const {
    return kMaxAhead - (m_asked - m_taken);
}

void LookupBatch::Ask(QList<Question> questions) {
    if (questions.isEmpty())
        return;
    m_asked += questions.size();
    {
        const std::lock_guard lock(m_queue->mutex);
        for (Question &question : questions)
            m_queue->questions.push_back(std::move(question));
    }
    m_client.Transfers().More(m_queue);
}

QList<LookupBatch::Answered> LookupBatch::Take() {
    QList<Answered> answers;
    {
        const std::lock_guard lock(m_queue->mutex);
        answers.swap(m_queue->answered);
    }
    m_taken += answers.size();
    return answers;
}

bool LookupBatch::Ended() const {
    const std::lock_guard lock(m_queue->mutex);
    return m_queue->ended;
}

void LookupBatch::Stop() {
    if (std::exchange(m_stopSent, true))
        return;
    m_client.Transfers().Stop(m_queue);
}
