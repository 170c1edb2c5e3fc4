#include "xlsxpackage.h"

#include <QFile>
#include <QFileInfo>

#include <unzip.h>

#include <memory>

namespace {
constexpr qint64 kInflateSlack = 64LL << 20;
constexpr qint64 kInflateRatio = 64;
constexpr int kPieceSize = 256 << 10;

QFile *FileOf(voidpf stream) {
    return static_cast<QFile *>(stream);
}

// minizip's file access through QFile.
voidpf ZCALLBACK OpenFile(voidpf, const void *filename, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    auto file = std::make_unique<QFile>(*static_cast<const QString *>(filename));
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    return file.release();
}

uLong ZCALLBACK ReadFile(voidpf, voidpf stream, void *buffer, uLong size) {
    const qint64 read = FileOf(stream)->read(static_cast<char *>(buffer), qint64(size));
    return read < 0 ? 0 : uLong(read);
}

uLong ZCALLBACK WriteFile(voidpf, voidpf, const void *, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK TellFile(voidpf, voidpf stream) {
    return ZPOS64_T(FileOf(stream)->pos());
}

long ZCALLBACK SeekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    QFile *file = FileOf(stream);
    qint64 to = qint64(offset);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        to += file->pos();
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        to += file->size();
    return to >= 0 && to <= file->size() && file->seek(to) ? 0 : -1;
}

int ZCALLBACK CloseFile(voidpf, voidpf stream) {
    delete FileOf(stream);
    return 0;
}

int ZCALLBACK FileError(voidpf, voidpf stream) {
    return FileOf(stream)->error() == QFileDevice::NoError ? 0 : 1;
}

unzFile Zip(void *zip) {
    return static_cast<unzFile>(zip);
}
} // namespace

XlsxPackage::XlsxPackage(const QString &path) {
    if (!QFileInfo(path).isFile() || !QFile(path).open(QIODevice::ReadOnly)) {
        m_openFault = WorkbookFault::CannotOpen;
        return;
    }
    zlib_filefunc64_def access{};
    access.zopen64_file = OpenFile;
    access.zread_file = ReadFile;
    access.zwrite_file = WriteFile;
    access.ztell64_file = TellFile;
    access.zseek64_file = SeekFile;
    access.zclose_file = CloseFile;
    access.zerror_file = FileError;
    m_zip = unzOpen2_64(&path, &access);
    if (!m_zip)
        m_openFault = WorkbookFault::Damaged;
}

XlsxPackage::~XlsxPackage() {
    if (m_zip)
        unzClose(Zip(m_zip));
}

qint64 XlsxPackage::InflateLimit(qint64 compressedSize) {
    return kInflateSlack + kInflateRatio * std::max<qint64>(compressedSize, 0);
}

bool XlsxPackage::Locate(const QString &part) {
    // 2: names compared without regard to case, as OPC compares part names.
    return m_zip && unzLocateFile(Zip(m_zip), part.toUtf8().constData(), 2) == UNZ_OK;
}

bool XlsxPackage::Has(const QString &part) {
    return Locate(part);
}

WorkbookFault XlsxPackage::StreamPart(const QString &part,
                                      const std::function<bool(QByteArrayView)> &take) {
    if (!Locate(part))
        return WorkbookFault::Damaged;
    unzFile zip = Zip(m_zip);
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return WorkbookFault::Damaged;
    // Bit 0: the zip's own (weak) encryption, which no Excel writes but a
    // zip tool can add.
    if (info.flag & 1)
        return WorkbookFault::Encrypted;
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
        return WorkbookFault::Damaged;
    const qint64 limit = InflateLimit(qint64(info.compressed_size));
    // minizip inflates no more than the size the directory gives, so a
    // size over the limit is refused before anything is inflated.
    if (qint64(info.uncompressed_size) > limit || qint64(info.uncompressed_size) < 0)
        return WorkbookFault::TooLarge;
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return WorkbookFault::Damaged;
    QByteArray piece(kPieceSize, Qt::Uninitialized);
    qint64 inflated = 0;
    WorkbookFault fault = WorkbookFault::None;
    bool taken = true;
    for (;;) {
        const int read = unzReadCurrentFile(zip, piece.data(), kPieceSize);
        if (read < 0) {
            fault = WorkbookFault::Damaged;
            break;
        }
        if (read == 0)
            break;
        inflated += read;
        if (inflated > limit) {
            fault = WorkbookFault::TooLarge;
            break;
        }
        if (!take(QByteArrayView(piece.constData(), read))) {
            taken = false;
            break;
        }
    }
    // The check of the data's CRC is made here, once all was read.
    const int closed = unzCloseCurrentFile(zip);
    if (fault == WorkbookFault::None && taken && closed != UNZ_OK)
        fault = WorkbookFault::Damaged;
    return fault;
}

WorkbookFault XlsxPackage::ReadPart(const QString &part, QByteArray &bytes, qint64 maxBytes) {
    bytes.clear();
    WorkbookFault tooLarge = WorkbookFault::None;
    const WorkbookFault fault = StreamPart(part, [&](QByteArrayView piece) {
        if (bytes.size() + piece.size() > maxBytes) {
            tooLarge = WorkbookFault::TooLarge;
            return false;
        }
        bytes.append(piece);
        return true;
    });
    return fault != WorkbookFault::None ? fault : tooLarge;
}
