#include "importnumberlist.h"
#include "recordingview.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString kBusy = Caption(QStringLiteral("正在导入手机号码，请稍后……"));

QByteArray WithMark(const QString &text, QStringConverter::Encoding encoding) {
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}
} // namespace

class TestImportNumberList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void lines_data();
    void lines();
    void replacesEarlierRows();
    void cancel();
    void unopenableFile_data();
    void unopenableFile();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<RecordingView> m_view;
};

void TestImportNumberList::init() {
    QVERIFY(m_dir.isValid());
    m_view = std::make_unique<RecordingView>();
    m_view->Fill({u"北京 联通"_s, u""_s}); // whatever an import leaves, these go
}

void TestImportNumberList::lines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<int>("invalid");
    const QString a = QStringLiteral("13800138000"), b = QStringLiteral("13900139000");

    QTest::newRow("empty file") << QByteArray() << QStringList() << 0;
    QTest::newRow("line forms") // serials follow the valid lines without gaps
        << QByteArray("13800138000\r\n13800138000 \r\n1380013800\r\n 1380013800\r\n"
                      "-1380013800\r\n+1380013800\r\n13800.13800\r\n138-0013-80\r\n"
                      "\r\n   \r\n\t\r\n13900139000")
        << QStringList{a, u" 1380013800"_s, u"-1380013800"_s, u"+1380013800"_s, u"13800.13800"_s, b}
        << 6;
    QTest::newRow("LF only") << QByteArray("13800138000\n13900139000\n") << QStringList{a, b} << 0;
    QTest::newRow("CR only") << QByteArray("13800138000\r13900139000\r") << QStringList{a, b} << 0;
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
        << WithMark(a + u"\n"_s + b + u"\n"_s, QStringConverter::Utf16BE) << QStringList{a, b} << 0;
}

void TestImportNumberList::lines() {
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
    QCOMPARE(m_view->lv.Count(), numbers.size());
    for (int i = 1; i <= m_view->lv.Count(); ++i) {
        QCOMPARE(m_view->lv.Text(i), QString::number(i));
        QCOMPARE(m_view->lv.Number(i), numbers[i - 1]);
        QCOMPARE(m_view->lv.Location(i), QString());
    }
}

void TestImportNumberList::replacesEarlierRows() {
    m_view->dialogChoice = m_dir.filePath(QStringLiteral("numbers.txt"));
    QVERIFY(WriteWholeFile(m_view->dialogChoice, "13800138000\r\n"));
    ImportNumberList(*m_view);
    ImportNumberList(*m_view);
    QCOMPARE(m_view->lv.Count(), 1);
    QCOMPARE(m_view->lv.Number(1), QStringLiteral("13800138000"));
}

void TestImportNumberList::cancel() {
    m_view->fileName = QStringLiteral("/earlier/numbers.txt");
    ImportNumberList(*m_view);
    QCOMPARE(m_view->lv.Count(), 0);
    QCOMPARE(m_view->fileName, QString());
    QCOMPARE(m_view->events, QStringList()); // the caption stays as it was
}

void TestImportNumberList::unopenableFile_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("missing.txt");
    QTest::newRow("a directory") << QStringLiteral("folder.txt");
}

void TestImportNumberList::unopenableFile() {
    QFETCH(QString, name);
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.txt"));
    m_view->dialogChoice = m_dir.filePath(name);
    ImportNumberList(*m_view);

    QCOMPARE(m_view->lv.Count(), 0);
    const QString shown = QDir::toNativeSeparators(m_view->dialogChoice);
    QCOMPARE(m_view->events,
             QStringList({kBusy, Caption(u""_s), Prompt(u"无法打开文件："_s + shown)}));
}

QTEST_GUILESS_MAIN(TestImportNumberList)
#include "tst_importnumberlist.moc"
