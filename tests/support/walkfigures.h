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
// On a busy machine of two shared cores a walk of the idle window itself
// varies severalfold from one second to the next, so the idle walks are
// measured in the same run, interleaved with the others: the command runs
// several times, an idle walk before the first run and after each, and each
// walk while waiting is weighed, call for call, against the idle walks just
// before and after its run. The median of those ratios must meet the goal: a
// window that answers late is late at every walk, a scheduler's hiccup at a
// few (two series of idle walks give medians within a fifth of each
// other). Calls of the idle window on such a machine now and then take
// 20 ms and more: the scheduler keeps a woken process waiting behind others
// as long whether the window waits or not. So the calls over kCallMs while
// waiting are weighed against those of the idle walks of the same test:
// their share may be at most kSlowCallShare more. A window that keeps calls
// waiting for a pump or for a run of its own work does so at every walk, a
// share of several in a hundred (a pump every 40 ms: over 10 in 100); idle,
// the share stays under 3 in 1,000 on a machine with ten busy processes to
// two cores.
class WalkFigures {
public:
    static constexpr double kWalkRatio = 2;
    static constexpr double kCallMs = 20;
    static constexpr double kSlowCallShare = 0.005;

    // One walk: its time, its number of calls, the time of each, its
    // slowest call and which.
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
