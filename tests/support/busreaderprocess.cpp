#include "busreaderprocess.h"

#include <QCoreApplication>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

bool BusReaderProcess::Start() {
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] { Take(); });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's libatspi for Python belongs to the system's interpreter.
    m_process.start(u"/usr/bin/python3"_s, {QStringLiteral(TARVIO_BUS_READER),
                                            QString::number(QCoreApplication::applicationPid())});
    bool ready = false;
    m_answers.push_back(
        [&ready](const QJsonObject &answer) { ready = answer[u"ready"_s].toBool(); });
    // The reader gives up by itself if the program never shows on the bus.
    while (!m_answers.empty() && Running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return ready;
}

BusReaderProcess::~BusReaderProcess() {
    // Answers still due go nowhere: whoever waited for them is gone.
    disconnect(&m_process, nullptr, this, nullptr);
    m_process.write("quit\n");
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}

void BusReaderProcess::Ask(const QByteArray &command, Answer then) {
    m_answers.push_back(std::move(then));
    m_process.write(command + '\n');
}

QJsonObject BusReaderProcess::AskNow(const QByteArray &command) {
    QJsonObject got;
    bool answered = false;
    Ask(command, [&](const QJsonObject &answer) {
        got = answer;
        answered = true;
    });
    while (!answered && Running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return got;
}

void BusReaderProcess::Take() {
    m_pending += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QJsonObject answer = QJsonDocument::fromJson(m_pending.left(end)).object();
        m_pending.remove(0, end + 1);
        if (answer.contains(u"walked"_s)) {
            if (m_onWalked)
                m_onWalked(answer[u"walked"_s].toObject());
            continue;
        }
        if (m_answers.empty())
            continue;
        Answer then = std::move(m_answers.front());
        m_answers.pop_front();
        then(answer);
    }
}
