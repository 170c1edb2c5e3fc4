#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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

// Why an export file was not written.
enum class ExportError {
    None,
    // The target, or a temporary file beside it, could not be written or
    // put in its place; the target is as it was.
    TargetNotWritable,
    // The workbook could not be made in the temporary folder.
    WorkbookFailed,
};
