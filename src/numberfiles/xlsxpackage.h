#pragma once

#include "workbookreader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// The zip of an Office Open XML workbook, read through minizip with Qt's
// own file access (so a path is a path on every system, Chinese names
// included). A part is read inflating as it goes, never whole unless asked:
// no more than a limit that real workbooks stay far below, which a zip
// bomb's parts pass at once.
class XlsxPackage {
public:
    explicit XlsxPackage(const QString &path);
    ~XlsxPackage();
    XlsxPackage(const XlsxPackage &) = delete;
    XlsxPackage &operator=(const XlsxPackage &) = delete;

    // None when the zip could be opened; else CannotOpen or Damaged (a zip
    // cut short has no directory at its end).
    WorkbookFault OpenFault() const { return m_openFault; }

    // Whether the zip holds the part (named without a leading "/"; names
    // are compared as OPC compares them, whatever the case).
    bool Has(const QString &part);

    // Hands the part's bytes over in pieces as they are inflated; `take`
    // returns false to end it early (the result is then None). Damaged
    // when the part is missing or its data are wrong, Encrypted when the
    // zip itself is locked, TooLarge past the limit.
    WorkbookFault StreamPart(const QString &part, const std::function<bool(QByteArrayView)> &take);

    // The whole part, for the small ones (the workbook, relationships),
    // when it inflates to at most maxBytes; TooLarge past that.
    WorkbookFault ReadPart(const QString &part, QByteArray &bytes, qint64 maxBytes);

    // How far one part may inflate: some tens of megabytes whatever it
    // holds, and beyond that as much as ratio times its compressed size.
    // Sheets that Excel, LibreOffice or openpyxl write deflate to a tenth or
    // a twentieth; a zip bomb's deflate to a thousandth.
    static qint64 InflateLimit(qint64 compressedSize);

private:
    bool Locate(const QString &part);

    void *m_zip = nullptr;
    WorkbookFault m_openFault = WorkbookFault::None;
};
