#pragma once

#include <QByteArray>
#include <QString>

// Turns the bytes of the service's answer into text. The charset named in the
// Content-Type header wins when it is known (GBK and its kin always, others
// as far as Qt knows them); otherwise UTF-8 when the bytes are valid UTF-8,
// else GB18030 (a superset of GBK), which is what services of this kind
// usually send without saying so.
QString DecodeAnswerBody(const QByteArray &body, const QByteArray &contentType);
