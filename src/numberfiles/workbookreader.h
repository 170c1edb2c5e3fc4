#pragma once

#include "numberlistreader.h"

#include <QString>

#include <functional>

// What went wrong with a workbook, in the terms its message gives the user.
enum class WorkbookFault {
    None,
    // It cannot be opened for reading (it does not exist, or may not be read).
    CannotOpen,
    // Locked with a password: an .xls with its records encrypted, or an
    // .xlsx, which a password turns into an OLE file holding it encrypted.
    Encrypted,
    // Cut short, or bytes in it are wrong.
    Damaged,
    // Whole, but no workbook: a zip of another kind (a .docx renamed), an
    // OLE file of another kind (a .doc), or no such file at all (text).
    NotAWorkbook,
    // A sheet far larger than Excel writes one: stopped at a limit before it
    // takes the machine's memory or minutes of its time (a zip bomb).
    TooLarge,
    // Read whole, but no sheet of it holds a mobile number.
    NoNumbers,
    // The user asked the import to stop.
    Stopped,
};

struct WorkbookNumbers {
    WorkbookFault fault = WorkbookFault::None;
    // The candidates of the number column of the first sheet that holds
    // mobile numbers (sheetcolumns.h); empty unless fault is None.
    NumberList list;
};

// Whether the file is to be read as a workbook: its name ends in .xlsx or
// .xls, whatever the case.
bool IsWorkbookName(const QString &path);

// Reads the workbook at `path`: an Office Open XML workbook (.xlsx), read as a
// stream, or an Excel 97-2003 one (.xls), told apart by their first bytes,
// not by the name. `stopAsked` is looked at as it goes; when it says so the
// read ends early with Stopped. Safe to call on any thread.
WorkbookNumbers ReadWorkbook(const QString &path, const std::function<bool(QStringView)> &isNumber,
                             const std::function<bool()> &stopAsked = {});
