#include "appicon.h"

#include <QDirIterator>

QIcon AppIcon() {
#ifdef Q_OS_WIN
    // The sizes rendered from the SVG at build time, with no image plugin.
    static const QIcon kIcon = [] {
        QIcon icon;
        QDirIterator sizes(QStringLiteral(":/tarvio/icon"), {QStringLiteral("*.png")});
        while (sizes.hasNext())
            icon.addFile(sizes.next());
        return icon;
    }();
#else
    static const QIcon kIcon(QStringLiteral(":/tarvio/tarvio.svg"));
#endif
    return kIcon;
}
