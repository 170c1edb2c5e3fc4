#include "numberlistreader.h"

#include "cellnumber.h"
#include "numbercells.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {
struct Bom {
    QByteArrayView bytes;
    QStringConverter::Encoding encoding;
};

// Turns the bytes of a number-list file into text. A byte-order mark at the
// very start (UTF-8, UTF-16 LE or BE) chooses the encoding and is dropped;
// without one the bytes are in the system's encoding. Bytes that are not
// valid in the encoding become replacement characters.
QString DecodeNumberListText(const QByteArray &bytes) {
    static const Bom kMarks[] = {
        {QByteArrayView("\xEF\xBB\xBF", 3), QStringConverter::Utf8},
        {QByteArrayView("\xFF\xFE", 2), QStringConverter::Utf16LE},
        {QByteArrayView("\xFE\xFF", 2), QStringConverter::Utf16BE},
    };
    QByteArrayView data(bytes);
    // Stateless: a sequence cut off by the end of the file becomes a
    // replacement character instead of vanishing. The mark itself is
    // removed here, so any later one is kept as an ordinary character.
    const auto flags =
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    for (const Bom &mark : kMarks) {
        if (data.startsWith(mark.bytes)) {
            QStringDecoder decoder(mark.encoding, flags);
            return decoder(data.sliced(mark.bytes.size()));
        }
    }
    QStringDecoder decoder(QStringConverter::System, flags);
    return decoder(data);
}

// What one line gave.
struct LineNumber {
    QString number;          // null when the line gives none
    bool namesPhone = false; // a cell of it names a phone column (and none is a number)
};

// The number a line gives by the rule. In a spreadsheet's or a CSV file's
// text every line is cells, a line without a separator being one cell: a
// column copied alone comes so. A cell gives a number as people write one
// (cellnumber.h) or as a line of a file gives one.
LineNumber NumberOfLine(QStringView line, NumberLines rule,
                        const std::function<bool(QStringView)> &isNumber) {
    if (rule == NumberLines::WholeLine)
        return {isNumber(line) ? line.toString() : QString()};
    QStringList cells = SplitCells(line);
    if (cells.isEmpty())
        cells.append(line.toString());
    LineNumber got;
    for (const QString &cell : cells) {
        got.number = NumberOfCell(cell, isNumber);
        if (!got.number.isNull())
            return got;
        got.namesPhone = got.namesPhone || PhoneHeaderRank(cell) > 0;
    }
    return got;
}
} // namespace

std::optional<NumberList> ReadNumberList(const QString &path, NumberLines rule,
                                         const std::function<bool(QStringView)> &isNumber) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed)
        return std::nullopt;
    return ReadNumberListText(DecodeNumberListText(bytes), rule, isNumber);
}

// Splits the text into its lines: CR LF, CR and LF each end a line, and a
// line end at the very end starts no further line.
NumberList ReadNumberListText(QStringView text, NumberLines rule,
                              const std::function<bool(QStringView)> &isNumber) {
    NumberList list;
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        LineNumber line = NumberOfLine(text.sliced(start, end - start), rule, isNumber);
        // The header of a table (a first line that names the phone column
        // and holds no number) is neither a number nor an invalid one.
        const bool header = start == 0 && rule == NumberLines::FirstNumberCell &&
                            line.number.isNull() && line.namesPhone;
        if (!header)
            ++list.lineCount;
        if (!line.number.isNull())
            list.kept.append(std::move(line.number));
        if (end < size && text[end] == QLatin1Char('\r') && end + 1 < size &&
            text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return list;
}
