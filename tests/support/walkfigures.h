#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// The latency goal of tst_accessibilitybus (Linux and Windows): a walk while
// a command waits takes at most kWalkRatio times an idle walk, call for call
// against the idle walks just before and after its run (median ratio, since
// idle walks vary severalfold on a busy machine); and the share of calls over
// kCallMs while waiting is at most kSlowCallShare above the idle share (a
// window pumping every 40 ms is over 10 in 100; idle stays under 3 in 1,000).
class WalkFigures {
public:
    static constexpr double kWalkRatio = 2;
    static constexpr double kCallMs = 20;
    static constexpr double kSlowCallShare = 0.005;

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
    QString Report() const;

private:
    QList<double> Ratios() const;

    QList<Walk> m_idle;
    // Each walk while waiting, and how many idle walks came before it.
    QList<std::pair<Walk, qsizetype>> m_waiting;
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
