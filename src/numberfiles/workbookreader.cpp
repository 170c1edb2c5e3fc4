#include "workbookreader.h"

#include "xlsworkbook.h"
#include "xlsxworkbook.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr char kZipMagic[] = "PK\x03\x04";
constexpr char kEmptyZipMagic[] = "PK\x05\x06";
constexpr char kOleMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

enum class Kind { Xlsx, Xls, CutShort, Other, Unreadable };

// What the first bytes say the file is. A file shorter than a signature
// that begins like one was cut short.
Kind KindOfFile(const QString &path) {
    if (!QFileInfo(path).isFile())
        return Kind::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Kind::Unreadable;
    const QByteArray head = file.read(8);
    if (file.error() != QFileDevice::NoError)
        return Kind::Unreadable;
    const QByteArrayView zip(kZipMagic, 4), emptyZip(kEmptyZipMagic, 4), ole(kOleMagic, 8);
    if (head.startsWith(zip) || head.startsWith(emptyZip))
        return Kind::Xlsx;
    if (head.startsWith(ole))
        return Kind::Xls;
    if (head.size() < 8 && (zip.startsWith(head) || ole.startsWith(head)))
        return Kind::CutShort;
    return Kind::Other;
}
} // namespace

bool IsWorkbookName(const QString &path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0;
}

WorkbookNumbers ReadWorkbook(const QString &path, const std::function<bool(QStringView)> &isNumber,
                             const std::function<bool()> &stopAsked) {
    const std::function<bool()> stop = stopAsked ? stopAsked : [] {
        return false;
    };
    switch (KindOfFile(path)) {
    case Kind::Xlsx:
        return ReadXlsxWorkbook(path, isNumber, stop);
    case Kind::Xls:
        return ReadXlsWorkbook(path, isNumber, stop);
    case Kind::CutShort:
        return {WorkbookFault::Damaged, {}};
    case Kind::Other:
        return {WorkbookFault::NotAWorkbook, {}};
    case Kind::Unreadable:
        break;
    }
    return {WorkbookFault::CannotOpen, {}};
}
