#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Workbooks for the import's tests: the ones make_workbooks.py wrote at build
// time, zips put together from parts, zip bombs, and damaged copies.

using ZipParts = QList<QPair<QString, QByteArray>>;

// A workbook that make_workbooks.py wrote (customers.xlsx, customers.xls,
// customers.txt, sheets.xls).
QString TestWorkbook(const QString &name);
QByteArray TestWorkbookBytes(const QString &name);
// The numbers customers.txt lists, in order.
QStringList CustomerNumbers();

// A zip of these parts, deflated or stored as they are; false when it could
// not be written.
bool WriteZip(const QString &path, const ZipParts &parts, bool stored = false);
// The bytes of such a zip; null when it could not be made.
QByteArray ZipBytes(const ZipParts &parts, bool stored = false);
// Every part of a zip, in its order.
ZipParts ReadZip(const QString &path);

// The parts of the smallest .xlsx with one sheet of this XML (the cells
// only: what goes inside <sheetData>) and, when given, shared strings (the
// <si> elements).
ZipParts XlsxParts(const QByteArray &sheetData, const QByteArray &sharedStrings = {});

// A zip of one part, "xl/worksheets/sheet1.xml" in an otherwise whole .xlsx,
// whose XML is `head`, then `repeated` `times` times, then `tail`:
// gigabytes from a few megabytes, deflated without ever being held whole.
// The zip's directory gives the part's true size, or `declaredSize` when
// that is not negative (a bomb that lies about it).
bool WriteXlsxBomb(const QString &path, const QByteArray &head, const QByteArray &repeated,
                   qint64 times, const QByteArray &tail, qint64 declaredSize = -1);
// The bytes of such a bomb, with nothing before or after `repeated`.
QByteArray XlsxBombBytes(const QByteArray &repeated, qint64 times, qint64 declaredSize = -1);

// An .xls as it is when locked with a password: the record after the first
// BOF becomes a FILEPASS record. Empty when the bytes hold no BIFF8 BOF.
QByteArray XlsWithFilePass(const QByteArray &xls);
// An OLE file with the stream `from` renamed `to` in its directory, as
// long as the name fits (31 characters): an .xls whose "Workbook" becomes
// "EncryptedPackage" is what an .xlsx locked with a password is on disk.
QByteArray OleWithStreamRenamed(const QByteArray &ole, const QString &from, const QString &to);
