#pragma once

#include <QSemaphore>
#include <QThread>

// A minimal number-segment service for the benchmarks: HTTP/1.1 on
// 127.0.0.1, in a thread of its own so that serving costs the client
// nothing. Every GET is answered at once with a well-formed answer for the
// number it asks about.
class AnswerServerThread : public QThread {
public:
    ~AnswerServerThread() override;

    // Starts the thread; returns the port once it listens (0 on failure).
    quint16 startServing();
    void stopServing();

protected:
    void run() override;

private:
    QSemaphore m_ready;
    quint16 m_port = 0;
};
