#include "resultcsv.h"

#include "writeproblem.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

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

void AppendRecord(QString &out, const ResultRecord &row) {
    AppendLine(out, {row.serial, row.number, AsAnswerCell(row.province), AsAnswerCell(row.city),
                     AsAnswerCell(row.carrier)});
}

QByteArray Bom() {
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

// About this many characters are gathered before they are written.
constexpr qsizetype kPiece = 256 * 1024;
// The stop is looked at once for so many rows.
constexpr qsizetype kRowsBetweenLooks = 4096;
} // namespace

QByteArray ResultsCsvBytes(const QList<ResultRecord> &rows) {
    QString text;
    AppendLine(text, ResultExportHeader());
    for (const ResultRecord &row : rows)
        AppendRecord(text, row);
    return Bom() + text.toUtf8();
}

ExportOutcome WriteResultsCsv(const QString &path, const ResultRows &rows,
                              const ShouldStop &shouldStop) {
    ExportOutcome outcome;
    // Gone (and the file beside the target with it) before a failure is
    // looked into.
    auto file = std::make_unique<QSaveFile>(path);
    qint64 bytes = 0; // written, or being written when a write failed
    const auto fail = [&]() {
        const QString said = file->errorString();
        file.reset();
        const WriteFailure failure = LookAtTarget(path, bytes);
        outcome.problem =
            failure.problem == WriteProblem::None ? WriteProblem::Other : failure.problem;
        outcome.detail = failure.problem == WriteProblem::None ? said : failure.detail;
        outcome.folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
        return outcome;
    };
    // Unbuffered: a write that fails says so at once, with its own bytes.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    QString text;
    text.reserve(kPiece + 4096);
    AppendLine(text, ResultExportHeader());
    const auto writeText = [&](const QByteArray &opening) {
        const QByteArray piece = opening + text.toUtf8();
        text.clear();
        bytes += piece.size();
        return file->write(piece) == piece.size();
    };
    if (!writeText(Bom()))
        return fail();
    for (qsizetype i = 0; i < rows.count; ++i) {
        if (i % kRowsBetweenLooks == 0 && shouldStop && shouldStop()) {
            outcome.problem = WriteProblem::Stopped;
            return outcome; // the file beside the target goes with `file`
        }
        AppendRecord(text, rows.record(i));
        if (text.size() >= kPiece && !writeText({}))
            return fail();
    }
    if ((!text.isEmpty() && !writeText({})) || !file->commit())
        return fail();
    return outcome;
}
