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
    m_slowestIdleCall = std::max(m_slowestIdleCall, walk.slowest);
}

void WalkFigures::Waiting(const Walk &walk) {
    m_waiting.append({walk, m_idle.size()});
    Call(walk.slowest, walk.slowestCall);
}

void WalkFigures::Call(double ms, const QString &what) {
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

double WalkFigures::CallBound() const {
    return std::max(kCallMs, kCallSlack * m_slowestIdleCall);
}

bool WalkFigures::CallsMeetGoal() const {
    return m_slowestCall <= CallBound();
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
    return u"a walk (%1 to %2 calls) idle %3 ms, while waiting %4 ms: %5 times (medians; goal: "
           "at most %6). Slowest call idle %7 ms, while waiting %8 ms (%9; at most %10 ms). Idle "
           "walks: %11 ms; walks while waiting: %12 ms; ratios: %13"_s.arg(calls.value(0))
               .arg(calls.value(calls.size() - 1))
               .arg(Median(idle), 0, 'f', 1)
               .arg(Median(waiting), 0, 'f', 1)
               .arg(Median(Ratios()), 0, 'f', 2)
               .arg(kWalkRatio)
               .arg(m_slowestIdleCall, 0, 'f', 1)
               .arg(m_slowestCall, 0, 'f', 1)
               .arg(m_slowestCallWhat)
               .arg(CallBound(), 0, 'f', 1)
               .arg(Figures(idle), Figures(waiting), Figures(Ratios()));
}
