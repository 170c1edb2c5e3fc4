// Workbooks good, damaged, hostile and mutated, each .xlsx read whole and cut
// into a stretch per row on several threads, to the same numbers or fault.
#include "numerictext.h"
#include "recordingview.h"
#include "testworkbooks.h"
#include "workbookreader.h"
#include "xmlpartreader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <xlsxwriter.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(WorkbookFault)

namespace {
WorkbookNumbers Read(const QString &path) {
    return ReadWorkbook(path, IsMobileNumber);
}

WorkbookNumbers ReadCut(const QString &path) {
    XmlStretchBytes::Set(1);
    WorkbookNumbers read = Read(path);
    XmlStretchBytes::Reset();
    return read;
}

bool Same(const WorkbookNumbers &a, const WorkbookNumbers &b) {
    return a.fault == b.fault && a.list.kept == b.list.kept && a.list.lineCount == b.list.lineCount;
}

// A byte of the sheet's data changed: it follows its name and extra field.
QByteArray CustomersWithSheetDataChanged() {
    QByteArray bytes = TestWorkbookBytes(u"customers.xlsx"_s);
    const QByteArray name = "xl/worksheets/sheet1.xml";
    const qsizetype at = bytes.indexOf(name);
    if (at < 30)
        return QByteArray();
    const qsizetype data = at + name.size() + (quint8(bytes[at - 2]) | quint8(bytes[at - 1]) << 8);
    bytes[data + 40] = char(bytes[data + 40] ^ 0x55);
    return bytes;
}

QByteArray SheetXml(const QByteArray &data, const QByteArray &worksheet = "worksheet",
                    const QByteArray &declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>") {
    return declaration + "<" + worksheet +
           " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
           data + "</sheetData></" + worksheet + ">";
}

// Rows of one number cell each, 13800000000 + their number; names prefixed.
QByteArray NumberRows(int from, int count, const QByteArray &prefix = {}) {
    QByteArray rows;
    for (int r = from; r < from + count; ++r) {
        const QByteArray n = QByteArray::number(r);
        rows += "<" + prefix + "row r=\"" + n + "\"><" + prefix + "c r=\"A" + n + "\"><" + prefix +
                "v>" + QByteArray::number(13800000000LL + r) + "</" + prefix + "v></" + prefix +
                "c></" + prefix + "row>";
    }
    return rows;
}

QStringList Numbers(int from, int count) {
    QStringList numbers;
    for (int r = from; r < from + count; ++r)
        numbers.append(QString::number(13800000000LL + r));
    return numbers;
}

QByteArray MegabyteOfRows() {
    const QByteArray row = "<row><c t=\"inlineStr\"><is><t>13800138000</t></is></c></row>";
    QByteArray rows;
    while (rows.size() + row.size() <= (1 << 20))
        rows += row;
    return rows;
}
} // namespace

class TestWorkbookReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void customerList_data();
    void customerList();
    void faults_data();
    void faults();
    void stoppedWhileCut();
    void mutations_data();
    void mutations();
    void cleanup();

private:
    QTemporaryDir m_dir;
};

// Cells as libxlsxwriter writes them, strings shared or inline.
void TestWorkbookReader::initTestCase() {
    QVERIFY(m_dir.isValid());
    QCOMPARE(CustomerNumbers().size(), 200);
    for (const bool constantMemory : {false, true}) {
        lxw_workbook_options options{};
        options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
        const QString path = m_dir.filePath(constantMemory ? u"inline.xlsx"_s : u"shared.xlsx"_s);
        lxw_workbook *book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        QVERIFY(book);
        lxw_worksheet *notes = workbook_add_worksheet(book, "说明");
        worksheet_write_string(notes, 0, 0, "没有号码", nullptr);
        worksheet_write_number(notes, 1, 0, 12345, nullptr);
        lxw_worksheet *sheet = workbook_add_worksheet(book, "名单");
        lxw_format *scientific = workbook_add_format(book);
        format_set_num_format(scientific, "0.00E+00");
        lxw_format *text = workbook_add_format(book);
        format_set_num_format(text, "@");
        worksheet_write_string(sheet, 0, 0, "姓名", nullptr);
        worksheet_write_string(sheet, 0, 1, "Mobile Phone", nullptr);
        worksheet_write_string(sheet, 0, 2, "备注", nullptr);
        worksheet_write_number(sheet, 1, 1, 13800138000.0, scientific);
        worksheet_write_formula_num(sheet, 2, 1, "=13900139000", nullptr, 13900139000.0);
        worksheet_write_formula_str(sheet, 3, 1, "=\"+86 137\"&\"00137000\"", nullptr,
                                    "+86 13700137000");
        worksheet_write_string(sheet, 4, 1, "１３６００１３６０００", text);
        worksheet_write_string(sheet, 5, 1, "无", nullptr);
        worksheet_write_number(sheet, 6, 1, 1.5, nullptr);
        worksheet_write_number(sheet, 1, 2, 13500135000.0, nullptr);
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);
    }
}

