#include "importdroppedfiles.h"
#include "importnumberlist.h"
#include "recordingview.h"
#include "testworkbooks.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString kBusy = Caption(QStringLiteral("正在导入手机号码，请稍后……"));

QByteArray WithMark(const QString &text, QStringConverter::Encoding encoding) {
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

// The list's numbers, once each row is seen to have its serial and no location.
QStringList Imported(const ResultListModel &lv) {
    QStringList numbers;
    for (int i = 1; i <= lv.Count(); ++i) {
        if (lv.Text(i) != QString::number(i) || !lv.Location(i).isEmpty())
            return {u"row %1: serial %2, location %3"_s.arg(i).arg(lv.Text(i), lv.Location(i))};
        numbers << lv.Number(i);
    }
    return numbers;
}
} // namespace

class TestImportNumberList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        m_view = std::make_unique<RecordingView>();
        m_view->Fill({u"北京 联通"_s, u""_s}); // whatever an import leaves, these go
    }

    void lines_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<int>("invalid");
        const QString a = QStringLiteral("13800138000"), b = QStringLiteral("13900139000");

        QTest::newRow("empty file") << QByteArray() << QStringList() << 0;
        QTest::newRow("line forms") // serials follow the valid lines without gaps
            << QByteArray("13800138000\r\n13800138000 \r\n1380013800\r\n 1380013800\r\n"
                          "-1380013800\r\n+1380013800\r\n13800.13800\r\n138-0013-80\r\n"
                          "\r\n   \r\n\t\r\n13900139000")
            << QStringList{a,
                           u" 1380013800"_s,
                           u"-1380013800"_s,
                           u"+1380013800"_s,
                           u"13800.13800"_s,
                           b}
            << 6;
        // A cell's ways of writing a number, and a header, are invalid lines in a .txt.
        QTest::newRow("a .txt keeps its own rule")
            << QByteArray("\xE6\x89\x8B\xE6\x9C\xBA\r\n" // 手机
                          "+86 138 0013 8000\r\n138-0013-8000\r\n13900139000\r\n")
            << QStringList{b} << 3;
        QTest::newRow("CR only") << QByteArray("13800138000\r13900139000\r") << QStringList{a, b}
                                 << 0;
        // LF CR is two line ends; CR CR LF is an empty line.
        QTest::newRow("mixed line ends")
            << QByteArray("x\r\n13800138000\n\r13900139000\r\r\n") << QStringList{a, b} << 3;
        QTest::newRow("empty line after the last line end")
            << QByteArray("13800138000\r\n\r\n") << QStringList{a} << 1;
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF"
                                                  "13800138000\r\n")
                                    << QStringList{a} << 0;
        QTest::newRow("UTF-16 LE mark")
            << WithMark(a + u"\r\n"_s + b, QStringConverter::Utf16LE) << QStringList{a, b} << 0;
        QTest::newRow("UTF-16 BE mark")
            << WithMark(a + u"\n"_s + b + u"\n"_s, QStringConverter::Utf16BE) << QStringList{a, b}
            << 0;
    }

    void lines() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, numbers);
        QFETCH(int, invalid);
        m_view->dialogChoice = m_dir.filePath(QStringLiteral("numbers.txt"));
        QVERIFY(WriteWholeFile(m_view->dialogChoice, content));
        ImportNumberList(*m_view);

        QCOMPARE(m_view->fileName, m_view->dialogChoice);
        const QString summary = QStringLiteral("共导入%1条号码，无效号码%2条");
        QCOMPARE(m_view->events,
                 QStringList({kBusy, Caption(summary.arg(numbers.size()).arg(invalid))}));
        QCOMPARE(Imported(m_view->lv), numbers);
    }

    void cancel() {
        m_view->fileName = QStringLiteral("/earlier/numbers.txt");
        ImportNumberList(*m_view);
        QCOMPARE(m_view->lv.Count(), 0);
        QCOMPARE(m_view->fileName, QString());
        QCOMPARE(m_view->events, QStringList());
    }

    // A .csv, chosen or dropped, is read by its cells, its header not counted; a .txt by its
    // whole lines; a workbook gives the customer list's 200 numbers (the other pairings of
    // workbook and way, and the dropped .txt: tst_numbersinout).
    void fileOfEachKind_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QString>("summary");
        const QStringList cells{u"13800138000"_s, u"13700137000"_s, u"13900139000"_s};
        const QString byCells = u"共导入3条号码，无效号码0条"_s,
                      byLines = u"共导入1条号码，无效号码3条"_s;
        QTest::newRow("chosen .csv") << u"numbers.csv"_s << false << cells << byCells;
        QTest::newRow("dropped .CSV") << u"NUMBERS.CSV"_s << true << cells << byCells;
        QTest::newRow("chosen .txt")
            << u"numbers.txt"_s << false << QStringList{cells.last()} << byLines;
        const QString all = u"共导入200条号码，无效号码0条"_s;
        QTest::newRow("chosen .xlsx") << u"客户名单.XLSX"_s << false << CustomerNumbers() << all;
        QTest::newRow("dropped .xls") << u"客户名单.XLS"_s << true << CustomerNumbers() << all;
    }

    void fileOfEachKind() {
        QFETCH(QString, name);
        QFETCH(bool, dropped);
        QFETCH(QStringList, numbers);
        QFETCH(QString, summary);
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        if (name.startsWith(u"客户名单"_s))
            QVERIFY(
                QFile::copy(TestWorkbook(u"customers."_s + name.section(u'.', 1).toLower()), path));
        else
            QVERIFY(WriteWholeFile(path, "\xEF\xBB\xBF"                       // Excel's "CSV UTF-8"
                                         "\xE5\xA7\x93\xE5\x90\x8D,phone\r\n" // 姓名,phone
                                         "a,\"13800138000\"\r\n"
                                         "b,+86 137-0013-7000\r\n"
                                         "13900139000\r\n"));
        Import(path, dropped);
        QCOMPARE(m_view->fileName, path);
        QCOMPARE(m_view->events, QStringList({kBusy, Caption(summary)}));
        QCOMPARE(Imported(m_view->lv), numbers);
    }

    // Refused drops leave the list as it was (a .txt taken: tst_numbersinout).
    void droppedFiles_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("refusal"); // ending in CR: the path follows
        const QString type =
            u"只能导入文本文件(*.txt)、CSV 文件(*.csv)或 Excel 工作簿(*.xlsx *.xls)：\r"_s;
        QTest::newRow("a Word document") << QStringList{u"号码.docx"_s} << type;
        QTest::newRow("no extension") << QStringList{u"号码"_s} << type;
        QTest::newRow("a folder") << QStringList{u"folder.txt/"_s} << type;
        QTest::newRow("two files")
            << QStringList{u"a.txt"_s, u"b.txt"_s} << u"一次只能拖入一个文件！"_s;
    }

    void droppedFiles() {
        QFETCH(QStringList, names);
        QFETCH(QString, refusal);
        QStringList paths;
        for (const QString &name : names) {
            const QString path = m_dir.filePath(name);
            if (name.endsWith(u'/'))
                QVERIFY(QDir().mkpath(path));
            else
                QVERIFY(WriteWholeFile(path, "13800138000\r\n"));
            paths.append(QDir::cleanPath(path));
        }
        ImportDroppedFiles(*m_view, paths);
        if (refusal.endsWith(u'\r'))
            refusal += QDir::toNativeSeparators(paths.first());
        QCOMPARE(m_view->events, QStringList{Prompt(refusal)});
        QCOMPARE(m_view->lv.Count(), 2);
        QCOMPARE(m_view->fileName, QString());
    }

    // One message naming the file and what is wrong; the busy caption goes.
    void unreadableFile_data() {
        QTest::addColumn<QString>("name"); // ending in "/": a folder
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("caption");
        const QByteArray xls = TestWorkbookBytes(u"customers.xls"_s);
        const QString locked = u"文件已加密，无法读取。请在 Excel 中取消密码并保存后再导入："_s;
        QTest::newRow("missing") << u"missing.txt"_s << QByteArray() << u"无法打开文件："_s
                                 << u""_s;
        QTest::newRow("a folder") << u"folder.txt/"_s << QByteArray() << u"无法打开文件："_s
                                  << u""_s;
        QTest::newRow("locked .xls") << u"a.xls"_s << XlsWithFilePass(xls) << locked << u""_s;
        QTest::newRow("locked .xlsx")
            << u"a.xlsx"_s << OleWithStreamRenamed(xls, u"Workbook"_s, u"EncryptedPackage"_s)
            << locked << u""_s;
        QTest::newRow("cut short")
            << u"a.xls"_s << xls.left(2000) << u"文件不完整或已损坏，无法读取："_s << u""_s;
        QTest::newRow("a zip of no workbook")
            << u"a.xlsx"_s << ZipBytes({{u"numbers.txt"_s, "13800138000"}})
            << u"文件不是 Excel 工作簿，无法读取："_s << u""_s;
        QTest::newRow("no numbers")
            << u"a.xlsx"_s << ZipBytes(XlsxParts("<row><c><v>12</v></c></row>"))
            << u"工作簿中没有找到手机号码："_s << u"共导入0条号码，无效号码0条"_s;
    }

    void unreadableFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QString, caption);
        m_view->dialogChoice = QDir::cleanPath(m_dir.filePath(name));
        if (name.endsWith(u'/'))
            QVERIFY(QDir().mkpath(m_view->dialogChoice));
        else if (name != u"missing.txt")
            QVERIFY(!bytes.isEmpty() && WriteWholeFile(m_view->dialogChoice, bytes));
        ImportNumberList(*m_view);
        QCOMPARE(m_view->events,
                 QStringList(
                     {kBusy, Caption(caption),
                      Prompt(message + u'\r' + QDir::toNativeSeparators(m_view->dialogChoice))}));
        QCOMPARE(m_view->lv.Count(), 0);
    }

    // Esc while a workbook is read: nothing is imported.
    void stopped() {
        m_view->dialogChoice = m_dir.filePath(u"a.xlsx"_s);
        QFile::remove(m_view->dialogChoice);
        QVERIFY(QFile::copy(TestWorkbook(u"customers.xlsx"_s), m_view->dialogChoice));
        m_view->waiter.RequestStop();
        ImportNumberList(*m_view);
        QCOMPARE(m_view->events, QStringList({kBusy, Caption(u"导入已停止"_s)}));
        QCOMPARE(m_view->lv.Count(), 0);
    }

private:
    void Import(const QString &path, bool dropped) {
        if (!dropped)
            m_view->dialogChoice = path;
        dropped ? ImportDroppedFiles(*m_view, {path}) : ImportNumberList(*m_view);
    }
    QTemporaryDir m_dir;
    std::unique_ptr<RecordingView> m_view;
};

QTEST_GUILESS_MAIN(TestImportNumberList)
#include "tst_importnumberlist.moc"
