#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A copy of the segment-service binary the build made, with its built-in
// data beside it, in `directory`, as a user unpacks it: nothing else of the
// build's is beside it. The copy's path, or empty when it could not be made.
QString CopyServiceInto(const QString &directory);

// A copy made by CopyServiceInto, started with the arguments on a free
// 127.0.0.1 port and waited for; killed when this goes. `port` is 0 when it did not come up,
// and `output` holds what it wrote to stderr until then.
struct ServiceProcess {
    explicit ServiceProcess(const QString &binary, const QStringList &arguments = {});
    ~ServiceProcess();
    QProcess process;
    QString output;
    int port = 0;
};

// Reads what a segment-service process writes to stderr (its read channel)
// until its "listening on 127.0.0.1:PORT" line: the port, or 0 when it ended
// or said no such thing within 30 seconds. `output` gets all it read.
int WaitUntilListening(QProcess &service, QString &output);
