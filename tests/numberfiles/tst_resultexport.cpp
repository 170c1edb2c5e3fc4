// The export's files: the CSV's bytes; the target replaced only when whole; a
// target that cannot be written left as it was, the cause named. Workbook cells:
// tests/mainwindow. fullDisk runs as tst_resultexport_fulldisk (on-small-disk.sh).
#include "recordingview.h"
#include "resultcsv.h"
#include "resultxlsx.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>

#include <sddl.h> // after windows.h
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {
using Records = QList<ResultRecord>;

const Records kTwoRows{{u"1"_s, u"13800138000"_s, u"广东"_s, u"广州"_s, u"中国移动"_s},
                       {u"2"_s, u" 1390013900"_s, {}, {}, {}}};

ResultRows RowsOf(const Records &records) {
    return {records.size(), [records](qsizetype i) {
                return records.at(i);
            }};
}

ResultRows ManyRows(qsizetype count) {
    return {count, [](qsizetype i) {
                return ResultRecord{QString::number(i + 1),
                                    u"1380%1"_s.arg(i, 7, 10, QLatin1Char('0')), u"广东"_s,
                                    u"广州"_s, u"中国移动"_s};
            }};
}

#ifdef Q_OS_WIN
constexpr const char *kTemporaryVariable = "TMP";
#else
constexpr const char *kTemporaryVariable = "TMPDIR";
#endif

struct TemporaryFolderSetTo {
    explicit TemporaryFolderSetTo(const QString &folder) {
        qputenv(kTemporaryVariable, QFile::encodeName(QDir::toNativeSeparators(folder)));
    }
    ~TemporaryFolderSetTo() { qputenv(kTemporaryVariable, old); }
    const QByteArray old = qgetenv(kTemporaryVariable);
};

QStringList Entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

ExportOutcome Write(const QString &format, const QString &path, const ResultRows &rows,
                    const ShouldStop &stop = {}) {
    return format == u"xlsx"_s ? WriteResultsXlsx(path, rows, u"查询结果"_s, stop)
                               : WriteResultsCsv(path, rows, stop);
}

QByteArray Opening(const QString &format) {
    return format == u"xlsx"_s ? QByteArray("PK\x03\x04") : QByteArray("\xEF\xBB\xBF");
}

#ifdef Q_OS_WIN
bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}
#endif

// A folder the test's user cannot write to: by permissions (Linux), a security
// rule (Windows), or /sys under wine, which keeps such rules without heeding them.
struct FolderNotWritable {
    explicit FolderNotWritable(const QString &folder)
        : path(folder) {
#ifdef Q_OS_WIN
        if (UnderWine()) {
            path = u"Z:/sys"_s;
            return;
        }
        SetRules(L"D:(D;OICI;0x116;;;WD)(A;OICI;FA;;;WD)"); // no file, folder or writing
#else
        chmod(QFile::encodeName(folder).constData(), 0555);
#endif
    }
    ~FolderNotWritable() {
#ifdef Q_OS_WIN
        if (!UnderWine())
            SetRules(L"D:(A;OICI;FA;;;WD)");
#else
        chmod(QFile::encodeName(path).constData(), 0755);
#endif
    }

#ifdef Q_OS_WIN
    void SetRules(const wchar_t *rules) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(rules, SDDL_REVISION_1,
                                                                 &descriptor, nullptr)) {
            SetFileSecurityW(reinterpret_cast<const wchar_t *>(path.utf16()),
                             DACL_SECURITY_INFORMATION, descriptor);
            LocalFree(descriptor);
        }
    }
#endif

    QString path;
};

// Linux, as root: "nobody" (real and effective) for the scope, root kept as saved.
struct AsOrdinaryUser {
    AsOrdinaryUser() {
#ifndef Q_OS_WIN
        m_wasRoot = geteuid() == 0;
        if (m_wasRoot && setresuid(65534, 65534, 0) != 0)
            m_wasRoot = false;
#endif
    }
    ~AsOrdinaryUser() {
#ifndef Q_OS_WIN
        if (m_wasRoot && setresuid(0, 0, 0) != 0)
            qFatal("could not become root again");
#endif
    }

    bool m_wasRoot = false;
};

struct ReadOnlyFile {
    explicit ReadOnlyFile(const QString &path)
        : m_path(path) {
#ifdef Q_OS_WIN
        SetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()),
                           FILE_ATTRIBUTE_READONLY);
#else
        chmod(QFile::encodeName(path).constData(), 0444);
        chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0777);
