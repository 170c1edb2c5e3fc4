// 导出结果 and 分类导出: file, format, sheets, thread and messages (cells: check_export.py).
#include "exportbyprovince.h"
#include "exportmessage.h"
#include "exportresults.h"
#include "recordingview.h"
#include "resultxlsx.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kZip("PK\x03\x04");

// Notes the thread it is looked at from; `stop` says at once that Esc was pressed.
class NotingWaiter : public EventLoopWaiter {
public:
    bool StopAsked() const override {
        lookedFrom = QThread::currentThread();
        return stop || EventLoopWaiter::StopAsked();
    }
    mutable std::atomic<QThread *> lookedFrom{nullptr};
    bool stop = false;
};

class NotingView : public RecordingView {
public:
    CommandWaiter &Waiter() override { return noting; }
    NotingWaiter noting;
};

// A location's first word is its answer's province; "|" is an answer without a province.
void FillProvinces(RecordingView &view, const QStringList &locations) {
    QList<ResultRow> rows;
    for (const QString &location : locations) {
        const int i = int(rows.size()) + 1;
        const QString shown = location == u"|"_s ? u" 移动"_s : location;
        rows.append({QString::number(i),
                     TestNumber(i),
                     shown,
                     {location == u"|"_s ? QString() : location.section(u' ', 0, 0), {}, {}},
                     location.isEmpty() ? RowQuery::NotAsked : RowQuery::Answered});
    }
    view.lv.AppendRows(rows);
}
} // namespace

