#include "xlsworkbook.h"

#include "sheetcolumns.h"
#include "xlsrecords.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QtEndian>

#include <cstring>
#include <optional>

namespace {
// xls-reader says nothing while freexl reads the whole file, which takes
// well under a second for the largest sheet an .xls holds; silence this
// long is a reader that loops.
constexpr int kSilenceMs = 20'000;
// How often a stop asked for is looked at.
constexpr int kLookMs = 50;

// Reads the records of xls-reader's output from the front of a buffer.
class Records {
public:
    void Append(const QByteArray &bytes) {
        if (m_at > (1 << 20)) {
            m_buffer.remove(0, m_at);
            m_at = 0;
        }
        m_buffer.append(bytes);
    }

    struct Record {
        char kind = 0;
        quint32 row = 0;
        quint16 column = 0;
        double number = 0;
        QByteArrayView text;
        quint8 fault = 0;
    };
    // The next whole record, or nothing while it has not all come yet.
    std::optional<Record> Next() {
        const qsizetype left = m_buffer.size() - m_at;
        if (left < 1)
            return std::nullopt;
        const char *at = m_buffer.constData() + m_at;
        Record record;
        record.kind = at[0];
        qsizetype size = 1;
        switch (record.kind) {
        case XlsRecord::kSheet:
        case XlsRecord::kEnd:
            break;
        case XlsRecord::kFault:
            if (left < 2)
                return std::nullopt;
            record.fault = quint8(at[1]);
            size = 2;
            break;
        case XlsRecord::kNumber:
        case XlsRecord::kText: {
            if (left < 7)
                return std::nullopt;
            record.row = qFromLittleEndian<quint32>(at + 1);
            record.column = qFromLittleEndian<quint16>(at + 5);
            if (record.kind == XlsRecord::kNumber) {
                if (left < 15)
                    return std::nullopt;
                const quint64 bits = qFromLittleEndian<quint64>(at + 7);
                std::memcpy(&record.number, &bits, sizeof bits);
                size = 15;
            } else {
                if (left < 11)
                    return std::nullopt;
                const quint32 length = qFromLittleEndian<quint32>(at + 7);
                if (qint64(length) > left - 11)
                    return std::nullopt;
                record.text = QByteArrayView(at + 11, qsizetype(length));
                size = 11 + qsizetype(length);
            }
            break;
        }
        default:
            record.kind = 0; // not a record: the output is garbled
            break;
        }
        m_at += size;
        return record;
    }

private:
    QByteArray m_buffer;
    qsizetype m_at = 0;
};

WorkbookFault FaultOfRecord(quint8 value) {
    switch (WorkbookFault(value)) {
    case WorkbookFault::CannotOpen:
    case WorkbookFault::Encrypted:
    case WorkbookFault::NotAWorkbook:
    case WorkbookFault::TooLarge:
        return WorkbookFault(value);
    default:
        return WorkbookFault::Damaged;
    }
}
} // namespace

WorkbookNumbers ReadXlsWorkbook(const QString &path,
                                const std::function<bool(QStringView)> &isNumber,
                                const std::function<bool()> &stopAsked) {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("/xls-reader.exe");
#else
    const QString program = QStringLiteral("/xls-reader");
#endif
    reader.start(QCoreApplication::applicationDirPath() + program, {path}, QIODevice::ReadOnly);
    if (!reader.waitForStarted())
        return {WorkbookFault::CannotOpen, {}};
    // Whatever way this ends, the reader is gone before it returns.
    struct Ender {
        QProcess &process;
        ~Ender() {
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished();
            }
        }
    } ender{reader};

    Records records;
    std::optional<SheetColumns> sheet;
    QDeadlineTimer silence(kSilenceMs);
    for (;;) {
        if (stopAsked())
            return {WorkbookFault::Stopped, {}};
        if (!reader.waitForReadyRead(kLookMs)) {
            if (reader.state() == QProcess::NotRunning && reader.bytesAvailable() == 0)
                break;
            if (silence.hasExpired())
                return {WorkbookFault::Damaged, {}};
            continue;
        }
        silence.setRemainingTime(kSilenceMs);
        records.Append(reader.readAll());
        while (const std::optional<Records::Record> record = records.Next()) {
            switch (record->kind) {
            case XlsRecord::kFault:
                return {FaultOfRecord(record->fault), {}};
            case XlsRecord::kSheet:
            case XlsRecord::kEnd:
                // The sheet before is whole: the first one with numbers is it.
                if (sheet && sheet->HoldsNumbers())
                    return {WorkbookFault::None, sheet->ChosenColumn()};
                if (record->kind == XlsRecord::kEnd)
                    return {WorkbookFault::NoNumbers, {}};
                sheet.emplace(isNumber);
                break;
            case XlsRecord::kNumber:
            case XlsRecord::kText:
                if (!sheet)
                    return {WorkbookFault::Damaged, {}};
                if (!sheet->AddText(record->row, record->column,
                                    record->kind == XlsRecord::kNumber
                                        ? NumberCellText(record->number)
                                        : QString::fromUtf8(record->text)))
                    return {WorkbookFault::TooLarge, {}};
                break;
            default:
                return {WorkbookFault::Damaged, {}};
            }
        }
    }
    // The reader ended before it said the workbook was over: it crashed.
    return {WorkbookFault::Damaged, {}};
}
