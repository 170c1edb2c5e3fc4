#include "serviceprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

QString CopyServiceInto(const QString &directory) {
    const QString binary =
        QDir(directory).filePath(QFileInfo(QStringLiteral(SEGMENT_SERVICE_BINARY)).fileName());
    if (!QFile::copy(QStringLiteral(SEGMENT_SERVICE_BINARY), binary) ||
        !QFile::copy(QStringLiteral(BUILTIN_SEGMENTS_FILE),
                     QDir(directory).filePath(QStringLiteral("builtin-segments.dat"))))
        return {};
    return binary;
}

ServiceProcess::ServiceProcess(const QString &binary, const QStringList &arguments) {
    process.setReadChannel(QProcess::StandardError);
    process.start(binary, QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} +
                              arguments);
    static const QRegularExpression listening(
        QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    QRegularExpressionMatch match;
    while (!(match = listening.match(output)).hasMatch() && process.waitForReadyRead(30'000))
        output += QString::fromUtf8(process.readAllStandardError());
    port = match.hasMatch() ? match.captured(1).toInt() : 0;
}

ServiceProcess::~ServiceProcess() {
    process.kill();
    process.waitForFinished();
}
