#include "stopsignals.h"

#include "segmentserver.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <pthread.h>
#include <thread>
#endif

#ifdef _WIN32

namespace {

SegmentServer *g_server = nullptr;
HANDLE g_served = nullptr;

// Called on a thread of the system's. For the console closing, logoff and
// shutdown the process ends when this returns, so it waits for the server
// to finish first, a few seconds at most.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (g_server == nullptr)
        return FALSE;
    g_server->Stop();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::WaitForSingleObject(g_served, 4000);
    return TRUE;
}

} // namespace

void HoldStopSignals() {}

void ServeUntilStopped(SegmentServer &server) {
    g_served = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_server = &server;
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    server.Run();
    ::SetEvent(g_served);
}

#else

namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

void HoldStopSignals() {
    const sigset_t stopSignals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void ServeUntilStopped(SegmentServer &server) {
    // The signals are taken by one thread with sigwait, so that the server
    // is stopped from ordinary code, not from a signal handler. Every
    // thread has them held (HoldStopSignals), so none lands elsewhere.
    const sigset_t stopSignals = StopSignals();
    std::thread waiter([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    });
    server.Run();
    // Run ends only after Stop, so the waiter has returned or is about to;
    // a signal of our own ends its wait in case it has not.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
}

#endif
