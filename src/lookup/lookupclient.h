#pragma once

#include "lookupanswer.h"
#include "waithook.h"

#include <QString>

#include <functional>
#include <memory>

class HttpTransfer;

// Asks the number-segment service about one number at a time. Every call
// returns once the whole answer is there; meanwhile the caller's wait hook
// keeps its windows alive and may stop the lookup (waithook.h). No cookies,
// no cache: each answer stands on its own.
class LookupClient {
public:
    static constexpr int kDefaultTimeoutMs = 60'000;
    static constexpr qint64 kMaxAnswerBytes = 1 << 20;

    explicit LookupClient(QString serviceHost = DefaultServiceHost(),
                          int timeoutMs = kDefaultTimeoutMs);
    ~LookupClient();
    LookupClient(const LookupClient &) = delete;
    LookupClient &operator=(const LookupClient &) = delete;

    // The host (or host:port) compiled in as SERVICE_HOST.
    static QString DefaultServiceHost();

    // Called while a lookup waits; without one a lookup simply waits.
    void SetWaitHook(WaitHook hook);
    // Called before a lookup until it has once returned true: waits, with
    // the hook, for a service that is still starting. False when there will
    // be none; the lookup then fails as a transfer that found no service.
    using ReadinessWait = std::function<bool(const WaitHook &)>;
    void SetServiceReadiness(ReadinessWait waitUntilReady);

    LookupAnswer QueryLocation(const QString &number);

    // Ends a transfer still open and closes the connection, so that the next
    // request goes out on a new one.
    void CancelTransfer();

private:
    QString m_serviceHost;
    std::unique_ptr<HttpTransfer> Inet1; // none when the host is not usable
    WaitHook m_waitHook;
    ReadinessWait m_readiness;
};
