#pragma once

#include "lookupanswer.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class CommandWaiter;
class LookupClient;
struct BatchQueue;

// Many numbers looked up at once. The caller, on its own thread, gives the
// numbers in order (Ask, as far as Room allows), waits with its waiter, and
// takes the answers back in the same order (Take): several are asked at a
// time, on kept-alive connections, by the client's transfer thread, which
// also reads and judges every answer, so the caller's thread has nothing to
// do per number but hand it over and take its answer.
//
// Before answers are handed back, they pass, in order and on the transfer
// thread, through the caller's Keep: what must happen to them before the
// caller sees them (the batch writes its log there, so that the window's
// thread never waits for the file). Keep says how many of them are handed
// back and whether the batch ends after them; nothing after an end is kept
// or handed back, whatever was asked or answered already.
class LookupBatch {
public:
    struct Question {
        QString number;
        QString label; // the caller's own, handed back with the answer
    };
    struct Answered {
        QString number;
        QString label;
        LookupAnswer answer;
    };
    struct Kept {
        qsizetype handBack = 0; // the first this many of the run
        bool end = false;       // nothing after them
    };
    // On the transfer thread, for each run of answers in order.
    using Keep = std::function<Kept(const QList<Answered> &run)>;

    // Waits first, with the waiter, for the service the client asks to be
    // ready (LookupClient::SetServiceReadiness).
    LookupBatch(LookupClient &client, CommandWaiter &waiter, Keep keep = {});
    // Stops what is still under way, and returns once the transfer thread
    // has let go of the batch.
    ~LookupBatch();
    LookupBatch(const LookupBatch &) = delete;
    LookupBatch &operator=(const LookupBatch &) = delete;

    // How many more numbers it takes now: those asked and not yet taken back
    // are bounded, and so is the memory a batch of any length needs.
    qsizetype Room() const;
    void Ask(QList<Question> questions);
    // The answers handed back since the last Take, in the order asked; empty
    // when none has come. The waiter is woken when some come.
    QList<Answered> Take();
    // Whether no more answers will come though some were asked: Keep ended
    // the batch, or Stop has taken effect. What was handed back before that
    // is still there to Take.
    bool Ended() const;
    // Ends the transfers at once, closing their connections; Ended() follows
    // shortly, the waiter being woken.
    void Stop();

    static constexpr qsizetype kMaxAhead = 4096;

private:
    LookupClient &m_client;
    CommandWaiter &m_waiter;
    std::shared_ptr<BatchQueue> m_queue;
    qsizetype m_asked = 0, m_taken = 0;
    bool m_stopSent = false;
};
