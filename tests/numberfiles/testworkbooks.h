#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Workbooks for the import's tests: make_workbooks.py's, zips, bombs, damaged copies.
using ZipParts = QList<QPair<QString, QByteArray>>;

// customers.xlsx, customers.xls, customers.txt or sheets.xls.
QString TestWorkbook(const QString &name);
QByteArray TestWorkbookBytes(const QString &name);
// The numbers customers.txt lists, in order.
QStringList CustomerNumbers();

// A zip of these parts, deflated or stored; false or null when it failed.
bool WriteZip(const QString &path, const ZipParts &parts, bool stored = false);
QByteArray ZipBytes(const ZipParts &parts, bool stored = false);
ZipParts ReadZip(const QString &path);

// The smallest .xlsx with one sheet of these cells and, when given, these
// shared strings (<si> elements).
ZipParts XlsxParts(const QByteArray &sheetData, const QByteArray &sharedStrings = {});

// An .xlsx whose sheet is `repeated` `times` times, deflated without being
// held whole; its zip directory gives the true size or `declaredSize`.
QByteArray XlsxBombBytes(const QByteArray &repeated, qint64 times, qint64 declaredSize = -1);

// An .xls locked with a password: the record after the first BOF becomes a
// FILEPASS record. Empty when the bytes hold no BIFF8 BOF.
QByteArray XlsWithFilePass(const QByteArray &xls);
// An OLE file with the stream `from` renamed `to` (at most 31 characters):
// an .xls whose "Workbook" becomes "EncryptedPackage" is a locked .xlsx.
QByteArray OleWithStreamRenamed(const QByteArray &ole, const QString &from, const QString &to);
