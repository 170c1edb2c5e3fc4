#pragma once

#include "resultexport.h"

#include <QString>

// What the system said when writing a file failed, and what can be found out
// afterwards by looking: the real cause of a failed export, never a guess.

// What went wrong, with the system's words for it.
struct WriteFailure {
    WriteProblem problem = WriteProblem::None;
    QString detail;
};

// What an error of the system's own interface means: errno on Linux, a
// GetLastError() code on Windows.
WriteFailure FailureOfSystemError(int error);
// What an errno of the C library means (on Windows too, where the C
// library keeps errno of its own for the files it writes).
WriteFailure FailureOfErrno(int error);
// Whether an errno is that of a write the disk refused (full, a quota, a
// file too large for it, an input/output error), as opposed to the values
// other calls may leave behind.
bool IsWriteFailure(int error);

// How many bytes may still be written on the disk of `folder`; -1 when the
// system does not say.
qint64 FreeBytes(const QString &folder);

// Why no file `bytes` long can be made in `folder`, as things stand now:
// the folder is missing, a file cannot be made in it (with the system's
// reason), or its disk has not that room. None when nothing stands in the way.
WriteFailure LookAtFolder(const QString &folder, qint64 bytes);

// Why `target` could not be written `bytes` long or could not replace the
// file of that name, as things stand now: the problems of its folder, a
// folder of that name, a read-only file, a file another program holds open.
WriteFailure LookAtTarget(const QString &target, qint64 bytes);
