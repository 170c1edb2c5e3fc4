#include "paintpacer.h"

#include <QCoreApplication>
#include <QEvent>

PaintPacer::PaintPacer(std::chrono::milliseconds interval)
    : m_interval(interval) {
    m_release.setSingleShot(true);
    m_release.setTimerType(Qt::PreciseTimer);
    connect(&m_release, &QTimer::timeout, this, &PaintPacer::Release);
}

PaintPacer::Scope::Scope(PaintPacer &pacer)
    : m_pacer(pacer) {
    if (m_pacer.m_scopes++ == 0 && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(&m_pacer);
}

PaintPacer::Scope::~Scope() {
    // Requests still held stay with the release timer: the next loop that
    // runs, inside a scope or not, delivers them on time.
    if (--m_pacer.m_scopes == 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(&m_pacer);
}

bool PaintPacer::eventFilter(QObject *receiver, QEvent *event) {
    if (event->type() != QEvent::UpdateRequest)
        return false;
    if (m_released.removeOne(receiver))
        return false;
    const qint64 interval = m_interval.count();
    if (!m_sinceRefresh.isValid() || m_sinceRefresh.elapsed() >= interval) {
        m_sinceRefresh.start();
        return false;
    }
    // The window asks only once until it has been served, so a request
    // held here must be sent again later or the window would stop painting.
    if (!m_held.contains(receiver))
        m_held.append(receiver);
    if (!m_release.isActive())
        m_release.start(static_cast<int>(interval - m_sinceRefresh.elapsed()));
    return true;
}

void PaintPacer::Release() {
    m_sinceRefresh.start();
    m_released.clear();
    const QList<QPointer<QObject>> held = std::exchange(m_held, {});
    for (const QPointer<QObject> &receiver : held) {
        if (!receiver)
            continue;
        m_released.append(receiver);
        QCoreApplication::postEvent(receiver, new QEvent(QEvent::UpdateRequest),
                                    Qt::LowEventPriority);
    }
}
