#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QProcess>

#include <deque>
#include <functional>

// busreader.py reading this program over the accessibility bus: a command a
// line, a JSON answer a line, handed to the first event loop that takes it
// (so that a waiting lookup's loop takes it).
class BusReaderProcess : public QObject {
public:
    using Answer = std::function<void(const QJsonObject &)>;

    // Starts the reader; false when it finds no window of this program.
    bool Start();
    ~BusReaderProcess() override;

    void Ask(const QByteArray &command, Answer then);
    void Tell(const QByteArray &command) { m_process.write(command + '\n'); } // no answer
    // Waits for the answer outside any command (empty if the reader ends).
    QJsonObject AskNow(const QByteArray &command);

    // Each walk of a stream of walks ("walks"), as it ends.
    void OnWalked(Answer then) { m_onWalked = std::move(then); }

    bool Running() const { return m_process.state() != QProcess::NotRunning; }

private:
    void Take();

    QProcess m_process;
    QByteArray m_pending;
    std::deque<Answer> m_answers;
    Answer m_onWalked;
};
