#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// The latency goal of the tests that read the window as a screen reader
// does (tst_accessibilitybus, Linux and Windows): a walk of the window while
// a command waits takes at most kWalkRatio times a walk of the idle window,
// and no call takes over kCallMs.
//
// On a busy machine an idle walk itself varies severalfold from one second
// to the next, so idle walks are interleaved with the others (one before
// the first run, one after each), and each walk while waiting is weighed,
// call for call, against the idle walks just before and after its run; the
// median ratio must meet the goal. A window that answers late is late at
// every walk, a scheduler's hiccup at a few. Idle calls, too, now and then
// take over kCallMs on such a machine, so the share of such calls while
// waiting may be at most kSlowCallShare above the idle share: a window that
// keeps calls waiting for a pump does so at every walk (a pump every 40 ms:
// over 10 in 100), while idle the share stays under 3 in 1,000.
class WalkFigures {
public:
    static constexpr double kWalkRatio = 2;
    static constexpr double kCallMs = 20;
    static constexpr double kSlowCallShare = 0.005;

    // One walk: its time, its calls, the time of each, the slowest and which.
    struct Walk {
        double ms = 0;
        int calls = 0;
        QList<double> callMs;
        double slowest = 0;
        QString slowestCall;
    };

    void Idle(const Walk &walk);
    void Waiting(const Walk &walk);
    // A call made while the command waited, besides the walks.
    void Call(double ms, const QString &what);
    void Expect(bool holds, const QString &what);

    const QStringList &Failures() const { return m_failures; }
    bool WalksMeetGoal() const;
    bool CallsMeetGoal() const;
    // Every figure, for the test's output and its failure messages.
    QString Report() const;

private:
    QList<double> Ratios() const;

    QList<Walk> m_idle;
    // Each walk while waiting, and how many idle walks came before it.
    QList<std::pair<Walk, qsizetype>> m_waiting;
    // How many calls there were, and how many of them over kCallMs.
    struct Calls {
        qsizetype all = 0;
        qsizetype slow = 0;
        void Add(double ms) {
            ++all;
            slow += ms > kCallMs;
        }
        double Share() const { return all ? double(slow) / double(all) : 0; }
    };
    Calls m_idleCalls, m_waitingCalls;
    double m_slowestIdleCall = 0;
    double m_slowestCall = 0;
    QString m_slowestCallWhat;
    QStringList m_failures;
};
