#include "appicon.h"

QIcon AppIcon() {
    static const QIcon kIcon(QStringLiteral(":/tarvio/tarvio.svg"));
    return kIcon;
}
