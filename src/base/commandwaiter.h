#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// How a command of the window waits for work that goes on elsewhere: the
// network, or a thread of its own. The window's thread never waits inside
// such work. Wait() runs the thread's event loop, so the window paints, takes
// input and answers the accessibility bus as when it is idle, until the work
// calls Wake() or the user asks the command to stop.
class CommandWaiter {
public:
    virtual ~CommandWaiter() = default;

    // Runs this thread's events until Wake() is called or a stop is asked
    // for. When Wake() came since the last Wait() returned, handles the
    // events waiting now and returns, so that work that wakes it without
    // pause still leaves the thread to its events; when a stop came that no
    // Wait() has reported yet, returns at once. False once a stop
    // has been asked for: the caller ends its work, and may Wait() again for
    // that work to end (a Wake() then ends the wait as before). A Wait() may
    // also end for no reason of its own: the caller looks again and waits
    // again.
    virtual bool Wait() = 0;
    // Ends the Wait() under way, or else the next one. Safe from any thread.
    virtual void Wake() = 0;
    // Whether the command has been asked to stop. Safe from any thread.
    virtual bool StopAsked() const = 0;

protected:
    CommandWaiter() = default;
    CommandWaiter(const CommandWaiter &) = default;
    CommandWaiter &operator=(const CommandWaiter &) = default;
};

// A CommandWaiter that runs a local event loop of this thread (the thread it
// was made on). What asks the command to stop is its owner's affair
// (RequestStop); the main window's CommandWait makes Esc, the close box and
// the end of the session do it.
//
// Once the application has been told to exit (QCoreApplication::exit), no
// event loop of the thread runs any more until the application's own has
// returned: a Wait() then stops the command, and a later Wait() for the work
// to end sleeps until Wake(), since there is nothing else the thread could
// serve.
class EventLoopWaiter : public QObject, public CommandWaiter {
public:
    EventLoopWaiter();
    ~EventLoopWaiter() override;

    bool Wait() override;
    void Wake() override;
    bool StopAsked() const override { return m_stop.load(); }

    // Ends the Wait() under way; every later one reports the stop. On the
    // waiter's own thread.
    void RequestStop();
    // Whether the application was told to exit while a Wait() ran. Its
    // event loops then end at once, so a stop is asked for as well.
    bool QuitAsked() const { return m_quitAsked; }
    // A new command: nothing asked for, nothing woken.
    void Reset();

protected:
    // The application is to end: the command stops.
    void NoteQuit() {
        m_quitAsked = true;
        RequestStop();
    }

private:
    bool SleepUntilWoken();
    void PostWakeHandler();

    class QEventLoop *m_loop = nullptr;
    std::atomic<bool> m_woken{false};
    std::atomic<bool> m_stop{false};
    bool m_stopReported = false;
    bool m_quitAsked = false;
    // For the sleep once no event loop can run.
    std::mutex m_sleepMutex;
    std::condition_variable m_sleep;
};

// Runs `work` on a thread of its own while `waiter` keeps this thread's
// events going, and returns once `work` has returned. A stop asked for
// meanwhile does not cut `work` short: `work` looks at StopAsked() itself
// where it can end early.
void RunOffThread(CommandWaiter &waiter, const std::function<void()> &work);
