// The export command: which file it writes, in which format, with which
// rows, and what it says.
#include "exportresults.h"
#include "recordingview.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kZip("PK\x03\x04");
} // namespace

class TestExportResults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void emptyListAsksNothing();
    void cancelWritesNothing();
    void formatFromTheName_data();
    void formatFromTheName();
    void everyRowWithItsAnswer();
    void unwritableTarget();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<RecordingView> m_view;
};

void TestExportResults::init() {
    QVERIFY(m_dir.isValid());
    m_view = std::make_unique<RecordingView>();
}

void TestExportResults::emptyListAsksNothing() {
    ExportResults(*m_view);
    QCOMPARE(m_view->events, QStringList{Prompt(u"你还没有导入号码呢！"_s)});
}

void TestExportResults::cancelWritesNothing() {
    m_view->Fill({u""_s});
    ExportResults(*m_view);
    QCOMPARE(m_view->events, QStringList{SaveDialog()});
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

void TestExportResults::formatFromTheName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QByteArray>("opening");
    QTest::newRow(".xlsx") << u"结果.xlsx"_s << u"xlsx"_s << kZip;
    QTest::newRow(".csv") << u"结果.csv"_s << u"csv"_s << kBom;
    // The name's extension decides, whatever entry was chosen.
    QTest::newRow(".csv with the workbook entry") << u"结果.csv"_s << u"xlsx"_s << kBom;
    QTest::newRow(".XLSX with the CSV entry") << u"结果.XLSX"_s << u"csv"_s << kZip;
    // A name with another extension takes the chosen entry's format.
    QTest::newRow("other extension, CSV entry") << u"结果.txt"_s << u"csv"_s << kBom;
    QTest::newRow("other extension, workbook entry") << u"结果.v2"_s << u"xlsx"_s << kZip;
}

void TestExportResults::formatFromTheName() {
    QFETCH(QString, name);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, opening);
    m_view->Fill({u"北京 移动"_s});
    m_view->exportChoice = {m_dir.filePath(name), chosen};
    ExportResults(*m_view);
    QVERIFY(ReadWholeFile(m_view->exportChoice.path).startsWith(opening));
    QCOMPARE(
        m_view->events,
        QStringList({SaveDialog(), Prompt(u"已导出1条结果到文件：\r"_s +
                                          QDir::toNativeSeparators(m_view->exportChoice.path))}));
}

// Found or not, every row goes out with its answer; the list stays as it was.
void TestExportResults::everyRowWithItsAnswer() {
    m_view->lv.AppendRows(
        {{u"1"_s, u"13800138000"_s, u"广东 移动"_s, {u"广东"_s, u"深圳"_s, u"中国移动"_s}},
         {u"2"_s, u"13900139000"_s, {}, {}},
         {u"3"_s, u"-1380013800"_s, u"浙江 广电"_s, {u"浙江"_s, {}, u"中国广电"_s}}});
    m_view->exportChoice = {m_dir.filePath(u"r.csv"_s), u"csv"_s};
    ExportResults(*m_view);
    QCOMPARE(ReadWholeFile(m_view->exportChoice.path),
             kBom + QByteArray("序号,手机号码,省份,城市,运营商\r\n"
                               "1,13800138000,广东,深圳,中国移动\r\n"
                               "2,13900139000,,,\r\n"
                               "3,-1380013800,浙江,,中国广电\r\n"));
    QCOMPARE(m_view->lv.Count(), 3);
    QCOMPARE(m_view->lv.Location(1), u"广东 移动"_s);
}

void TestExportResults::unwritableTarget() {
    m_view->Fill({u""_s});
    QTemporaryDir dir;
    const QString target = dir.filePath(u"没有这个文件夹/结果.xlsx"_s);
    m_view->exportChoice = {target, u"xlsx"_s};
    ExportResults(*m_view);
    QCOMPARE(m_view->events,
             QStringList({SaveDialog(),
                          Prompt(u"无法写入文件："_s + QDir::toNativeSeparators(target) +
                                 u"\r请检查文件夹是否可写，或文件是否正被其他程序打开！"_s)}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(TestExportResults)
#include "tst_exportresults.moc"
