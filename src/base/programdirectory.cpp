#include "programdirectory.h"

#include <QCoreApplication>

namespace {
QString &Override() {
    static QString directory;
    return directory;
}
} // namespace

QString ProgramDirectory() {
    QString dir = Override().isEmpty() ? QCoreApplication::applicationDirPath() : Override();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

void SetProgramDirectory(const QString &directory) {
    Override() = directory;
}
