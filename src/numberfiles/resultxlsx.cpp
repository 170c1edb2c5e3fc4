#include "resultxlsx.h"

#include "narrowpath.h"
#include "sheetnames.h"
#include "writeproblem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

namespace {
std::atomic<qsizetype> g_rowsPerSheet{SheetRowLimit::kExcel};

// The stop is looked at once for so many rows.
constexpr qsizetype kRowsBetweenLooks = 4096;
// Excel's most characters in a cell (counted in UTF-16, as it counts them).
constexpr qsizetype kCellMax = 32767;

// One sheet to write: its name, and which rows of which wanted part.
struct PlannedSheet {
    QString name;
    const SheetRows *part = nullptr; // nullptr: every row in order
    qsizetype first = 0;
    qsizetype count = 0;
};

qsizetype PartSize(const SheetRows *part, const ResultRows &rows) {
    return part ? part->indexes.size() : rows.count;
}

// Splits each wanted part into sheets a sheet can hold, and names them.
QList<PlannedSheet> PlanSheets(const QList<const SheetRows *> &parts, const QStringList &wanted,
                               const QList<bool> &namedFirst, const ResultRows &rows) {
    const qsizetype limit = SheetRowLimit::Rows();
    QList<QList<PlannedSheet>> planned(parts.size());
    for (qsizetype p = 0; p < parts.size(); ++p) {
        const qsizetype size = PartSize(parts[p], rows);
        qsizetype first = 0;
        do {
            planned[p].append({QString(), parts[p], first, qMin(limit, size - first)});
            first += limit;
        } while (first < size);
    }
    // Names are taken part by part, those named first before the others.
    SheetNames names;
    for (const bool firstPass : {true, false}) {
        for (qsizetype p = 0; p < parts.size(); ++p) {
            if (namedFirst[p] != firstPass)
                continue;
            QList<PlannedSheet> &sheets = planned[p];
            sheets[0].name = names.Take(wanted[p]);
            for (qsizetype s = 1; s < sheets.size(); ++s)
                sheets[s].name = names.TakeNext(sheets[0].name, int(s + 1));
        }
    }
    QList<PlannedSheet> all;
    for (const QList<PlannedSheet> &sheets : planned)
        all.append(sheets);
    return all;
}

// libxlsxwriter takes its paths as char* in the system's code page and
// writes temporary files of its own while it works: the workbook is made in
// a folder of ours whose path that code page holds.
struct WorkFolder {
    std::unique_ptr<QTemporaryDir> dir;
    QByteArray narrow;
};

// A workbook being made. One that is given up (a stop, a failure) is thrown
// away as it stands: closing it would write it whole first. Its sheets'
// temporary files of rows are closed here, since the library frees them only
// when it writes the workbook, and an open one keeps its room on the disk
// (and, on Windows, its folder) until the program ends.
class Book {
public:
    explicit Book(lxw_workbook *book)
        : m_book(book) {}
    ~Book() {
        if (!m_book)
            return;
        for (lxw_worksheet *sheet : m_sheets) {
            if (sheet->optimize_tmpfile)
                std::fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
            sheet->file = nullptr;
        }
        lxw_workbook_free(m_book);
    }
    Book(const Book &) = delete;
    Book &operator=(const Book &) = delete;

    lxw_workbook *get() const { return m_book; }
    lxw_worksheet *AddSheet(const QString &name) {
        lxw_worksheet *sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
        if (sheet)
            m_sheets.append(sheet);
        return sheet;
    }
    // Writes the workbook and frees it, whatever comes of it. (Should writing
    // it fail half-way, the library leaves the temporary files of the sheets
    // it had not come to open; the free-space check before keeps that rare.)
    lxw_error Close() {
        m_sheets.clear();
        return workbook_close(std::exchange(m_book, nullptr));
    }

private:
    lxw_workbook *m_book;
    QList<lxw_worksheet *> m_sheets;
};

// A cell's text as libxlsxwriter takes it: UTF-8, cut to what a cell holds.
QByteArray CellText(const QString &text) {
    if (text.size() <= kCellMax)
        return text.toUtf8();
    qsizetype end = kCellMax;
    if (text[end - 1].isHighSurrogate())
        --end;
    return QStringView(text).left(end).toUtf8();
}

class SheetWriter {
public:
    explicit SheetWriter(lxw_worksheet *sheet)
        : m_sheet(sheet) {}