class TestExportResults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        m_view = std::make_unique<NotingView>();
    }

    void cleanup() { SheetRowLimit::Reset(); }

    // 分类导出 wants a list looked up, 导出结果 only rows; a cancelled dialog writes nothing.
    void whatIsAsked_data() {
        QTest::addColumn<QList<ResultRow>>("rows");
        QTest::addColumn<QString>("results");
        QTest::addColumn<QString>("byProvince");
        const ResultRow notAsked{u"1"_s, TestNumber(1), {}, {}};
        ResultRow failed = notAsked, notFound = notAsked, single = notAsked;
        failed.query = RowQuery::TransferFailed;
        notFound.query = RowQuery::Answered;
        single.location = u"广东 移动"_s; // a single query's row
        const QString empty = Prompt(u"你还没有导入号码呢！"_s);
        QTest::newRow("empty list") << QList<ResultRow>() << empty << empty;
        QTest::newRow("imported only") << QList<ResultRow>{notAsked, notAsked} << SaveDialog()
                                       << Prompt(u"你还没有查询呢！"_s);
        const QString asks = ProvinceSaveDialog();
        QTest::newRow("a transfer failed")
            << QList<ResultRow>{failed, notAsked} << SaveDialog() << asks;
        QTest::newRow("nothing found")
            << QList<ResultRow>{notAsked, notFound} << SaveDialog() << asks;
        QTest::newRow("a single query") << QList<ResultRow>{single} << SaveDialog() << asks;
    }

    void whatIsAsked() {
        QFETCH(QList<ResultRow>, rows);
        QFETCH(QString, results);
        QFETCH(QString, byProvince);
        m_view->lv.AppendRows(rows);
        ExportResults(*m_view);
        ExportByProvince(*m_view);
        QCOMPARE(m_view->events, QStringList({results, byProvince}));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
    }

    void formatFromTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QByteArray>("opening");
        // The name's extension decides; another extension takes the chosen entry's format.
        QTest::newRow(".csv with the workbook entry") << u"结果.csv"_s << u"xlsx"_s << kBom;
        QTest::newRow(".XLSX with the CSV entry") << u"结果.XLSX"_s << u"csv"_s << kZip;
        QTest::newRow("other extension, CSV entry") << u"结果.txt"_s << u"csv"_s << kBom;
        QTest::newRow("other extension, workbook entry") << u"结果.v2"_s << u"xlsx"_s << kZip;
    }

    void formatFromTheName() {
        QFETCH(QString, name);
        QFETCH(QString, chosen);
        QFETCH(QByteArray, opening);
        m_view->Fill({u"北京 移动"_s});
        m_view->exportChoice = {m_dir.filePath(name), chosen};
        ExportResults(*m_view);
        QVERIFY(ReadWholeFile(m_view->exportChoice.path).startsWith(opening));
        QCOMPARE(m_view->events,
                 QStringList(
                     {SaveDialog(), Prompt(u"已导出1条结果到文件：\r"_s +
                                           QDir::toNativeSeparators(m_view->exportChoice.path))}));
    }

    // The rows are written on a thread of their own; Esc leaves the target as it was.
    void offTheWindowsThread_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("esc");
        for (const bool esc : {false, true}) {
            QTest::addRow("导出结果, xlsx%s", esc ? ", Esc" : "") << u"r.xlsx"_s << esc;
            QTest::addRow("导出结果, csv%s", esc ? ", Esc" : "") << u"r.csv"_s << esc;
            QTest::addRow("分类导出%s", esc ? ", Esc" : "") << u"分类.xlsx"_s << esc;
        }
    }

    void offTheWindowsThread() {
        QFETCH(QString, name);
        QFETCH(bool, esc);
        FillProvinces(*m_view, {u"广东 移动"_s, u"北京 联通"_s});
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (esc)
            QVERIFY(WriteWholeFile(path, "earlier content"));
        m_view->exportChoice = {path, u"xlsx"_s};
        m_view->provinceWorkbook = path;
        m_view->noting.stop = esc;
        if (name.startsWith(u'r'))
            ExportResults(*m_view);
        else
            ExportByProvince(*m_view);
        QVERIFY(m_view->noting.lookedFrom != nullptr);
        QVERIFY(m_view->noting.lookedFrom != QThread::currentThread());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{name});
        if (!esc)
            return;
        QCOMPARE(m_view->events.last(),
                 Prompt(u"导出已停止，文件未导出：\r"_s + QDir::toNativeSeparators(path)));
        QCOMPARE(ReadWholeFile(path), QByteArray("earlier content"));
    }

    void failureNamesItsCause_data() {
        QTest::addColumn<int>("problem");
        QTest::addColumn<bool>("temporary");
        QTest::addColumn<QString>("cause");
        QTest::newRow("disk full")
            << int(WriteProblem::DiskFull) << false
            << u"磁盘已满：文件夹 D:\\导出 所在的磁盘没有足够的空间，文件未导出！"_s;
        QTest::newRow("temporary folder's disk full")
            << int(WriteProblem::DiskFull) << true
            << u"磁盘已满：临时文件夹 D:\\导出 所在的磁盘没有足够的空间，文件未导出！"_s;
        QTest::newRow("missing folder") << int(WriteProblem::FolderMissing) << false
                                        << u"文件夹 D:\\导出 不存在，文件未导出！"_s;
        QTest::newRow("folder not writable") << int(WriteProblem::FolderNotWritable) << false
                                             << u"文件夹 D:\\导出 不可写，文件未导出！"_s;
        QTest::newRow("temporary folder not writable")
            << int(WriteProblem::FolderNotWritable) << true
            << u"临时文件夹 D:\\导出 不可写，文件未导出！"_s;
        QTest::newRow("the system's words")
            << int(WriteProblem::Other) << false << u"写入时出错（I/O error），文件未导出！"_s;
    }

    void failureNamesItsCause() {
        QFETCH(int, problem);
        QFETCH(bool, temporary);
        QFETCH(QString, cause);
        ExportOutcome outcome;
        outcome.problem = WriteProblem(problem);
        outcome.folder = u"D:\\导出"_s;
        outcome.inTemporaryFolder = temporary;
        outcome.detail = u"I/O error"_s;
        QCOMPARE(ExportMessage(u"D:/导出/结果.xlsx"_s, 3, outcome, u"已导出"_s, u"%1"_s),
                 u"无法导出文件："_s + QDir::toNativeSeparators(u"D:/导出/结果.xlsx"_s) + u'\r' +
                     cause);
    }

    void provinceSheets_data() {
        QTest::addColumn<QStringList>("locations");
        QTest::addColumn<QStringList>("sheets"); // name:indexes
        QTest::newRow("largest first, list order within")
            << QStringList{u"北京 联通"_s, u"广东 移动"_s, u""_s,         u"广东 电信"_s,
                           u"北京 移动"_s, u"广东 移动"_s, u"浙江 移动"_s}
            << QStringList{u"广东:1,3,5"_s, u"北京:0,4"_s, u"浙江:6"_s, u"未查到:2"_s};
        QTest::newRow("equal counts, 未查到 the largest")
            << QStringList{u"浙江 移动"_s, u""_s, u"北京 移动"_s, u""_s, u""_s}
            << QStringList{u"北京:2"_s, u"浙江:0"_s, u"未查到:1,3,4"_s};
        QTest::newRow("an answer without a province") << QStringList{u"|"_s, u"广东 移动"_s, u"|"_s}
                                                      << QStringList{u"未知:0,2"_s, u"广东:1"_s};
        QTest::newRow("nothing found") << QStringList{u""_s, u""_s} << QStringList{u"未查到:0,1"_s};
    }

    void provinceSheets() {
        QFETCH(QStringList, locations);
        QFETCH(QStringList, sheets);
        FillProvinces(*m_view, locations);
        QStringList got;
        for (const SheetRows &sheet : ProvinceSheets(m_view->lv)) {
            QStringList indexes;
            for (const int index : sheet.indexes)
                indexes.append(QString::number(index));
            got.append(sheet.name + u':' + indexes.join(u','));
            QCOMPARE(sheet.namedFirst, sheet.name == u"未查到"_s);
        }
        QCOMPARE(got, sheets);
    }

    void byProvinceNamesItsSheets() {
        SheetRowLimit::Set(2);
        FillProvinces(*m_view, {u"广东 移动"_s, u"北京 联通"_s, u""_s, u"广东 电信"_s,
                                u"广东 移动"_s, u"未查到 移动"_s});
        m_view->provinceWorkbook = m_dir.filePath(u"分类"_s);
        ExportByProvince(*m_view);
        QVERIFY(ReadWholeFile(m_view->provinceWorkbook).startsWith(kZip));
        // A province named 未查到 does not share the sheet of the rows without a location.
        QCOMPARE(m_view->events,
                 QStringList({ProvinceSaveDialog(),
                              Prompt(u"已分类导出6条结果到文件：\r"_s +
                                     QDir::toNativeSeparators(m_view->provinceWorkbook) +
                                     u"\r按省份分为5个工作表："
                                     "广东、广东 (2)、北京、未查到 (2)、未查到"_s)}));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<NotingView> m_view;
};

QTEST_GUILESS_MAIN(TestExportResults)
#include "tst_exportresults.moc"
