#pragma once

#include <QLocale>
#include <QString>

bool IsNumericText(const QString &text);
bool IsNumericText(const QString &text, const QLocale &locale);
