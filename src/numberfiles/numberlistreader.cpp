#include "numberlistreader.h"

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

// The number a line gives by the rule, or a null text when it gives none.
QString NumberOfLine(QStringView line, NumberLines rule,
                     const std::function<bool(QStringView)> &isNumber) {
    if (rule == NumberLines::FirstNumberCell) {
        const QStringList cells = SplitCells(line);
        if (!cells.isEmpty()) {
            for (const QString &cell : cells) {
                if (isNumber(cell))
                    return cell;
            }
            return QString();
        }
    }
    return isNumber(line) ? line.toString() : QString();
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
        ++list.lineCount;
        QString number = NumberOfLine(text.sliced(start, end - start), rule, isNumber);
        if (!number.isNull())
            list.kept.append(std::move(number));
        if (end < size && text[end] == QLatin1Char('\r') && end + 1 < size &&
            text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return list;
}