    void Text(lxw_row_t row, lxw_col_t col, const QString &text, lxw_format *format = nullptr) {
        if (text.isEmpty())
            return; // an empty cell is no cell
        Check(worksheet_write_string(m_sheet, row, col, CellText(text).constData(), format));
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
    lxw_error Error() const { return m_error; }

private:
    void Check(lxw_error error) {
        if (error != LXW_NO_ERROR && m_error == LXW_NO_ERROR)
            m_error = error;
    }
    lxw_worksheet *m_sheet;
    lxw_error m_error = LXW_NO_ERROR;
};

WriteFailure FailureOfLibrary(lxw_error error) {
    if (error == LXW_ERROR_MEMORY_MALLOC_FAILED)
        return {WriteProblem::OutOfMemory, {}};
    // The library's files failed: errno says why, when it says anything of
    // a file.
    if (const WriteFailure failure = FailureOfErrno(errno); failure.problem != WriteProblem::Other)
        return failure;
    return {WriteProblem::Other, QString::fromUtf8(lxw_strerror(error))};
}

// The header, the columns' widths and the header kept in view.
lxw_error StartSheet(lxw_worksheet *sheet, lxw_format *bold) {
    const double widths[] = {8, 14, 10, 12, 12};
    for (lxw_col_t col = 0; col < 5; ++col)
        worksheet_set_column(sheet, col, col, widths[col], nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    SheetWriter writer(sheet);
    const QStringList header = ResultExportHeader();
    for (lxw_col_t col = 0; col < header.size(); ++col)
        writer.Text(0, col, header[col], bold);
    return writer.Error();
}

WriteFailure MakeWorkbook(const WorkFolder &work, const QList<PlannedSheet> &sheets,
                          const ResultRows &rows, const ShouldStop &shouldStop) {
    const QString folder = work.dir->path();
    const qint64 freeAtStart = FreeBytes(folder);
    QByteArray tmpdir = work.narrow;
    lxw_workbook_options options = {};
    // Rows go straight to a temporary file instead of being held: an
    // export of many rows then costs no more memory than a few.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir.data();
    errno = 0;
    Book book(workbook_new_opt((work.narrow + "/results.xlsx").constData(), &options));
    if (!book.get())
        return FailureOfLibrary(LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_format *bold = workbook_add_format(book.get());
    if (!bold)
        return FailureOfLibrary(LXW_ERROR_MEMORY_MALLOC_FAILED);
    format_set_bold(bold);

    qsizetype written = 0;
    for (const PlannedSheet &planned : sheets) {
        lxw_worksheet *sheet = book.AddSheet(planned.name);
        if (!sheet)
            return FailureOfLibrary(LXW_ERROR_CREATING_TMPFILE);
        if (const lxw_error error = StartSheet(sheet, bold))
            return FailureOfLibrary(error);
        SheetWriter writer(sheet);
        for (qsizetype i = 0; i < planned.count; ++i, ++written) {
            if (written % kRowsBetweenLooks == 0 && shouldStop && shouldStop())
                return {WriteProblem::Stopped, {}};
            const qsizetype at = planned.first + i;
            const ResultRecord record = rows.record(planned.part ? planned.part->indexes[at] : at);
            const auto row = lxw_row_t(i + 1);
            writer.Serial(row, record.serial);
            writer.Text(row, 1, record.number);
            writer.Text(row, 2, record.province);
            writer.Text(row, 3, record.city);
            writer.Text(row, 4, record.carrier);
            if (writer.Error() != LXW_NO_ERROR)
                return FailureOfLibrary(writer.Error());
            // libxlsxwriter does not look whether the writes of its
            // temporary files succeed; errno does.
            if (IsWriteFailure(errno))
                return FailureOfErrno(errno);
        }
    }
    // Closing copies each sheet's rows once more, into the sheet's file, and
    // frees the first copy only after: a write that fails there is not
    // noticed either, and would leave a workbook that lacks rows. So there
    // must be room for as much again as the rows took, and some for the zip.
    if (const qint64 free = FreeBytes(folder); freeAtStart >= 0 && free >= 0) {
        const qint64 taken = qMax<qint64>(0, freeAtStart - free);
        if (free < taken + taken / 8 + (1 << 20))
            return {WriteProblem::DiskFull, {}};
    }
    errno = 0;
    if (const lxw_error error = book.Close(); error != LXW_NO_ERROR)
        return FailureOfLibrary(error);
    return {};
}

// Copies the finished workbook into the target through a file beside it,
// which replaces the target only once it is whole.
WriteFailure PutInPlace(const QString &workbook, const QString &target,
                        const ShouldStop &shouldStop) {
    QFile made(workbook);
    if (!made.open(QIODevice::ReadOnly))
        return {WriteProblem::Other, made.errorString()};
    const qint64 size = made.size();
    // Room for the whole file first: a copy that cannot fit is not begun.
    // (Where the folder cannot be written at all, that is what is said.)
    if (const qint64 free = FreeBytes(QFileInfo(target).absolutePath()); free >= 0 && free < size) {
        const WriteFailure failure = LookAtTarget(target, size);
        return failure.problem == WriteProblem::None ? WriteFailure{WriteProblem::DiskFull, {}}
                                                     : failure;
    }
    auto file = std::make_unique<QSaveFile>(target);
    const auto fail = [&]() {
        const QString said = file->errorString();
        file.reset(); // and the file beside the target with it
        const WriteFailure failure = LookAtTarget(target, size);
        return failure.problem == WriteProblem::None ? WriteFailure{WriteProblem::Other, said}
                                                     : failure;
    };
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    while (!made.atEnd()) {
        if (shouldStop && shouldStop())
            return {WriteProblem::Stopped, {}};
        const QByteArray chunk = made.read(1 << 20);
        if (chunk.isEmpty())
            return {WriteProblem::Other, made.errorString()};
        if (file->write(chunk) != chunk.size())
            return fail();
    }
    if (!file->commit())
        return fail();
    return {};
}

ExportOutcome WriteSheets(const QString &path, const ResultRows &rows,
                          const QList<PlannedSheet> &sheets, const ShouldStop &shouldStop) {
    ExportOutcome outcome;
    for (const PlannedSheet &sheet : sheets)
        outcome.sheets.append(sheet.name);
    const auto failed = [&](const WriteFailure &failure, const QString &folder, bool temporary) {
        outcome.problem = failure.problem;
        outcome.detail = failure.detail;
        outcome.folder = QDir::toNativeSeparators(folder);
        outcome.inTemporaryFolder = temporary;
        return outcome;
    };

    // The system's temporary folder, or else the target's: a temporary
    // folder that is full or cannot be written need not stop the export.
    const QString targetFolder = QFileInfo(path).absolutePath();
    WriteFailure failure{WriteProblem::Other, {}};
    QString failedIn;
    for (const QString &parent : {QDir::tempPath(), targetFolder}) {
        failedIn = parent;
        WorkFolder work{
            std::make_unique<QTemporaryDir>(parent + QStringLiteral("/tarvio-export-XXXXXX")), {}};
        if (!work.dir->isValid()) {
            failure = LookAtFolder(parent, 0);
            if (failure.problem == WriteProblem::None)
                failure = {WriteProblem::Other, work.dir->errorString()};
            continue;
        }
        const std::optional<QByteArray> narrow = NarrowPath(work.dir->path());
        if (!narrow) {
            failure = {WriteProblem::Other, QDir::toNativeSeparators(work.dir->path())};
            continue;
        }
        work.narrow = *narrow;
        failure = MakeWorkbook(work, sheets, rows, shouldStop);
        if (failure.problem == WriteProblem::None) {
            failure =
                PutInPlace(work.dir->filePath(QStringLiteral("results.xlsx")), path, shouldStop);
            return failure.problem == WriteProblem::None ? outcome
                                                         : failed(failure, targetFolder, false);
        }
        const bool ofTheFolder = failure.problem == WriteProblem::DiskFull ||
                                 failure.problem == WriteProblem::FolderNotWritable ||
                                 failure.problem == WriteProblem::FolderMissing;
        if (!ofTheFolder)
            break;
    }
    return failed(failure, failedIn, failedIn != targetFolder);
}
} // namespace

qsizetype SheetRowLimit::Rows() {
    return g_rowsPerSheet.load();
}

void SheetRowLimit::Set(qsizetype rows) {
    g_rowsPerSheet = qBound<qsizetype>(1, rows, kExcel);
}

void SheetRowLimit::Reset() {
    g_rowsPerSheet = kExcel;
}

ExportOutcome WriteResultsXlsx(const QString &path, const ResultRows &rows,
                               const QList<SheetRows> &sheets, const ShouldStop &shouldStop) {
    QList<const SheetRows *> parts;
    QStringList wanted;
    QList<bool> namedFirst;
    for (const SheetRows &sheet : sheets) {
        parts.append(&sheet);
        wanted.append(sheet.name);
        namedFirst.append(sheet.namedFirst);
    }
    return WriteSheets(path, rows, PlanSheets(parts, wanted, namedFirst, rows), shouldStop);
}

ExportOutcome WriteResultsXlsx(const QString &path, const ResultRows &rows, const QString &name,
                               const ShouldStop &shouldStop) {
    return WriteSheets(path, rows, PlanSheets({nullptr}, {name}, {false}, rows), shouldStop);
}
