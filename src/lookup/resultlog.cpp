#include "resultlog.h"

#include <QSaveFile>
#include <QStringEncoder>

namespace {
constexpr QIODevice::OpenMode kUnbuffered = QIODevice::WriteOnly | QIODevice::Unbuffered;

QByteArray Utf16(QStringView text) {
    QStringEncoder utf16(QStringConverter::Utf16LE);
    return utf16.encode(text);
}
} // namespace

ResultLog::ResultLog(const QString &path, CodePage codePage)
    : m_file(path)
    , m_codePage(std::move(codePage)) {}

bool ResultLog::Create() {
    // Unbuffered: every write is handed to the system at once, nothing waits
    // in a buffer of ours when the process dies.
    m_utf16 = false;
    return m_file.open(kUnbuffered | QIODevice::Truncate);
}

bool ResultLog::WriteLine(const QStringList &fields) {
    if (!m_file.isOpen())
        return false;
    const QString line = fields.join(QLatin1Char('\t')) + QLatin1String("\r\n");
    if (!m_utf16) {
        if (const std::optional<QByteArray> bytes = m_codePage.encode(line))
            return Write(*bytes);
        if (!SwitchToUtf16())
            return false;
    }
    return Write(Utf16(line));
}

bool ResultLog::Write(const QByteArray &bytes) {
    return m_file.write(bytes) == bytes.size() && m_file.flush();
}

// Rewrites what the file holds so far as UTF-16, whole or not at all, and
// goes on appending to it.
bool ResultLog::SwitchToUtf16() {
    const QString path = m_file.fileName();
    m_file.close();
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly))
        return false;
    const QString text = m_codePage.decode(written.readAll());
    const bool readFailed = written.error() != QFileDevice::NoError;
    written.close();
    if (readFailed)
        return false;

    QSaveFile converted(path);
    if (!converted.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QByteArrayLiteral("\xFF\xFE") + Utf16(text);
    if (converted.write(bytes) != bytes.size() || !converted.commit())
        return false;
    m_utf16 = true;
    return m_file.open(kUnbuffered | QIODevice::Append);
}

void ResultLog::Close() {
    m_file.close();
}

QStringList ResultLog::HeaderFields() {
    return {QStringLiteral("序号"), QStringLiteral("手机号"), QString(), QStringLiteral("归属地")};
}
