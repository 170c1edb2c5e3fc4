#pragma once

#include <QByteArray>
#include <QString>

QString DecodeAnswerBody(const QByteArray &body, const QByteArray &contentType);
