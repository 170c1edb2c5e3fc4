// xls-reader FILE: writes the cells of an Excel 97-2003 workbook, sheet by
// sheet, as the records of xlsrecords.h on its standard output, for the
// import of the program beside it. freexl reads the file; it runs in this
// process of its own so that a damaged file that makes it crash or loop
// ends this process, which the import then reports, and never the program.
#include "narrowpath.h"
#include "workbookreader.h"
#include "xlsrecords.h"

#include <QByteArrayMatcher>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <freexl.h>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {
// The records go out through one buffer, written as it fills.
class Output {
public:
    Output() { m_buffer.reserve(kFlushAt + 4096); }
    ~Output() { Flush(); }
    void Byte(char byte) { m_buffer.append(byte); }
    void Word(quint16 value) { Append(qToLittleEndian(value)); }
    void Long(quint32 value) { Append(qToLittleEndian(value)); }
    void Double(double value) {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        Append(qToLittleEndian(bits));
    }
    void Bytes(const char *bytes, qsizetype size) {
        m_buffer.append(bytes, size);
        if (m_buffer.size() >= kFlushAt)
            Flush();
    }
    void Flush() {
        if (!m_buffer.isEmpty())
            std::fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), stdout);
        std::fflush(stdout);
        m_buffer.clear();
    }

private:
    static constexpr qsizetype kFlushAt = 1 << 16;
    template <typename T> void Append(T value) {
        m_buffer.append(reinterpret_cast<const char *>(&value), sizeof value);
        if (m_buffer.size() >= kFlushAt)
            Flush();
    }
    QByteArray m_buffer;
};

// The stream that an .xlsx locked with a password keeps its package in,
// as its name stands in the OLE file's directory (UTF-16 LE).
bool HoldsEncryptedPackage(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray name =
        QByteArray::fromRawData("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    const QByteArrayMatcher matcher(name);
    QByteArray carried;
    for (;;) {
        const QByteArray piece = file.read(1 << 20);
        if (piece.isEmpty())
            return false;
        const QByteArray seen = carried + piece;
        if (matcher.indexIn(seen) >= 0)
            return true;
        carried = seen.right(name.size() - 1);
    }
}

WorkbookFault FaultOfOpen(int status, const QString &path) {
    switch (status) {
    case FREEXL_FILE_NOT_FOUND:
        return WorkbookFault::CannotOpen;
    case FREEXL_INSUFFICIENT_MEMORY:
        return WorkbookFault::TooLarge;
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        // An OLE file without a workbook in it.
        return HoldsEncryptedPackage(path) ? WorkbookFault::Encrypted : WorkbookFault::NotAWorkbook;
    default:
        return WorkbookFault::Damaged;
    }
}

int Fail(Output &out, WorkbookFault fault) {
    out.Byte(XlsRecord::kFault);
    out.Byte(char(fault));
    return 0;
}

int WriteCells(Output &out, const QString &path) {
    const std::optional<QByteArray> narrow = NarrowPath(path);
    if (!narrow)
        return Fail(out, WorkbookFault::CannotOpen);
    const void *xls = nullptr;
    // freexl asks for its handle to be closed even when the open failed.
    const int status = freexl_open(narrow->constData(), &xls);
    struct Closer {
        const void *&handle;
        ~Closer() {
            if (handle)
                freexl_close(handle);
        }
    } closer{xls};
    if (status != FREEXL_OK)
        return Fail(out, FaultOfOpen(status, path));
    unsigned int info = 0;
    if (freexl_get_info(xls, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        return Fail(out, WorkbookFault::Encrypted);
    unsigned int sheets = 0;
    if (freexl_get_info(xls, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
        return Fail(out, WorkbookFault::Damaged);
    for (unsigned int sheet = 0; sheet < sheets && sheet <= 0xFFFF; ++sheet) {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(xls, static_cast<unsigned short>(sheet)) != FREEXL_OK ||
            freexl_worksheet_dimensions(xls, &rows, &columns) != FREEXL_OK)
            return Fail(out, WorkbookFault::Damaged);
        out.Byte(XlsRecord::kSheet);
        for (unsigned int row = 0; row < rows; ++row) {
            for (unsigned short column = 0; column < columns; ++column) {
                FreeXL_CellValue cell{};
                if (freexl_get_cell_value(xls, row, column, &cell) != FREEXL_OK)
                    return Fail(out, WorkbookFault::Damaged);
                const auto place = [&](char kind) {
                    out.Byte(kind);
                    out.Long(row);
                    out.Word(column);
                };
                switch (cell.type) {
                case FREEXL_CELL_INT:
                    place(XlsRecord::kNumber);
                    out.Double(cell.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    place(XlsRecord::kNumber);
                    out.Double(cell.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    if (cell.value.text_value) {
                        const qsizetype size = qsizetype(std::strlen(cell.value.text_value));
                        place(XlsRecord::kText);
                        out.Long(quint32(size));
                        out.Bytes(cell.value.text_value, size);
                    }
                    break;
                default:
                    break;
                }
            }
        }
    }
    out.Byte(XlsRecord::kEnd);
    return 0;
}
} // namespace

int main(int argc, char **argv) {
#ifdef Q_OS_WIN
    // A file that makes freexl crash ends this process at once, without
    // Windows' report of a program that stopped working (or wine's
    // debugger) waiting on the user.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS *) -> LONG {
        TerminateProcess(GetCurrentProcess(), 3);
        return EXCEPTION_EXECUTE_HANDLER;
    });
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: xls-reader FILE\n");
        return 2;
    }
    Output out;
    return WriteCells(out, arguments.at(1));
}