void TestWorkbookReader::cleanup() {
    XmlStretchBytes::Reset();
}

// sheets.xls: a sheet without numbers passed over; 联系电话 chosen over 编号's
// eleven digits, its landline an invalid candidate; the third never read.
void TestWorkbookReader::customerList_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<qint64>("lineCount");
    const QString customers = TestWorkbook(u"customers"_s);
    QTest::newRow("xlsx (openpyxl)") << customers + u".xlsx"_s << CustomerNumbers() << qint64(200);
    QTest::newRow("xls (xlwt)") << customers + u".xls"_s << CustomerNumbers() << qint64(200);
    QTest::newRow("the first sheet with numbers (xls)")
        << TestWorkbook(u"sheets.xls"_s)
        << QStringList{u"13900000001"_s, u"13900000002"_s, u"13900000003"_s, u"13900000004"_s,
                       u"13900000005"_s}
        << qint64(6);
    const QStringList kinds{u"13800138000"_s, u"13900139000"_s, u"13700137000"_s, u"13600136000"_s};
    QTest::newRow("libxlsxwriter, shared strings")
        << m_dir.filePath(u"shared.xlsx"_s) << kinds << qint64(6);
    QTest::newRow("libxlsxwriter, inline strings")
        << m_dir.filePath(u"inline.xlsx"_s) << kinds << qint64(6);
}

void TestWorkbookReader::customerList() {
    QFETCH(QString, path);
    QFETCH(QStringList, numbers);
    QFETCH(qint64, lineCount);
    const WorkbookNumbers read = Read(path);
    QCOMPARE(read.fault, WorkbookFault::None);
    QCOMPARE(read.list.kept, numbers);
    QCOMPARE(read.list.lineCount, lineCount);
    QVERIFY(Same(ReadCut(path), read));
}

