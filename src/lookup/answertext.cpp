#include "lookup/answertext.h"

QString DecodeAnswerBody(const QByteArray &body, const QByteArray &)
{
    return QString::fromUtf8(body);
}
