#include "lookup/numerictext.h"

bool IsNumericText(const QString &text)
{
    return IsNumericText(text, QLocale());
}

bool IsNumericText(const QString &, const QLocale &)
{
    return false;
}