void TestWorkbookReader::faults_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<WorkbookFault>("fault");
    QTest::addColumn<QStringList>("numbers");
    // Read as .xls when the row's name says so.
    const auto row = [](const char *name, const QByteArray &bytes, WorkbookFault fault,
                        const QStringList &numbers = {}) {
        QTest::newRow(name) << (qstrncmp(name, "xls:", 4) ? u"xlsx"_s : u"xls"_s) << bytes << fault
                            << numbers;
    };
    const auto sheetRow = [&row](const char *name, const QByteArray &xml, WorkbookFault fault,
                                 const QStringList &numbers = {}) {
        ZipParts parts = XlsxParts({});
        parts.last().second = xml; // the sheet
        row(name, ZipBytes(parts), fault, numbers);
    };

    const QByteArray xlsx = TestWorkbookBytes(u"customers.xlsx"_s);
    const QByteArray xls = TestWorkbookBytes(u"customers.xls"_s);
    const ZipParts parts = XlsxParts("<row><c><v>13800138000</v></c></row>");

    row("xlsx: an empty file", QByteArray(), WorkbookFault::Damaged);
    row("xlsx: a zip's first bytes only", QByteArray("PK\x03"), WorkbookFault::Damaged);
    row("xlsx: cut in half", xlsx.left(xlsx.size() / 2), WorkbookFault::Damaged);
    row("xlsx: a byte of the sheet's data changed", CustomersWithSheetDataChanged(),
        WorkbookFault::Damaged);
    // Stored: only the data's CRC tells.
    row("xlsx: a digit of a stored sheet changed",
        ZipBytes(parts, true).replace("13800138000", "13800138001"), WorkbookFault::Damaged);
    sheetRow("xlsx: the sheet's XML broken", SheetXml("<row><c><v>1</v></row>"),
             WorkbookFault::Damaged);
    sheetRow("xlsx: the sheet's XML cut short",
             SheetXml("<row><c><v>13800138000</v></c>").chopped(24), // no end tags
             WorkbookFault::Damaged);
    row("xlsx: a shared string that is not there",
        ZipBytes(XlsxParts("<row><c t=\"s\"><v>1</v></c></row>", "<si><t>13800138000</t></si>")),
        WorkbookFault::Damaged);
    sheetRow("xlsx: entities declared (a billion laughs)",
             SheetXml("<row><c t=\"inlineStr\"><is><t>&b;</t></is></c></row>", "worksheet",
                      "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"13800138000\">"
                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"),
             WorkbookFault::Damaged);
    row("xlsx: the workbook's sheet missing", ZipBytes(parts.mid(0, 4)), WorkbookFault::Damaged);
    row("xlsx: a Word document renamed",
        ZipBytes({{u"[Content_Types].xml"_s, parts[0].second},
                  {u"_rels/.rels"_s,
                   QByteArray(parts[1].second).replace("xl/workbook.xml", "word/document.xml")},
                  {u"word/document.xml"_s,
                   "<?xml version=\"1.0\"?><w:document xmlns:w=\"http://schemas.openxmlformats."
                   "org/wordprocessingml/2006/main\"><w:body/></w:document>"}}),
        WorkbookFault::NotAWorkbook);
    row("xlsx: a zip of other files", ZipBytes({{u"numbers.txt"_s, "13800138000\r\n"}}),
        WorkbookFault::NotAWorkbook);
    row("xlsx: a text file renamed", QByteArray("13800138000\r\n13900139000\r\n"),
        WorkbookFault::NotAWorkbook);
    row("xlsx: locked with a password (an OLE file)",
        OleWithStreamRenamed(xls, u"Workbook"_s, u"EncryptedPackage"_s), WorkbookFault::Encrypted);
    row("xlsx: no sheet holds a number",
        ZipBytes(XlsxParts("<row><c t=\"s\"><v>0</v></c><c><v>12</v></c></row>",
                           "<si><t>手机</t></si>")),
        WorkbookFault::NoNumbers);
    row("xlsx: a sheet that inflates to 4 GB", XlsxBombBytes(MegabyteOfRows(), 4096),
        WorkbookFault::TooLarge);
    row("xlsx: a 4 GB sheet whose zip says 1 MB", XlsxBombBytes(MegabyteOfRows(), 4096, 1 << 20),
        WorkbookFault::Damaged);
    row("xlsx: a cell of 8 million characters",
        XlsxBombBytes("<row><c t=\"inlineStr\"><is><t>" + QByteArray(8 << 20, '1') +
                          "</t></is></c></row>",
                      1),
        WorkbookFault::TooLarge);
    row("xlsx: a row past the last one Excel has",
        ZipBytes(XlsxParts("<row r=\"1048577\"><c><v>13800138000</v></c></row>")),
        WorkbookFault::TooLarge);

    row("xls: cut short", xls.left(3000), WorkbookFault::Damaged);
    row("xls: an OLE file's first bytes only", xls.left(6), WorkbookFault::Damaged);
    row("xls: locked with a password", XlsWithFilePass(xls), WorkbookFault::Encrypted);
    row("xls: an OLE file without a workbook (a Word 97 document)",
        OleWithStreamRenamed(xls, u"Workbook"_s, u"WordDocument"_s), WorkbookFault::NotAWorkbook);
    // The sectors' table's first entry (at 76) points past the file's end.
    row("xls: the sectors' table lost",
        QByteArray(xls).replace(76, 4, QByteArray::fromHex("ffffff00")), WorkbookFault::Damaged);
    row("xls: an xlsx renamed is read as what it is", xlsx, WorkbookFault::None, CustomerNumbers());

    sheetRow("rows", SheetXml(NumberRows(1, 5)), WorkbookFault::None, Numbers(1, 5));
    // Where "</row>" stands in no markup, the part is not cut.
    sheetRow("a comment, an instruction, a CDATA section holding </row>",
             SheetXml(NumberRows(1, 2) + "<!-- </row><row r=\"9\"> --><?x </row> ?>" +
                      "<row r=\"3\"><c t=\"inlineStr\"><is><t><![CDATA[</row>13800000003]]></t>"
                      "</is></c></row>" +
                      NumberRows(4, 2)),
             WorkbookFault::None, Numbers(1, 2) + Numbers(4, 2));
    sheetRow("names with a prefix",
             "<?xml version=\"1.0\"?><x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/"
             "spreadsheetml/2006/main\"><x:sheetData>" +
                 NumberRows(1, 5, "x:") + "</x:sheetData></x:worksheet>",
             WorkbookFault::None, Numbers(1, 5));
    // A stretch without the part's declaration is read as UTF-8.
    sheetRow("ISO-8859-1",
             SheetXml("<row r=\"1\"><c t=\"inlineStr\"><is><t>T\xE9l\xE9phone</t></is></c></row>" +
                          NumberRows(2, 3),
                      "worksheet", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
             WorkbookFault::None, Numbers(2, 3));
    sheetRow("rows without their numbers",
             SheetXml(NumberRows(1, 2) + "<row><c><v>13800000003</v></c></row>"
                                         "<row><c><v>13800000004</v></c></row>"),
             WorkbookFault::None, Numbers(1, 4));
    sheetRow("rows going back", SheetXml(NumberRows(3, 2) + NumberRows(1, 2)),
             WorkbookFault::Damaged);
    // A row or a cell out of place is no sheet that any program writes.
    sheetRow("a cell outside a row",
             SheetXml(NumberRows(1, 2) + "<c r=\"B2\"><v>13900000000</v></c>" + NumberRows(3, 2)),
             WorkbookFault::Damaged);
    sheetRow("rows inside another element",
             SheetXml(NumberRows(1, 2) + "<x>" + NumberRows(3, 2) + "</x>"),
             WorkbookFault::Damaged);
    sheetRow("a row inside a row",
             SheetXml(NumberRows(1, 2) + "<row r=\"3\">" + NumberRows(4, 1) + "</row>"),
             WorkbookFault::Damaged);
    sheetRow("rows after the sheet's data",
             SheetXml(NumberRows(1, 2)).replace("</worksheet>", NumberRows(3, 2) + "</worksheet>"),
             WorkbookFault::Damaged);
    sheetRow("a second sheetData",
             SheetXml(NumberRows(1, 2) + "</sheetData><sheetData>" + NumberRows(3, 2)),
             WorkbookFault::Damaged);
    sheetRow("rows after the document's end", SheetXml(NumberRows(1, 2)) + NumberRows(3, 2),
             WorkbookFault::Damaged);
    // Read on as a whole, a row's cells in more than one inflated piece.
    QByteArray uncut;
    for (int r = 1; r <= 20'000; ++r)
        uncut += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"inlineStr\"><is><t>" +
                 QByteArray(200, 'x') + "</t></is></c><c><v>" +
                 QByteArray::number(13800000000LL + r) + "</v></c></row >";
    sheetRow("no cut for megabytes", SheetXml(uncut), WorkbookFault::None, Numbers(1, 20'000));
}

void TestWorkbookReader::faults() {
    QFETCH(QString, suffix);
    QFETCH(QByteArray, bytes);
    QFETCH(WorkbookFault, fault);
    QFETCH(QStringList, numbers);
    QVERIFY(!bytes.isNull() || fault == WorkbookFault::Damaged);
    const QString path = m_dir.filePath(u"bad."_s + suffix);
    QVERIFY(WriteWholeFile(path, bytes));
    const WorkbookNumbers whole = Read(path);
    QCOMPARE(whole.fault, fault);
    QCOMPARE(whole.list.kept, numbers);
    QVERIFY(Same(ReadCut(path), whole));
}

// Esc while a sheet's stretches are read ends the read and its threads.
void TestWorkbookReader::stoppedWhileCut() {
    const QString path = m_dir.filePath(u"large.xlsx"_s);
    lxw_workbook *book = workbook_new(QFile::encodeName(path).constData());
    QVERIFY(book);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    for (int row = 0; row < 30'000; ++row) {
        worksheet_write_string(sheet, lxw_row_t(row), 0, "北京市朝阳区建国路", nullptr);
        worksheet_write_number(sheet, lxw_row_t(row), 1, 13800000000.0 + row, nullptr);
    }
    QCOMPARE(workbook_close(book), LXW_NO_ERROR);
    XmlStretchBytes::Set(1);
    int looks = 0;
    const WorkbookNumbers read = ReadWorkbook(path, IsMobileNumber, [&] { return ++looks > 4; });
    QCOMPARE(read.fault, WorkbookFault::Stopped);
    QCOMPARE(looks, 5);
    XmlStretchBytes::Reset();
    QCOMPARE(Read(path).list.kept.size(), 30'000);
}

void TestWorkbookReader::mutations_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("count");
    // Fewer under wine, where opening a file is some fifty times slower.
#ifdef Q_OS_WIN
    QTest::newRow("xlsx, its parts' XML changed") << u"customers.xlsx"_s << 300;
    QTest::newRow("xls, its bytes changed") << u"customers.xls"_s << 100;
#else
    QTest::newRow("xlsx, its parts' XML changed") << u"customers.xlsx"_s << 1500;
    QTest::newRow("xls, its bytes changed") << u"customers.xls"_s << 1500;
#endif
}

// Bytes of an .xls or of an .xlsx's parts changed: each read ends, sound.
void TestWorkbookReader::mutations() {
    QFETCH(QString, base);
    QFETCH(int, count);
    const bool xlsx = base.endsWith(u".xlsx"_s);
    const ZipParts parts = xlsx ? ReadZip(TestWorkbook(base)) : ZipParts();
    const QByteArray original = TestWorkbookBytes(base);
    QVERIFY(xlsx ? !parts.isEmpty() : !original.isEmpty());
    QRandomGenerator random(xlsx ? 28 : 2028);
    const QString path = m_dir.filePath(u"mutated."_s + (xlsx ? u"xlsx"_s : u"xls"_s));

    const auto mutate = [&](QByteArray bytes) {
        if (bytes.isEmpty())
            return bytes;
        const int changes = 1 + random.bounded(4);
        for (int i = 0; i < changes && !bytes.isEmpty(); ++i) {
            const qsizetype at = random.bounded(bytes.size());
            const int kind = random.bounded(5);
            if (kind == 0)
                bytes[at] = char(random.bounded(256));
            else if (kind == 1)
                bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
            else if (kind == 2)
                bytes.remove(at, 1 + random.bounded(64));
            else if (kind == 3)
                bytes.insert(at, bytes.mid(random.bounded(bytes.size()), 1 + random.bounded(64)));
            else
                bytes.truncate(at);
        }
        return bytes;
    };

    int faults = 0;
    for (int i = 0; i < count; ++i) {
        if (xlsx) {
            ZipParts mutated = parts;
            auto &part = mutated[random.bounded(mutated.size())];
            part.second = mutate(part.second);
            QVERIFY(WriteZip(path, mutated));
        } else {
            QVERIFY(WriteWholeFile(path, mutate(original)));
        }
        const WorkbookNumbers read = Read(path);
        if (xlsx && !Same(ReadCut(path), read))
            QFAIL(qPrintable(u"mutation %1 read otherwise when cut"_s.arg(i)));
        if (read.fault != WorkbookFault::None) {
            ++faults;
            QVERIFY(read.list.kept.isEmpty());
            continue;
        }
        QVERIFY(read.list.kept.size() <= read.list.lineCount);
        for (const QString &number : read.list.kept)
            QCOMPARE(number.size(), 11);
    }
    qInfo("%d of %d mutated workbooks refused", faults, count);
}

QTEST_GUILESS_MAIN(TestWorkbookReader)
#include "tst_workbookreader.moc"
