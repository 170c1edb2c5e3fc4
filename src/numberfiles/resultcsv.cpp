#include "resultcsv.h"

#include <QSaveFile>

namespace {
// A cell that holds a separator, a quote or a line end is quoted, its
// quotes doubled; any other cell is written as it is.
void AppendCell(QString &out, const QString &cell) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    bool quoted = false;
    for (QChar c : cell) {
        if (kSpecial.contains(c)) {
            quoted = true;
            break;
        }
    }
    if (!quoted) {
        out += cell;
        return;
    }
    out += QLatin1Char('"');
    for (QChar c : cell) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

// The answers come from the service over the network: a text that begins
// like a formula would be run by Excel as one when it opens the file, so
// such a text gets an apostrophe before it, which Excel shows as text. The
// number passed the numeric test and the serial is ours; they stay as they
// are ("+1380013800" is a number to Excel as it is to us).
QString AsAnswerCell(const QString &text) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        return QLatin1Char('\'') + text;
    return text;
}

void AppendLine(QString &out, const QStringList &cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        AppendCell(out, cells[i]);
    }
    out += QLatin1String("\r\n");
}
} // namespace

QByteArray ResultsCsvBytes(const QList<ResultRecord> &rows) {
    QString text;
    text.reserve((rows.size() + 1) * 40);
    AppendLine(text, ResultExportHeader());
    for (const ResultRecord &row : rows)
        AppendLine(text, {row.serial, row.number, AsAnswerCell(row.province),
                          AsAnswerCell(row.city), AsAnswerCell(row.carrier)});
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

ExportError WriteResultsCsv(const QString &path, const QList<ResultRecord> &rows) {
    const QByteArray bytes = ResultsCsvBytes(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return ExportError::TargetNotWritable;
    return ExportError::None;
}
