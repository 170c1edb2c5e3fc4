#include "applyskin.h"

#include "programdirectory.h"
#include "skinengine.h"

#include <QByteArray>
#include <QDir>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
// Found at the first skin applied (the one the main window applies while it
// loads) and kept for the life of the process.
SkinEntry &Entry() {
    static SkinEntry entry = &SkinH_AttachEx;
    return entry;
}
} // namespace

void SkinEngine::SendCallsTo(SkinEntry entry) {
    Entry() = entry ? entry : &SkinH_AttachEx;
}

void SkinEngine::Reset() {
    Entry() = &SkinH_AttachEx;
}

void ApplySkin(const QString &fixedText) {
    // The fixed texts are written with backslashes; here "/" separates. Only
    // the fixed text is converted: the program directory is taken as it is,
    // and nothing is put between the two.
    QString place = fixedText;
    place.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QByteArray path = SkinPathBytes(ProgramDirectory() + place);
    const QByteArray extra = QString().toLocal8Bit();
    Entry()(path.constData(), extra.constData());
}

QByteArray SkinPathBytes(const QString &path) {
    QByteArray bytes = path.toLocal8Bit();
#ifdef Q_OS_WIN
    if (QString::fromLocal8Bit(bytes) == path)
        return bytes;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = GetShortPathNameW(native.c_str(), nullptr, 0);
    if (size == 0)
        return bytes;
    std::wstring shortPath(size, L'\0');
    const DWORD written = GetShortPathNameW(native.c_str(), shortPath.data(), size);
    if (written == 0 || written >= size)
        return bytes;
    shortPath.resize(written);
    const QByteArray shortBytes = QString::fromStdWString(shortPath).toLocal8Bit();
    if (QString::fromLocal8Bit(shortBytes) == QString::fromStdWString(shortPath))
        bytes = shortBytes;
#endif
    return bytes;
}
