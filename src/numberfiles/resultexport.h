#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One row of the result list as an export file holds it: the serial and the
// number as the list shows them, and what the service answered for the
// number (all empty for a row it found nothing for).
struct ResultRecord {
    QString serial;
    QString number;
    QString province;
    QString city;
    QString carrier;
};

// The columns of an export file, its first row.
QStringList ResultExportHeader();

// The rows an export writes, read one at a time where they are kept, so that
// no copy of them all is made: `count` rows, record(0) the first. The export
// may read them on a thread of its own; nothing may change them meanwhile.
struct ResultRows {
    qsizetype count = 0;
    std::function<ResultRecord(qsizetype index)> record;
};

// Whether the user has asked the export to stop; asked now and then, from
// the thread that writes.
using ShouldStop = std::function<bool()>;

// Why a file was not written, in terms the user can act on.
enum class WriteProblem {
    None,
    // The user asked it to stop; nothing was written.
    Stopped,
    // The disk that the folder is on has no room for the file.
    DiskFull,
    // The folder does not exist (any more).
    FolderMissing,
    // No file can be made in the folder (no permission, a read-only disk).
    FolderNotWritable,
    // The target's name is that of a folder.
    TargetIsFolder,
    // The target exists and may not be written (read-only).
    TargetReadOnly,
    // Another program holds the target open and lets no one replace it, as
    // Excel does with the workbook it shows (Windows).
    TargetInUse,
    // There was not memory enough.
    OutOfMemory,
    // None of those: the system's or the library's own words say what.
    Other,
};

// What an export did: written, or why not and where.
struct ExportOutcome {
    WriteProblem problem = WriteProblem::None;
    // The folder the problem is in: the target's, or the temporary folder
    // that a workbook is made in before it takes the target's place.
    QString folder;
    bool inTemporaryFolder = false;
    // The words of the system or the library, when they are all there is.
    QString detail;
    // The sheets of a workbook written, in their order.
    QStringList sheets;

    bool Written() const { return problem == WriteProblem::None; }
};