#endif
    }
    ~ReadOnlyFile() {
#ifdef Q_OS_WIN
        SetFileAttributesW(reinterpret_cast<const wchar_t *>(m_path.utf16()),
                           FILE_ATTRIBUTE_NORMAL);
#else
        chmod(QFile::encodeName(m_path).constData(), 0644);
#endif
    }

    QString m_path;
};

// The target held open as Excel holds the workbook it shows (on Linux, just open).
struct HeldOpen {
    explicit HeldOpen(const QString &path) {
#ifdef Q_OS_WIN
        m_file = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                             GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        m_file.setFileName(path);
        m_file.open(QIODevice::ReadOnly);
#endif
    }
    ~HeldOpen() {
#ifdef Q_OS_WIN
        CloseHandle(m_file);
#endif
    }
    bool Holds() const {
#ifdef Q_OS_WIN
        return m_file != INVALID_HANDLE_VALUE;
#else
        return m_file.isOpen();
#endif
    }

#ifdef Q_OS_WIN
    HANDLE m_file = INVALID_HANDLE_VALUE;
#else
    QFile m_file;
#endif
};
} // namespace

class TestResultExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { SheetRowLimit::Reset(); }

    void csvBytes_data() {
        QTest::addColumn<Records>("rows");
        QTest::addColumn<QByteArray>("lines"); // after the byte-order mark and the header line

        QTest::newRow("no rows") << Records() << QByteArray();
        QTest::newRow("found and not found")
            << kTwoRows << QByteArray("1,13800138000,广东,广州,中国移动\r\n2, 1390013900,,,\r\n");
        QTest::newRow("cells that need quotes")
            << Records{{u"1"_s, u"13800138000"_s, u"a,b"_s, u"say \"hi\""_s, u"two\r\nlines"_s}}
            << QByteArray("1,13800138000,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n");
        // Excel would run these as formulas; the number keeps its sign.
        QTest::newRow("answers that look like formulas")
            << Records{{u"1"_s, u"+1380013800"_s, u"=1+1"_s, u"@SUM(A1)"_s, u"-2"_s},
                       {u"2"_s, u"-1380013800"_s, u"+86"_s, u"=HYPERLINK(\"x\",\"y\")"_s,
                        u"广电"_s}}
            << QByteArray("1,+1380013800,'=1+1,'@SUM(A1),'-2\r\n"
                          "2,-1380013800,'+86,\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\",广电\r\n");
    }

    void csvBytes() {
        QFETCH(Records, rows);
        QFETCH(QByteArray, lines);
        const QByteArray whole =
            QByteArray("\xEF\xBB\xBF序号,手机号码,省份,城市,运营商\r\n") + lines;
        QCOMPARE(ResultsCsvBytes(rows), whole);
        // Written a piece at a time, the file is the same.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"r.csv"_s);
        QVERIFY(WriteResultsCsv(path, RowsOf(rows)).Written());
        QCOMPARE(ReadWholeFile(path), whole);
    }

    void replacesTheTargetWhole_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QString>("temporaryFolder"); // under the test's folder; "" as it is
        QTest::addColumn<qsizetype>("rows");
        for (const QString &format : {u"xlsx"_s, u"csv"_s}) {
            const QByteArray f = format.toLatin1();
            QTest::addRow("%s, over an existing file", f.data())
                << format << true << u""_s << qsizetype(2);
            // Not in the ANSI code page of an English Windows.
            QTest::addRow("%s, Chinese temporary folder", f.data())
                << format << false << u"临时文件"_s << qsizetype(2);
            QTest::addRow("%s, temporary folder missing", f.data())
                << format << false << u"不存在/也不存在"_s << qsizetype(2);
            QTest::addRow("%s, 100,000 rows", f.data())
                << format << true << u""_s << qsizetype(100'000);
        }
    }

    void replacesTheTargetWhole() {
        QFETCH(QString, format);
        QFETCH(bool, existing);
        QFETCH(QString, temporaryFolder);
        QFETCH(qsizetype, rows);
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

        const ExportOutcome outcome =
            Write(format, target, rows == 2 ? RowsOf(kTwoRows) : ManyRows(rows));
        QVERIFY2(outcome.Written(), qPrintable(outcome.detail));
        QVERIFY(ReadWholeFile(target).startsWith(Opening(format)));
        if (format == u"csv"_s)
            QCOMPARE(ReadWholeFile(target).count("\r\n"), rows + 1);
        QCOMPARE(Entries(folder), QStringList{QFileInfo(target).fileName()});
        if (!work.isEmpty() && QFileInfo(work).isDir())
            QCOMPARE(Entries(work), QStringList());
    }

    // A sheet holds 1,048,575 rows; here 10.
    void rowsGoOnInTheNextSheet_data() {
        QTest::addColumn<qsizetype>("rows");
        QTest::addColumn<QStringList>("sheets");
        const QString first = u"查询结果"_s, second = u"查询结果 (2)"_s;
        QTest::newRow("just as many") << qsizetype(10) << QStringList{first};
        QTest::newRow("one more") << qsizetype(11) << QStringList{first, second};
        QTest::newRow("no rows: the header") << qsizetype(0) << QStringList{first};
    }

    void rowsGoOnInTheNextSheet() {
        QFETCH(qsizetype, rows);
        QFETCH(QStringList, sheets);
        SheetRowLimit::Set(10);
        QTemporaryDir dir;
        const ExportOutcome outcome =
            Write(u"xlsx"_s, dir.filePath(u"结果.xlsx"_s), ManyRows(rows));
        QVERIFY(outcome.Written());
        QCOMPARE(outcome.sheets, sheets);
    }

    void failureNamesItsCause_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("how");
        QTest::addColumn<WriteProblem>("problem");
        const QList<std::pair<QString, WriteProblem>> ways{
            {u"missing folder"_s, WriteProblem::FolderMissing},
            {u"target is a folder"_s, WriteProblem::TargetIsFolder},
            {u"folder not writable"_s, WriteProblem::FolderNotWritable},
            {u"read-only target"_s, WriteProblem::TargetReadOnly},
#ifdef Q_OS_WIN
            {u"target held open"_s, WriteProblem::TargetInUse},
#else
            {u"target held open"_s, WriteProblem::None}, // the holder keeps what it opened
#endif
            {u"temporary folder not writable"_s, WriteProblem::None},
        };
        for (const QString &format : {u"xlsx"_s, u"csv"_s}) {
            for (const auto &[how, problem] : ways)
                QTest::addRow("%s, %s", qPrintable(format), qPrintable(how))
                    << format << how << problem;
        }
    }

    void failureNamesItsCause() {
        QFETCH(QString, format);
        QFETCH(QString, how);
        QFETCH(WriteProblem, problem);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
#ifndef Q_OS_WIN
        chmod(QFile::encodeName(dir.path()).constData(), 0755); // for the ordinary user
#endif
        const QString folder = dir.filePath(u"导出"_s);
        QVERIFY(QDir().mkpath(folder));
        QString target = folder + u"/结果."_s + format;
        QString folderNamed = folder;
        const bool existing = how == u"read-only target"_s || how == u"target held open"_s;
        if (existing)
            QVERIFY(WriteWholeFile(target, "earlier content"));
        std::optional<FolderNotWritable> notWritable;
        std::optional<TemporaryFolderSetTo> temporary;
        std::optional<ReadOnlyFile> readOnly;
        std::optional<HeldOpen> held;
        if (how == u"missing folder"_s) {
            folderNamed = folder + u"/没有"_s;
            target = folderNamed + u"/结果."_s + format;
        } else if (how == u"target is a folder"_s) {
            QVERIFY(QDir().mkpath(target));
        } else if (how == u"folder not writable"_s) {
            notWritable.emplace(folder);
            folderNamed = notWritable->path;
            target = folderNamed + u"/结果."_s + format;
        } else if (how == u"temporary folder not writable"_s) {
            const QString work = dir.filePath(u"临时"_s);
            QVERIFY(QDir().mkpath(work));
            notWritable.emplace(work);
            temporary.emplace(notWritable->path);
#ifndef Q_OS_WIN
            chmod(QFile::encodeName(folder).constData(), 0777);
#endif
        } else if (how == u"read-only target"_s) {
            readOnly.emplace(target);
        } else {
            held.emplace(target);
            QVERIFY(held->Holds());
        }
        const QStringList before = Entries(folder);

        ExportOutcome outcome;
        {
            std::optional<AsOrdinaryUser> user;
            if (notWritable || readOnly)
                user.emplace();
            outcome = Write(format, target, RowsOf(kTwoRows));
        }
        QCOMPARE(outcome.problem, problem);
        if (problem == WriteProblem::None) {
            QVERIFY(ReadWholeFile(target).startsWith(Opening(format)));
            QCOMPARE(Entries(folder), QStringList{QFileInfo(target).fileName()});
            return;
        }
        QCOMPARE(outcome.folder, QDir::toNativeSeparators(folderNamed));
        QVERIFY(!outcome.inTemporaryFolder);
        QCOMPARE(Entries(folder), before);
        held.reset();
        if (existing)
            QCOMPARE(ReadWholeFile(target), QByteArray("earlier content"));
    }

    // Esc while an export writes: it ends soon, the target as it was.
    void stopLeavesTheTarget_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("xlsx") << u"xlsx"_s;
        QTest::newRow("csv") << u"csv"_s;
    }

    void stopLeavesTheTarget() {
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"结果."_s + format);
        QVERIFY(WriteWholeFile(target, "earlier content"));
        int looked = 0;
        const ShouldStop stop = [&] {
            return ++looked > 3; // asked once the export is under way
        };
        const ExportOutcome outcome = Write(format, target, ManyRows(100'000), stop);
        QCOMPARE(outcome.problem, WriteProblem::Stopped);
        QCOMPARE(looked, 4);
        QCOMPARE(ReadWholeFile(target), QByteArray("earlier content"));
        QCOMPARE(Entries(dir.path()), QStringList{QFileInfo(target).fileName()});
    }

    void fullDisk_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("targetOnIt");
        QTest::addColumn<bool>("temporaryOnIt");
        QTest::addColumn<qsizetype>("rows");
        QTest::addColumn<bool>("written");
        // 4 MB disk: 100,000 rows are 5 MB of CSV, 250,000 rows 6 MB zipped.
        QTest::newRow("csv, target on it")
            << u"csv"_s << true << false << qsizetype(100'000) << false;
        QTest::newRow("xlsx, target on it")
            << u"xlsx"_s << true << false << qsizetype(250'000) << false;
        QTest::newRow("xlsx, both on it")
            << u"xlsx"_s << true << true << qsizetype(250'000) << false;
        QTest::newRow("xlsx, temporary folder on it")
            << u"xlsx"_s << false << true << qsizetype(250'000) << true;
        // Room for the rows (2.5 to 4 MB unzipped) but not for the copy closing makes:
        // the library would not notice, and leave a workbook lacking rows.
        for (const qsizetype rows : {8'000, 10'000, 12'000, 14'000}) {
            QTest::addRow("xlsx, room for %lld rows alone", qlonglong(rows))
                << u"xlsx"_s << false << true << rows << true;
        }
    }

    void fullDisk() {
        QFETCH(QString, format);
        QFETCH(bool, targetOnIt);
        QFETCH(bool, temporaryOnIt);
        QFETCH(qsizetype, rows);
        QFETCH(bool, written);
        QString disk = qEnvironmentVariable("TARVIO_SMALL_DISK");
        if (disk.isEmpty())
            QSKIP("runs as tst_resultexport_fulldisk, on a small disk of its own");
#ifdef Q_OS_WIN
        if (disk.startsWith(u'/'))
            disk.prepend(u"Z:"_s);
#endif
        QTemporaryDir elsewhere;
        QTemporaryDir onDisk(disk + u"/XXXXXX"_s);
        QVERIFY(onDisk.isValid() && elsewhere.isValid());
        const QString folder = targetOnIt ? onDisk.path() : elsewhere.path();
        const QString target = folder + u"/结果."_s + format;
        QVERIFY(WriteWholeFile(target, "earlier content"));
        const QString work = (temporaryOnIt ? onDisk : elsewhere).filePath(u"临时"_s);
        QVERIFY(QDir().mkpath(work));
        const TemporaryFolderSetTo temporary(work);

        const ExportOutcome outcome = Write(format, target, ManyRows(rows));
        QCOMPARE(Entries(work), QStringList());
        if (written) {
            QVERIFY2(outcome.Written(), qPrintable(outcome.detail));
            // As long as the same rows written on a disk with room.
            const QString whole = elsewhere.filePath(u"whole."_s + format);
            const TemporaryFolderSetTo roomy(elsewhere.path());
            QVERIFY(Write(format, whole, ManyRows(rows)).Written());
            QVERIFY(qAbs(QFileInfo(target).size() - QFileInfo(whole).size()) < 64);
            return;
        }
        QCOMPARE(outcome.problem, WriteProblem::DiskFull);
        QCOMPARE(outcome.folder, QDir::toNativeSeparators(folder));
        QCOMPARE(outcome.inTemporaryFolder, false);
        QCOMPARE(ReadWholeFile(target), QByteArray("earlier content"));
        QStringList left{QFileInfo(target).fileName()};
        if (QFileInfo(work).absolutePath() == folder)
            left.append(u"临时"_s);
        left.sort();
        QCOMPARE(Entries(folder), left);
    }
};

QTEST_GUILESS_MAIN(TestResultExport)
#include "tst_resultexport.moc"
