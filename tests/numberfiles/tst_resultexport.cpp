// The export's files: the CSV's bytes as Excel reads them, and that either
// file takes the target's place only once it is whole, wherever the system's
// temporary folder is. What the workbook holds is read back with openpyxl
// (tests/mainwindow, check_export.py).
#include "recordingview.h"
#include "resultcsv.h"
#include "resultxlsx.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
using Records = QList<ResultRecord>;

const Records kTwoRows{{u"1"_s, u"13800138000"_s, u"广东"_s, u"广州"_s, u"中国移动"_s},
                       {u"2"_s, u" 1390013900"_s, {}, {}, {}}};

// The variable that names the system's temporary folder, set for one scope.
class TemporaryFolderSetTo {
public:
    explicit TemporaryFolderSetTo(const QString &folder)
        : m_old(qgetenv(kName)) {
        qputenv(kName, QFile::encodeName(QDir::toNativeSeparators(folder)));
    }
    ~TemporaryFolderSetTo() { qputenv(kName, m_old); }

private:
#ifdef Q_OS_WIN
    static constexpr const char *kName = "TMP";
#else
    static constexpr const char *kName = "TMPDIR";
#endif
    QByteArray m_old;
};

QStringList Entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

ExportError Write(const QString &format, const QString &path, const Records &rows) {
    return format == u"xlsx"_s ? WriteResultsXlsx(path, rows) : WriteResultsCsv(path, rows);
}

QByteArray Opening(const QString &format) {
    return format == u"xlsx"_s ? QByteArray("PK\x03\x04") : QByteArray("\xEF\xBB\xBF");
}
} // namespace

class TestResultExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void csvBytes_data();
    void csvBytes();
    void replacesTheTargetWhole_data();
    void replacesTheTargetWhole();
    void unwritableTargetStaysAsItWas_data();
    void unwritableTargetStaysAsItWas();
};

void TestResultExport::csvBytes_data() {
    QTest::addColumn<Records>("rows");
    QTest::addColumn<QByteArray>("lines"); // after the byte-order mark and the header line

    QTest::newRow("no rows") << Records() << QByteArray();
    QTest::newRow("found and not found")
        << kTwoRows << QByteArray("1,13800138000,广东,广州,中国移动\r\n2, 1390013900,,,\r\n");
    QTest::newRow("cells that need quotes")
        << Records{{u"1"_s, u"13800138000"_s, u"a,b"_s, u"say \"hi\""_s, u"two\r\nlines"_s}}
        << QByteArray("1,13800138000,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n");
    // An answer that Excel would run as a formula is shown as text; the
    // number keeps its sign.
    QTest::newRow("answers that look like formulas")
        << Records{{u"1"_s, u"+1380013800"_s, u"=1+1"_s, u"@SUM(A1)"_s, u"-2"_s},
                   {u"2"_s, u"-1380013800"_s, u"+86"_s, u"=HYPERLINK(\"x\",\"y\")"_s, u"广电"_s}}
        << QByteArray("1,+1380013800,'=1+1,'@SUM(A1),'-2\r\n"
                      "2,-1380013800,'+86,\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\",广电\r\n");
}

void TestResultExport::csvBytes() {
    QFETCH(Records, rows);
    QFETCH(QByteArray, lines);
    QCOMPARE(ResultsCsvBytes(rows),
             QByteArray("\xEF\xBB\xBF序号,手机号码,省份,城市,运营商\r\n") + lines);
}

void TestResultExport::replacesTheTargetWhole_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("temporaryFolder"); // under the test's folder; "" as it is
    for (const QString &format : {u"xlsx"_s, u"csv"_s}) {
        const QByteArray f = format.toLatin1();
        QTest::addRow("%s, new file", f.data()) << format << false << u""_s;
        QTest::addRow("%s, over an existing file", f.data()) << format << true << u""_s;
        // On an English Windows the code page holds no Chinese: the library's
        // char* paths must still reach the folder.
        QTest::addRow("%s, Chinese temporary folder", f.data()) << format << false << u"临时文件"_s;
        // With no temporary folder to work in, the target's folder serves.
        QTest::addRow("%s, temporary folder missing", f.data())
            << format << false << u"不存在/也不存在"_s;
    }
}

void TestResultExport::replacesTheTargetWhole() {
    QFETCH(QString, format);
    QFETCH(bool, existing);
    QFETCH(QString, temporaryFolder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(u"导出"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + u"/结果 2024."_s + format;
    if (existing)
        QVERIFY(WriteWholeFile(target, "earlier content"));
    std::optional<TemporaryFolderSetTo> temporary;
    QString work;
    if (!temporaryFolder.isEmpty()) {
        work = dir.filePath(temporaryFolder);
        if (!temporaryFolder.contains(u'/'))
            QVERIFY(QDir().mkpath(work));
        temporary.emplace(work);
    }

    QCOMPARE(Write(format, target, kTwoRows), ExportError::None);
    QVERIFY(ReadWholeFile(target).startsWith(Opening(format)));
    // Nothing is left beside it, nor in the temporary folder.
    QCOMPARE(Entries(folder), QStringList{QFileInfo(target).fileName()});
    if (!work.isEmpty() && QFileInfo(work).isDir())
        QCOMPARE(Entries(work), QStringList());
}

void TestResultExport::unwritableTargetStaysAsItWas_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("how");
    QStringList ways{u"missing folder"_s, u"target is a folder"_s};
#ifdef Q_OS_WIN
    // Windows does not replace a file that another program holds open, as
    // Excel holds the workbook it shows.
    ways.append(u"target held open"_s);
#endif
    for (const QString &format : {u"xlsx"_s, u"csv"_s}) {
        for (const QString &how : ways)
            QTest::addRow("%s, %s", qPrintable(format), qPrintable(how)) << format << how;
    }
}

void TestResultExport::unwritableTargetStaysAsItWas() {
    QFETCH(QString, format);
    QFETCH(QString, how);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString target = dir.filePath(u"结果."_s + format);
    QFile held(target);
    if (how == u"missing folder"_s) {
        target = dir.filePath(u"没有/结果."_s + format);
    } else if (how == u"target is a folder"_s) {
        QVERIFY(QDir().mkpath(target));
    } else {
        QVERIFY(WriteWholeFile(target, "earlier content"));
        QVERIFY(held.open(QIODevice::ReadOnly));
    }
    const QStringList before = Entries(dir.path());

    QCOMPARE(Write(format, target, kTwoRows), ExportError::TargetNotWritable);
    QCOMPARE(Entries(dir.path()), before);
    if (held.isOpen())
        QCOMPARE(ReadWholeFile(target), QByteArray("earlier content"));
}

QTEST_GUILESS_MAIN(TestResultExport)
#include "tst_resultexport.moc"
