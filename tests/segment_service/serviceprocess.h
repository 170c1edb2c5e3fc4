#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A copy of the binary and its built-in data alone in `directory`, as a user
// unpacks it; its path, or empty.
QString CopyServiceInto(const QString &directory);

// The copy started on a free 127.0.0.1 port, killed when this goes; `port` is 0
// when it did not come up, `output` its stderr until then.
struct ServiceProcess {
    explicit ServiceProcess(const QString &binary, const QStringList &arguments = {});
    ~ServiceProcess();
    QProcess process;
    QString output;
    int port = 0;
};
