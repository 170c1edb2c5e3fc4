#include "numberfiles/importnumberlist.h"
#include "recordedcontext.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Busy = QStringLiteral("正在导入手机号码，请稍后……");

QString Summary(qint64 imported, qint64 invalid) {
    return QStringLiteral("共导入%1条号码，无效号码%2条").arg(imported).arg(invalid);
}

QByteArray Utf16(const QString &text, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}
} // namespace

class TestImportNumberList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void lines_data();
    void lines();
    void manyLinesAreCountedExactly();
    void replacesLookedUpRows();
    void cancelLeavesCaption();
    void unreadableFile_data();
    void unreadableFile();

private:
    QString import(const QByteArray &content);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordedContext> m_ctx;
};

void TestImportNumberList::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ctx = std::make_unique<RecordedContext>();
}

QString TestImportNumberList::import(const QByteArray &content) {
    const QString path = m_dir->filePath(QStringLiteral("numbers.txt"));
    if (!WriteWholeFile(path, content))
        return QString();
    m_ctx->dialogChoice = path;
    ImportNumberList(m_ctx->context);
    return path;
}

void TestImportNumberList::lines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<int>("invalid");

    const QString a = QStringLiteral("13800138000");
    const QString b = QStringLiteral("13900139000");

    QTest::newRow("empty file") << QByteArray() << QStringList() << 0;
    QTest::newRow("11 digits") << QByteArray("13800138000\r\n") << QStringList{a} << 0;
    QTest::newRow("trailing blank makes 12")
        << QByteArray("13800138000 \r\n") << QStringList() << 1;
    QTest::newRow("10 digits") << QByteArray("1380013800") << QStringList() << 1;
    QTest::newRow("leading blank kept")
        << QByteArray(" 1380013800") << QStringList{" 1380013800"} << 0;
    QTest::newRow("sign and decimal point")
        << QByteArray("-1380013800\r\n+1380013800\r\n13800.13800\r\n")
        << QStringList{"-1380013800", "+1380013800", "13800.13800"} << 0;
    QTest::newRow("hyphens") << QByteArray("138-0013-80") << QStringList() << 1;
    QTest::newRow("empty and blank lines") << QByteArray("\r\n   \r\n\t\r\n") << QStringList() << 3;
    QTest::newRow("one empty line after the last")
        << QByteArray("13800138000\r\n\r\n") << QStringList{a} << 1;
    QTest::newRow("no line end after the last")
        << QByteArray("13800138000\r\n13900139000") << QStringList{a, b} << 0;
    QTest::newRow("LF only") << QByteArray("13800138000\n13900139000\n") << QStringList{a, b} << 0;
    QTest::newRow("CR only") << QByteArray("13800138000\r13900139000\r") << QStringList{a, b} << 0;
    QTest::newRow("mixed line ends")
        << QByteArray("x\r\n13800138000\n13900139000\r\r\n") << QStringList{a, b} << 2;
    QTest::newRow("LF then CR is two line ends")
        << QByteArray("13800138000\n\r13900139000") << QStringList{a, b} << 1;
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF"
                                              "13800138000\r\n")
                                << QStringList{a} << 0;
    QTest::newRow("UTF-16 LE mark")
        << Utf16(a + "\r\n" + b + "\r\n", QStringConverter::Utf16LE) << QStringList{a, b} << 0;
    QTest::newRow("UTF-16 BE mark")
        << Utf16(a + "\n" + b, QStringConverter::Utf16BE) << QStringList{a, b} << 0;
    QTest::newRow("mark later in the file is a character")
        << QByteArray("13800138000\r\n\xEF\xBB\xBF"
                      "13900139000")
        << QStringList{a} << 1;
    QTest::newRow("invalid byte") << QByteArray("1380013800\xFF\r\n13800138000") << QStringList{a}
                                  << 1;
    QTest::newRow("duplicates") << QByteArray("13800138000\r\n13800138000\r\n") << QStringList{a, a}
                                << 0;
    QTest::newRow("valid invalid valid")
        << QByteArray("13800138000\r\nabc\r\n13900139000\r\n") << QStringList{a, b} << 1;
}

void TestImportNumberList::lines() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, numbers);
    QFETCH(int, invalid);

    const QString path = import(content);
    QVERIFY(!path.isEmpty());

    QCOMPARE(m_ctx->fileName, path);
    QCOMPARE(m_ctx->events,
             QStringList({RecordedContext::CaptionPrefix + Busy,
                          RecordedContext::CaptionPrefix + Summary(numbers.size(), invalid)}));
    QCOMPARE(m_ctx->lv.Count(), numbers.size());
    for (int i = 1; i <= m_ctx->lv.Count(); ++i) {
        QCOMPARE(m_ctx->lv.Text(i), QString::number(i));
        QCOMPARE(m_ctx->lv.Number(i), numbers[i - 1]);
        QCOMPARE(m_ctx->lv.Location(i), QString());
    }
}

void TestImportNumberList::manyLinesAreCountedExactly() {
    // Well past what a 16-bit counter could hold, in both counts.
    QByteArray content;
    for (int i = 0; i < 70'000; ++i)
        content += (i % 2 ? "1380013" + QByteArray::number(1000 + i % 9000) : "bad") + "\n";
    import(content);
    QCOMPARE(m_ctx->captions().last(), Summary(35'000, 35'000));
    QCOMPARE(m_ctx->lv.Count(), 35'000);
    QCOMPARE(m_ctx->lv.Text(35'000), QStringLiteral("35000"));
}

void TestImportNumberList::replacesLookedUpRows() {
    m_ctx->fill({"13700137000", "13700137001"}, {"广东 移动", "北京 联通"});
    import("13800138000\r\n");
    QCOMPARE(m_ctx->lv.Count(), 1);
    QCOMPARE(m_ctx->lv.Number(1), QStringLiteral("13800138000"));
    QCOMPARE(m_ctx->lv.Location(1), QString());
}

void TestImportNumberList::cancelLeavesCaption() {
    m_ctx->fill({"13700137000"}, {"广东 移动"});
    m_ctx->fileName = QStringLiteral("/earlier/numbers.txt");
    m_ctx->dialogChoice = QString();
    ImportNumberList(m_ctx->context);
    QCOMPARE(m_ctx->dialogShown, 1);
    QCOMPARE(m_ctx->lv.Count(), 0);
    QCOMPARE(m_ctx->fileName, QString());
    QCOMPARE(m_ctx->events, QStringList());
}

void TestImportNumberList::unreadableFile_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("missing.txt");
    QTest::newRow("a directory") << QStringLiteral("folder.txt");
}

void TestImportNumberList::unreadableFile() {
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.txt")));
    m_ctx->fill({"13700137000"});
    m_ctx->dialogChoice = m_dir->filePath(name);
    ImportNumberList(m_ctx->context);

    QCOMPARE(m_ctx->lv.Count(), 0);
    QCOMPARE(m_ctx->events,
             QStringList({RecordedContext::CaptionPrefix + Busy, RecordedContext::CaptionPrefix,
                          RecordedContext::PromptPrefix + "无法打开文件：" +
                              QDir::toNativeSeparators(m_dir->filePath(name))}));
}

QTEST_GUILESS_MAIN(TestImportNumberList)
#include "tst_importnumberlist.moc"
