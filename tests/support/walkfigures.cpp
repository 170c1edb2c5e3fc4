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
    QList<double> idle, waiting, idleCalls, waitingCalls;
    for (const Walk &walk : m_idle) {
        idle.append(walk.ms);
        idleCalls += walk.callMs;
    }
    for (const auto &[walk, idleBefore] : m_waiting) {
        waiting.append(walk.ms);
        waitingCalls += walk.callMs;
    }
    return u"A walk idle %1 ms, while waiting %2 ms: %3 times (medians; goal: at most %4). "
           "Calls over %5 ms: idle %6 of %7, while waiting %8 of %9 (goal: at most %10 in 100 "
           "more). A call idle %11 ms, while waiting %12 ms (medians); the slowest idle %13 ms, "
           "while waiting %14 ms (%15). Idle walks: %16 ms; walks while waiting: %17 ms; "
           "ratios: %18"_s.arg(Median(idle), 0, 'f', 1)
               .arg(Median(waiting), 0, 'f', 1)
               .arg(Median(Ratios()), 0, 'f', 2)
               .arg(kWalkRatio)
               .arg(kCallMs)
               .arg(m_idleCalls.slow)
               .arg(m_idleCalls.all)
               .arg(m_waitingCalls.slow)
               .arg(m_waitingCalls.all)
               .arg(kSlowCallShare * 100)
               .arg(Median(idleCalls), 0, 'f', 2)
               .arg(Median(waitingCalls), 0, 'f', 2)
               .arg(m_slowestIdleCall, 0, 'f', 1)
               .arg(m_slowestCall, 0, 'f', 1)
               .arg(m_slowestCallWhat, Figures(idle), Figures(waiting), Figures(Ratios()));
}
