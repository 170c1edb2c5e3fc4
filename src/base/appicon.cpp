#include "appicon.h"

QIcon AppIcon() {
    static const QIcon icon(QStringLiteral(":/tarvio/tarvio.svg"));
    return icon;
}
