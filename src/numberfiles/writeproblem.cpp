#include "writeproblem.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

bool IsWriteFailure(int error) {
#ifdef EDQUOT
    if (error == EDQUOT)
        return true;
#endif
    return error == ENOSPC || error == EFBIG || error == EIO;
}

namespace {
QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

WriteProblem ProblemOfErrno(int error) {
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return WriteProblem::DiskFull;
    case ENOENT:
    case ENOTDIR:
        return WriteProblem::FolderMissing;
    case EACCES:
    case EPERM:
    case EROFS:
        return WriteProblem::FolderNotWritable;
    case ENOMEM:
        return WriteProblem::OutOfMemory;
    default:
        return WriteProblem::Other;
    }
}

QString SystemErrorText(int error) {
#ifdef Q_OS_WIN
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString said = length > 0 ? QString::fromWCharArray(text, length).trimmed() : QString();
    LocalFree(text);
    if (said.isEmpty())
        said = QStringLiteral("Windows error %1").arg(error);
    return said;
#else
    return ErrnoText(error);
#endif
}

WriteProblem ProblemOfSystemError(int error) {
#ifdef Q_OS_WIN
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return WriteProblem::DiskFull;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return WriteProblem::FolderMissing;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return WriteProblem::FolderNotWritable;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return WriteProblem::TargetInUse;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return WriteProblem::OutOfMemory;
    default:
        return WriteProblem::Other;
    }
#else
    return ProblemOfErrno(error);
#endif
}

// Makes an empty file in `folder` and removes it again: 0, or the error
// that making it gave.
int TryMakingAFile(const QString &folder) {
    const QString probe = QDir(folder).filePath(
        QStringLiteral(".tarvio-") + QUuid::createUuid().toString(QUuid::Id128).left(12));
#ifdef Q_OS_WIN
    const HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t *>(probe.utf16()), GENERIC_WRITE, 0, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    CloseHandle(file);
    return 0;
#else
    const QByteArray name = QFile::encodeName(probe);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(name.constData());
    return 0;
#endif
}

#ifdef Q_OS_WIN
// Whether another program holds the file open and lets no one delete or
// rename it, as replacing it would: the open it would refuse us, asking to
// share everything, says so.
bool HeldOpenByAnother(const QString &target) {
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(target.utf16()), DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}
#endif
} // namespace

WriteFailure FailureOfSystemError(int error) {
    return {ProblemOfSystemError(error), SystemErrorText(error)};
}

WriteFailure FailureOfErrno(int error) {
    return {ProblemOfErrno(error), ErrnoText(error)};
}

qint64 FreeBytes(const QString &folder) {
#ifdef Q_OS_WIN
    // Asked of the folder itself, not of the root of its drive (as
    // QStorageInfo asks): the folder may be where another disk is mounted,
    // and what this user may still write there is the quota's.
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(
            reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(folder).utf16()), &available,
            nullptr, nullptr))
        return -1;
    return static_cast<qint64>(available.QuadPart);
#else
    QStorageInfo storage(folder);
    if (!storage.isValid())
        return -1;
    return storage.bytesAvailable();
#endif
}

WriteFailure LookAtFolder(const QString &folder, qint64 bytes) {
    const QFileInfo info(folder);
    if (!info.isDir())
        return {WriteProblem::FolderMissing, {}};
    if (const int error = TryMakingAFile(folder); error != 0)
        return FailureOfSystemError(error);
    const qint64 free = FreeBytes(folder);
    if (free >= 0 && free < bytes)
        return {WriteProblem::DiskFull, {}};
    return {};
}

WriteFailure LookAtTarget(const QString &target, qint64 bytes) {
    const QFileInfo info(target);
    if (!QFileInfo(info.absolutePath()).isDir())
        return {WriteProblem::FolderMissing, {}};
    if (info.isDir())
        return {WriteProblem::TargetIsFolder, {}};
    if (info.exists()) {
#ifdef Q_OS_WIN
        if (HeldOpenByAnother(target))
            return {WriteProblem::TargetInUse, {}};
#endif
        if (!info.isWritable())
            return {WriteProblem::TargetReadOnly, {}};
    }
    return LookAtFolder(info.absolutePath(), bytes);
}
