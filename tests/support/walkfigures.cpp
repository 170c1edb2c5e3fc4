#include "walkfigures.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
double Median(QList<double> values) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

QString Figures(const QList<double> &values) {
    QStringList texts;
    for (double value : values)
        texts.append(QString::number(value, 'f', 1));
    return texts.join(u", "_s);
}
} // namespace

void WalkFigures::Idle(const Walk &walk) {
    m_idle.append(walk);
    for (double ms : walk.callMs)
        m_idleCalls.Add(ms);
    m_slowestIdleCall = std::max(m_slowestIdleCall, walk.slowest);
}

void WalkFigures::Waiting(const Walk &walk) {
    m_waiting.append({walk, m_idle.size()});
    for (double ms : walk.callMs)
        m_waitingCalls.Add(ms);
    if (walk.slowest > m_slowestCall) {
        m_slowestCall = walk.slowest;
        m_slowestCallWhat = walk.slowestCall;
    }
}

void WalkFigures::Call(double ms, const QString &what) {
    m_waitingCalls.Add(ms);
    if (ms > m_slowestCall) {
        m_slowestCall = ms;
        m_slowestCallWhat = what;
    }
}

void WalkFigures::Expect(bool holds, const QString &what) {
    if (!holds)
        m_failures.append(what);
}

// Call for call: the list may show a row more in one walk than in another.
QList<double> WalkFigures::Ratios() const {
    QList<double> ratios;
    for (const auto &[walk, idleBefore] : m_waiting) {
        const Walk before = m_idle.value(idleBefore - 1);
        const Walk after = m_idle.value(idleBefore, before);
        const double idlePerCall = (before.ms + after.ms) / std::max(before.calls + after.calls, 1);
        ratios.append(walk.ms / std::max(walk.calls, 1) / std::max(idlePerCall, 1e-6));
    }
    return ratios;
}

bool WalkFigures::WalksMeetGoal() const {
    return !m_waiting.isEmpty() && m_idle.size() >= 2 && Median(Ratios()) <= kWalkRatio;
}

bool WalkFigures::CallsMeetGoal() const {
    return m_waitingCalls.Share() <= m_idleCalls.Share() + kSlowCallShare;
}

QString WalkFigures::Report() const {
    QList<double> idle, waiting;
    QList<int> calls;
    for (const Walk &walk : m_idle) {
        idle.append(walk.ms);
        calls.append(walk.calls);
    }
    for (const auto &[walk, idleBefore] : m_waiting) {
        waiting.append(walk.ms);
        calls.append(walk.calls);
    }
    std::sort(calls.begin(), calls.end());
    const QString walks = u"a walk (%1 to %2 calls) idle %3 ms, while waiting %4 ms: %5 times "
                          "(medians; goal: at most %6)."_s.arg(calls.value(0))
                              .arg(calls.value(calls.size() - 1))
                              .arg(Median(idle), 0, 'f', 1)
                              .arg(Median(waiting), 0, 'f', 1)
                              .arg(Median(Ratios()), 0, 'f', 2)
                              .arg(kWalkRatio);
    const QString slowCalls = u"Calls over %1 ms: idle %2 of %3, while waiting %4 of %5 (goal: "
                              "at most %6 in 100 more)."_s.arg(kCallMs)
                                  .arg(m_idleCalls.slow)
                                  .arg(m_idleCalls.all)
                                  .arg(m_waitingCalls.slow)
                                  .arg(m_waitingCalls.all)
                                  .arg(kSlowCallShare * 100);
    QList<double> idleCalls, waitingCalls;
    for (const Walk &walk : m_idle)
        idleCalls += walk.callMs;
    for (const auto &[walk, idleBefore] : m_waiting)
        waitingCalls += walk.callMs;
    const QString slowest =
        u"A call idle %1 ms, while waiting %2 ms (medians); the slowest idle %3 ms, while "
        "waiting %4 ms (%5)."_s.arg(Median(idleCalls), 0, 'f', 2)
            .arg(Median(waitingCalls), 0, 'f', 2)
            .arg(m_slowestIdleCall, 0, 'f', 1)
            .arg(m_slowestCall, 0, 'f', 1)
            .arg(m_slowestCallWhat);
    const QString each = u"Idle walks: %1 ms; walks while waiting: %2 ms; ratios: %3"_s.arg(
        Figures(idle), Figures(waiting), Figures(Ratios()));
    return QStringList{walks, slowCalls, slowest, each}.join(u' ');
}
