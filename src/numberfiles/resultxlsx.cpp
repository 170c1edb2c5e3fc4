#include "resultxlsx.h"

#include "narrowpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <memory>
#include <optional>

namespace {
// libxlsxwriter takes its paths as char* in the system's code page and
// writes temporary files of its own while it works. The workbook is made in
// a folder of ours whose path that code page holds: under the system's
// temporary folder, or else beside the target.
struct WorkFolder {
    std::unique_ptr<QTemporaryDir> dir;
    QByteArray narrow;
};

std::optional<WorkFolder> MakeWorkFolder(const QString &target) {
    for (const QString &parent : {QDir::tempPath(), QFileInfo(target).absolutePath()}) {
        auto dir =
            std::make_unique<QTemporaryDir>(parent + QStringLiteral("/tarvio-export-XXXXXX"));
        if (!dir->isValid())
            continue;
        if (std::optional<QByteArray> narrow = NarrowPath(dir->path()))
            return WorkFolder{std::move(dir), *narrow};
    }
    return std::nullopt;
}

struct BookCloser {
    void operator()(lxw_workbook *book) const { workbook_close(book); }
};
using Book = std::unique_ptr<lxw_workbook, BookCloser>;

class SheetWriter {
public:
    explicit SheetWriter(lxw_worksheet *sheet)
        : m_sheet(sheet) {}

    void Text(lxw_row_t row, lxw_col_t col, const QString &text, lxw_format *format = nullptr) {
        if (text.isEmpty())
            return; // an empty cell is no cell
        Check(worksheet_write_string(m_sheet, row, col, text.toUtf8().constData(), format));
    }
    // The serial as a number, so that the sheet sorts by it; a serial that
    // is not a plain whole number stays text.
    void Serial(lxw_row_t row, const QString &serial) {
        bool whole = false;
        const qlonglong value = serial.toLongLong(&whole);
        if (whole && QString::number(value) == serial)
            Check(worksheet_write_number(m_sheet, row, 0, double(value), nullptr));
        else
            Text(row, 0, serial);
    }
    bool Ok() const { return m_ok; }

private:
    void Check(lxw_error error) {
        if (error != LXW_NO_ERROR)
            m_ok = false;
    }
    lxw_worksheet *m_sheet;
    bool m_ok = true;
};

bool MakeWorkbook(const QByteArray &file, QByteArray folder, const QList<ResultRecord> &rows) {
    lxw_workbook_options options = {};
    // Rows go straight to a temporary file instead of being held: an
    // export of many rows then costs no more memory than a few.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    Book book(workbook_new_opt(file.constData(), &options));
    if (!book)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(book.get(), "查询结果");
    lxw_format *bold = workbook_add_format(book.get());
    if (!sheet || !bold)
        return false;
    format_set_bold(bold);
    const double widths[] = {8, 14, 10, 12, 12};
    for (lxw_col_t col = 0; col < 5; ++col)
        worksheet_set_column(sheet, col, col, widths[col], nullptr);
    worksheet_freeze_panes(sheet, 1, 0);

    SheetWriter writer(sheet);
    const QStringList header = ResultExportHeader();
    for (lxw_col_t col = 0; col < header.size(); ++col)
        writer.Text(0, col, header[col], bold);
    lxw_row_t row = 1;
    for (const ResultRecord &record : rows) {
        writer.Serial(row, record.serial);
        writer.Text(row, 1, record.number);
        writer.Text(row, 2, record.province);
        writer.Text(row, 3, record.city);
        writer.Text(row, 4, record.carrier);
        ++row;
    }
    return writer.Ok() && workbook_close(book.release()) == LXW_NO_ERROR;
}

// Copies the finished workbook into the target through a file beside it,
// which replaces the target only once it is whole.
bool PutInPlace(const QString &workbook, const QString &target) {
    QFile made(workbook);
    if (!made.open(QIODevice::ReadOnly))
        return false;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    while (!made.atEnd()) {
        const QByteArray chunk = made.read(1 << 20);
        if (chunk.isEmpty() || file.write(chunk) != chunk.size())
            return false;
    }
    return file.commit();
}
} // namespace

ExportError WriteResultsXlsx(const QString &path, const QList<ResultRecord> &rows) {
    const std::optional<WorkFolder> work = MakeWorkFolder(path);
    if (!work)
        return ExportError::WorkbookFailed;
    const QString made = work->dir->filePath(QStringLiteral("results.xlsx"));
    if (!MakeWorkbook(work->narrow + "/results.xlsx", work->narrow, rows))
        return ExportError::WorkbookFailed;
    return PutInPlace(made, path) ? ExportError::None : ExportError::TargetNotWritable;
}
