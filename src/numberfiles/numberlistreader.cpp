#include "numberlistreader.h"

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

// Splits decoded text into its lines: CR LF, CR and LF each end a line, and
// a line end at the very end starts no further line.
NumberList ParseNumberList(const QString &text, const std::function<bool(QStringView)> &keep) {
    NumberList list;
    const QStringView all(text);
    const qsizetype size = all.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && all[end] != QLatin1Char('\r') && all[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = all.sliced(start, end - start);
        ++list.lineCount;
        if (keep(line))
            list.kept.append(line.toString());
        if (end < size && all[end] == QLatin1Char('\r') && end + 1 < size &&
            all[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return list;
}
} // namespace

std::optional<NumberList> ReadNumberList(const QString &path,
                                         const std::function<bool(QStringView)> &keep) {
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
    return ParseNumberList(DecodeNumberListText(bytes), keep);
}
