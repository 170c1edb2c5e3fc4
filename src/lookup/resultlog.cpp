#include "resultlog.h"

ResultLog::ResultLog(const QString &path)
    : m_file(path)
    , m_encoder(QStringConverter::System) {}

bool ResultLog::Create() {
    // Unbuffered: every write is handed to the system at once, nothing waits
    // in a buffer of ours when the process dies.
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

bool ResultLog::WriteLine(const QStringList &fields) {
    if (!m_file.isOpen())
        return false;
    const QByteArray line =
        m_encoder.encode(fields.join(QLatin1Char('\t')) + QLatin1String("\r\n"));
    return m_file.write(line) == line.size() && m_file.flush();
}

void ResultLog::Close() {
    m_file.close();
}

QStringList ResultLog::HeaderFields() {
    return {QStringLiteral("序号"), QStringLiteral("手机号"), QString(), QStringLiteral("归属地")};
}
