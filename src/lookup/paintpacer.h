#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

// Holds screen refreshes to a human pace while lookups follow one another.
// A batch run changes its caption and a cell for every row, and every change
// asks for a repaint that costs more than the row's own lookup. While a Scope
// lives, at most one refresh request per interval goes through; the ones held
// back are delivered when the interval is over, so nothing that changed is
// left unpainted, and what is painted is always the latest state.
class PaintPacer : public QObject {
public:
    // Often enough that a counter is seen to move well within 100 ms.
    static constexpr std::chrono::milliseconds kDefaultInterval{40};

    explicit PaintPacer(std::chrono::milliseconds interval = kDefaultInterval);

    class Scope {
    public:
        explicit Scope(PaintPacer &pacer);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        PaintPacer &m_pacer;
    };

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override;

private:
    void Release();

    std::chrono::milliseconds m_interval;
    QElapsedTimer m_sinceRefresh;
    QTimer m_release;
    QList<QPointer<QObject>> m_held;     // asked too soon, sent again later
    QList<QPointer<QObject>> m_released; // sent again, let through once
    int m_scopes = 0;
};
