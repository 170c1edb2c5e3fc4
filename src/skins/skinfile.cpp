#include "skinfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {
const QLatin1StringView kHeaderTag("tarvio skin:");

SkinFile Refused(SkinFileStatus status) {
    SkinFile skin;
    skin.status = status;
    return skin;
}

// The name in the opening comment, or an empty string when the text does not
// open with a well-formed header.
QString HeaderName(const QString &text) {
    const QString body = text.trimmed();
    if (!body.startsWith(QLatin1StringView("/*")))
        return {};
    const qsizetype end = body.indexOf(QLatin1StringView("*/"), 2);
    if (end < 0)
        return {};
    const QString comment = body.mid(2, end - 2).trimmed();
    if (!comment.startsWith(kHeaderTag))
        return {};
    return comment.mid(kHeaderTag.size()).trimmed();
}

SkinFile ParseSkinFile(const QByteArray &bytes) {
    if (bytes.size() > kMaxSkinFileBytes)
        return Refused(SkinFileStatus::TooLarge);

    // The decoder drops a byte order mark by itself.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return Refused(SkinFileStatus::NotUtf8);
    if (text.trimmed().isEmpty())
        return Refused(SkinFileStatus::Empty);

    if (HeaderName(text).isEmpty())
        return Refused(SkinFileStatus::NoHeader);

    SkinFile skin;
    skin.status = SkinFileStatus::Ok;
    skin.styleSheet = text;
    return skin;
}
} // namespace

SkinFile ReadSkinFile(const QString &path) {
    if (path.isEmpty() || !QFileInfo::exists(path))
        return Refused(SkinFileStatus::Missing);

    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return Refused(SkinFileStatus::Unreadable);

    // Read one byte past the limit rather than trusting size(): a pipe or a
    // device file reports no size at all.
    const QByteArray bytes = file.read(kMaxSkinFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Refused(SkinFileStatus::Unreadable);
    return ParseSkinFile(bytes);
}
