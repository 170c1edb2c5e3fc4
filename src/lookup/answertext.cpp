#include "answertext.h"

#include "gbtext.h"

#include <QList>
#include <QStringDecoder>

namespace {
// The charset parameter of a Content-Type value, or an empty array.
QByteArray CharsetOf(const QByteArray &contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray param = parts[i].trimmed();
        const qsizetype eq = param.indexOf('=');
        if (eq < 0 || param.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = param.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}
} // namespace

QString DecodeAnswerBody(const QByteArray &body, const QByteArray &contentType) {
    const QByteArray charset = CharsetOf(contentType);
    if (IsGbCharset(charset))
        return DecodeGbText(body);
    if (!charset.isEmpty()) {
        QStringDecoder named(charset.constData());
        if (named.isValid())
            return named.decode(body);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(body);
    if (!utf8.hasError())
        return asUtf8;
    return DecodeGbText(body);
}
