#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QProcess>

#include <deque>
#include <functional>

// busreader.py as a process of its own, reading this program over the
// accessibility bus: one command a line, one JSON answer a line, in order.
// An answer is handed over by the first event loop that takes it, so
// commands can be given from inside a waiting lookup.
class BusReaderProcess : public QObject {
public:
    using Answer = std::function<void(const QJsonObject &)>;

    // Starts the reader on this process and waits until it has found the
    // program's window on the bus; false when it has not.
    bool Start();
    ~BusReaderProcess() override;

    // Sends a command; its answer goes to then.
    void Ask(const QByteArray &command, Answer then);
    // Sends a command that has no answer.
    void Tell(const QByteArray &command);
    // Sends a command from outside any command of the window and waits for
    // its answer (empty if the reader ends first).
    QJsonObject AskNow(const QByteArray &command);

    // Each walk of a stream of walks ("walks") goes to then, as it ends.
    void OnWalked(Answer then) { m_onWalked = std::move(then); }

    bool Running() const { return m_process.state() != QProcess::NotRunning; }

private:
    void Take();

    QProcess m_process;
    QByteArray m_pending;
    std::deque<Answer> m_answers;
    Answer m_onWalked;
};
