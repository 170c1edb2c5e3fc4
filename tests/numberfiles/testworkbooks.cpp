#include "testworkbooks.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

namespace {
QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool AddPart(zipFile zip, const QString &name, const QByteArray &bytes, bool stored = false) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip3_64(zip, name.toUtf8().constData(), &info, nullptr, 0, nullptr, 0,
                                nullptr, stored ? 0 : Z_DEFLATED,
                                stored ? 0 : Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, 0) != ZIP_OK)
        return false;
    const bool written =
        zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())) == ZIP_OK;
    return zipCloseFileInZip(zip) == ZIP_OK && written;
}

const QByteArray kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
const QByteArray kPackageRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
const QByteArray kWorkbook =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const QByteArray kWorkbookRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
const QByteArray kSheetHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const QByteArray kSheetTail = "</sheetData></worksheet>";
} // namespace

QString TestWorkbook(const QString &name) {
    return QStringLiteral(TARVIO_TEST_WORKBOOKS "/") + name;
}

QByteArray TestWorkbookBytes(const QString &name) {
    return ReadBytes(TestWorkbook(name));
}

QStringList CustomerNumbers() {
    return QString::fromUtf8(TestWorkbookBytes(QStringLiteral("customers.txt")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool WriteZip(const QString &path, const ZipParts &parts, bool stored) {
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool written = true;
    for (const auto &[name, bytes] : parts)
        written = AddPart(zip, name, bytes, stored) && written;
    return zipClose(zip, nullptr) == ZIP_OK && written;
}

QByteArray ZipBytes(const ZipParts &parts, bool stored) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("made.zip"));
    return WriteZip(path, parts, stored) ? ReadBytes(path) : QByteArray();
}

ZipParts ReadZip(const QString &path) {
    ZipParts parts;
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return parts;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
                UNZ_OK ||
            unzOpenCurrentFile(zip) != UNZ_OK)
            break;
        QByteArray bytes(qsizetype(info.uncompressed_size), Qt::Uninitialized);
        const int read = unzReadCurrentFile(zip, bytes.data(), unsigned(bytes.size()));
        unzCloseCurrentFile(zip);
        if (read != bytes.size())
            break;
        parts.append({QString::fromUtf8(name), bytes});
    }
    unzClose(zip);
    return parts;
}

ZipParts XlsxParts(const QByteArray &sheetData, const QByteArray &sharedStrings) {
    ZipParts parts{
        {QStringLiteral("[Content_Types].xml"), kContentTypes},
        {QStringLiteral("_rels/.rels"), kPackageRels},
        {QStringLiteral("xl/workbook.xml"), kWorkbook},
        {QStringLiteral("xl/_rels/workbook.xml.rels"), kWorkbookRels},
        {QStringLiteral("xl/worksheets/sheet1.xml"), kSheetHead + sheetData + kSheetTail}};
    if (!sharedStrings.isNull())
        parts.append({QStringLiteral("xl/sharedStrings.xml"),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"http://schemas."
                      "openxmlformats.org/spreadsheetml/2006/main\">" +
                          sharedStrings + "</sst>"});
    return parts;
}

QByteArray XlsxBombBytes(const QByteArray &repeated, qint64 times, qint64 declaredSize) {
    // Deflated with full flushes, a piece's compressed form does not depend
    // on what came before it: the one piece, repeated, is the whole part's.
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        return QByteArray();
    const auto deflatePiece = [&](const QByteArray &piece, int flush) {
        QByteArray out(qsizetype(deflateBound(&stream, uLong(piece.size())) + 64),
                       Qt::Uninitialized);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(piece.constData()));
        stream.avail_in = uInt(piece.size());
        stream.next_out = reinterpret_cast<Bytef *>(out.data());
        stream.avail_out = uInt(out.size());
        deflate(&stream, flush);
        out.truncate(out.size() - stream.avail_out);
        return out;
    };
    const QByteArray headZ = deflatePiece(kSheetHead, Z_FULL_FLUSH);
    const QByteArray repeatedZ = deflatePiece(repeated, Z_FULL_FLUSH);
    const QByteArray tailZ = deflatePiece(kSheetTail, Z_FINISH);
    deflateEnd(&stream);

    const auto crcOf = [](const QByteArray &bytes) {
        return crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    };
    uLong crc = crcOf(kSheetHead);
    const uLong repeatedCrc = crcOf(repeated);
    for (qint64 i = 0; i < times; ++i)
        crc = crc32_combine(crc, repeatedCrc, z_off_t(repeated.size()));
    crc = crc32_combine(crc, crcOf(kSheetTail), z_off_t(kSheetTail.size()));
    const qint64 size = kSheetHead.size() + repeated.size() * times + kSheetTail.size();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bomb.xlsx"));
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return QByteArray();
    bool written = true;
    for (const auto &[name, bytes] : XlsxParts({})) {
        if (name != QLatin1String("xl/worksheets/sheet1.xml"))
            written = AddPart(zip, name, bytes) && written;
    }
    zip_fileinfo info{};
    written = written &&
              zipOpenNewFileInZip3_64(zip, "xl/worksheets/sheet1.xml", &info, nullptr, 0, nullptr,
                                      0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION, 1, -MAX_WBITS, 9,
                                      Z_DEFAULT_STRATEGY, nullptr, 0, 1) == ZIP_OK;
    for (const QByteArray *piece : {&headZ, &repeatedZ, &tailZ}) {
        for (qint64 i = 0; written && i < (piece == &repeatedZ ? times : 1); ++i)
            written =
                zipWriteInFileInZip(zip, piece->constData(), unsigned(piece->size())) == ZIP_OK;
    }
    written = written && zipCloseFileInZipRaw64(
                             zip, ZPOS64_T(declaredSize < 0 ? size : declaredSize), crc) == ZIP_OK;
    return zipClose(zip, nullptr) == ZIP_OK && written ? ReadBytes(path) : QByteArray();
}

QByteArray XlsWithFilePass(const QByteArray &xls) {
    // BIFF8 BOF: type 0x0809, 16 bytes, version 0x0600, workbook globals (5).
    const QByteArray bof = QByteArray::fromHex("0908100000060500");
    const qsizetype at = xls.indexOf(bof);
    if (at < 0)
        return QByteArray();
    QByteArray locked = xls;
    const qsizetype next = at + 4 + 16;
    locked[next] = char(0x2F); // FILEPASS
    locked[next + 1] = char(0x00);
    return locked;
}

QByteArray OleWithStreamRenamed(const QByteArray &ole, const QString &from, const QString &to) {
    // A directory entry: 64 bytes of UTF-16 LE name, then its size with the zero.
    const auto utf16 = [](const QString &name) {
        return QByteArray(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
    };
    const QByteArray oldName = utf16(from) + QByteArray(2, '\0');
    const qsizetype at = ole.indexOf(oldName);
    if (at < 0 || at % 128 != 0 || to.size() > 31)
        return QByteArray();
    QByteArray renamed = ole;
    QByteArray name = utf16(to);
    name.append(QByteArray(64 - name.size(), '\0'));
    renamed.replace(at, 64, name);
    const quint16 length = quint16((to.size() + 1) * 2);
    renamed[at + 64] = char(length & 0xFF);
    renamed[at + 65] = char(length >> 8);
    return renamed;
}
