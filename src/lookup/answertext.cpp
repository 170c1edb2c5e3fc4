#include "answertext.h"

#include "gbtext.h"

#include <QList>
#include <QStringDecoder>

namespace {
// The charset parameter of a Content-Type value, or an empty view; read in
// place, since every answer passes here.
QByteArrayView CharsetOf(QByteArrayView contentType) {
    for (qsizetype start = contentType.indexOf(';'); start >= 0;) {
        const qsizetype end = contentType.indexOf(';', start + 1);
        const qsizetype length = (end < 0 ? contentType.size() : end) - start - 1;
        const QByteArrayView param = contentType.sliced(start + 1, length);
        const qsizetype eq = param.indexOf('=');
        if (eq >= 0 && param.first(eq).trimmed().compare("charset", Qt::CaseInsensitive) == 0) {
            QByteArrayView value = param.sliced(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.sliced(1, value.size() - 2);
            return value;
        }
        start = end;
    }
    return {};
}
} // namespace

QString DecodeAnswerBody(const QByteArray &body, const QByteArray &contentType) {
    const QByteArrayView charset = CharsetOf(contentType);
    if (IsGbCharset(charset))
        return DecodeGbText(body);
    if (!charset.isEmpty()) {
        QStringDecoder named(charset.toByteArray().constData());
        if (named.isValid())
            return named.decode(body);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(body);
    if (!utf8.hasError())
        return asUtf8;
    return DecodeGbText(body);
}
