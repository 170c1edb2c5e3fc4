#include "narrowpath.h"

#include <QDir>

#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#endif

namespace {
std::optional<QByteArray> InCodePage(const QString &path) {
    QByteArray bytes = path.toLocal8Bit();
    if (QString::fromLocal8Bit(bytes) != path)
        return std::nullopt;
    return bytes;
}
} // namespace

std::optional<QByteArray> NarrowPath(const QString &path) {
    std::optional<QByteArray> bytes = InCodePage(path);
#ifdef Q_OS_WIN
    if (bytes)
        return bytes;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = GetShortPathNameW(native.c_str(), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring shortPath(size, L'\0');
    const DWORD written = GetShortPathNameW(native.c_str(), shortPath.data(), size);
    if (written == 0 || written >= size)
        return std::nullopt;
    shortPath.resize(written);
    bytes = InCodePage(QString::fromStdWString(shortPath));
#endif
    return bytes;
}
