#pragma once

#include "lookupanswer.h"

#include <QString>

#include <functional>
#include <memory>

class CommandWaiter;
class TransferEngine;

// Asks the number-segment service about numbers. The transfers run on a
// thread of the client's own (transferengine.h) over kept-alive connections;
// the caller waits with its CommandWaiter, so a window's thread stays in its
// event loop meanwhile, and a stop asked of the waiter ends the lookup at
// once. No cookies, no cache: each answer stands on its own. One lookup, or
// one batch (lookupbatch.h), at a time.
class LookupClient {
public:
    static constexpr int kDefaultTimeoutMs = 60'000;
    static constexpr qint64 kMaxAnswerBytes = 1 << 20;

    // How many connections a batch opens at most, and how many requests go
    // out on each before their answers are in.
    struct Reach {
        int connections;
        int requestsPerConnection;
    };
    // The program's own service answers from memory on one thread: two
    // connections with many requests on the way each keep it busy while the
    // answers of the other are read here. More connections or a deeper
    // pipeline gain nothing measurable on it.
    static constexpr Reach kOwnServiceReach{2, 64};
    // Anyone else's service is asked more modestly: four connections at most,
    // a few requests on each, so that a service of unknown kind is not
    // flooded and a connection it drops costs few rows asked again.
    static constexpr Reach kOtherServiceReach{4, 8};

    // The service at the built-in host (BundledService::BuiltInHost()) is
    // taken for the program's own.
    explicit LookupClient(QString serviceHost = DefaultServiceHost(),
                          int timeoutMs = kDefaultTimeoutMs);
    ~LookupClient();
    LookupClient(const LookupClient &) = delete;
    LookupClient &operator=(const LookupClient &) = delete;

    // The host (or host:port) compiled in as SERVICE_HOST.
    static QString DefaultServiceHost();

    // Whether the service is the program's own (it started it on another
    // port, say): it is then asked with kOwnServiceReach.
    void SetServiceIsOurs(bool ours);
    Reach CurrentReach() const { return m_reach; }

    // Called with the lookup's waiter before a lookup until it has once
    // returned true: waits for a service that is still starting. False when
    // there will be none; the lookups then fail as transfers that found no
    // service.
    using ReadinessWait = std::function<bool(CommandWaiter &)>;
    void SetServiceReadiness(ReadinessWait waitUntilReady);

    // Looks one number up, waiting with `waiter`; Stopped when a stop was
    // asked of it meanwhile.
    LookupAnswer QueryLocation(const QString &number, CommandWaiter &waiter);
    // The same, waiting in an event loop of its own on this thread.
    LookupAnswer QueryLocation(const QString &number);

    // Closes the connections kept open, so that the next request goes out on
    // a new one.
    void CancelTransfer();

private:
    friend class LookupBatch;
    enum class Service { Ready, Missing, Stopped };
    Service AwaitService(CommandWaiter &waiter);
    TransferEngine &Transfers() { return *m_transfers; }

    QString m_serviceHost;
    Reach m_reach;
    std::unique_ptr<TransferEngine> m_transfers;
    ReadinessWait m_readiness;
};
