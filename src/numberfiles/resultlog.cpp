#include "resultlog.h"

#include <QSaveFile>
#include <QStringEncoder>

namespace {
constexpr QIODevice::OpenMode kUnbuffered = QIODevice::WriteOnly | QIODevice::Unbuffered;

const QByteArray kUtf16Mark = QByteArrayLiteral("\xFF\xFE");

QByteArray Utf16(QStringView text) {
    QStringEncoder utf16(QStringConverter::Utf16LE);
    return utf16.encode(text);
}

QString LineOf(const QStringList &fields) {
    return fields.join(QLatin1Char('\t')) + QLatin1String("\r\n");
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

bool ResultLog::OpenToAppend() {
    m_utf16 = false;
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered | QIODevice::Append))
        return false;
    m_file.seek(0);
    m_utf16 = m_file.read(kUtf16Mark.size()) == kUtf16Mark;
    return m_file.error() == QFileDevice::NoError && m_file.seek(m_file.size());
}

std::optional<QByteArray> ResultLog::Encode(const QString &line) {
    if (!m_utf16) {
        if (std::optional<QByteArray> bytes = m_codePage.encode(line))
            return bytes;
        if (!SwitchToUtf16())
            return std::nullopt;
    }
    return Utf16(line);
}

bool ResultLog::WriteLine(const QStringList &fields) {
    if (!m_file.isOpen())
        return false;
    const std::optional<QByteArray> bytes = Encode(LineOf(fields));
    return bytes && Write(*bytes);
}

qsizetype ResultLog::WriteLines(const QList<QStringList> &lines) {
    if (!m_file.isOpen() || lines.isEmpty())
        return 0;
    QList<QByteArray> encoded;
    encoded.reserve(lines.size());
    for (const QStringList &fields : lines) {
        const bool wasUtf16 = m_utf16;
        std::optional<QByteArray> bytes = Encode(LineOf(fields));
        if (!bytes)
            return 0;
        // The lines before were made in the code page, which the file has
        // just left behind.
        if (m_utf16 && !wasUtf16) {
            for (qsizetype i = 0; i < encoded.size(); ++i)
                encoded[i] = Utf16(LineOf(lines[i]));
        }
        encoded.append(std::move(*bytes));
    }
    const qint64 before = m_file.size();
    if (Write(encoded.join()))
        return lines.size();
    // The file took only part of it: what it took is taken back, and the
    // lines go one by one, so that it is known which of them are there.
    if (!m_file.resize(before))
        return 0;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const qint64 lineStart = m_file.size();
        if (!Write(encoded[i])) {
            m_file.resize(lineStart);
            return i;
        }
    }
    return lines.size();
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
