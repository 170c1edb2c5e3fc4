#include "mainwindow/prompt.h"
#include "numberfiles/programdirectory.h"
#include "skins/applyskin.h"
#include "skins/skincatalog.h"
#include "skins/skinengine.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Call {
    QByteArray skinFile;
    QByteArray extra;
    bool extraIsNull = false;
};
QList<Call> g_calls;

int Record(const char *skinFile, const char *extra) {
    g_calls.append({QByteArray(skinFile), QByteArray(extra), extra == nullptr});
    return 0;
}

bool AnyMessageBox() {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; });
}
} // namespace

class TestApplySkin : public QObject {
    Q_OBJECT
private slots:
    void init() {
        g_calls.clear();
        SetSkinEntryForTesting(&Record);
    }
    void cleanup() {
        SetSkinEntryForTesting(nullptr);
        SetProgramDirectory(QString());
        SetPromptHook({});
        qApp->setStyleSheet(QString());
    }

    void catalogRowCallsEngineWithItsFile_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("file");
        const struct {
            const char *item, *caption, *file;
        } expected[] = {
            {"black", "(&1)黑色钻石", "/skin/black.vio"},
            {"gray", "(&2)灰色颓废", "/skin/gray.vio"},
            {"wood", "(&3)简谱积木", "/skin/wood.vio"},
            {"asus", "(&1)精仿华硕", "/skin/asus.vio"},
            {"blue", "(&2)蓝色经典", "/skin/blue.vio"},
            {"eye", "(&3)视觉冲击", "/skin/eye.vio"},
            {"warm", "(&1)温暖木雕", "/skin/warm.vio"},
            {"pebble", "(&2)炫酷水晶", "/skin/pebble.vio"},
            {"green", "(&3)炫绿亮彩", "/skin/green.vio"},
            {"Default", "恢复默认", "/skin/tar.vio"},
        };
        QCOMPARE(kSkinCatalog.size(), std::size(expected));
        for (int row = 0; row < int(std::size(expected)); ++row)
            QTest::newRow(expected[row].item) << row << QString::fromUtf8(expected[row].item)
                                              << QString::fromUtf8(expected[row].caption)
                                              << QString::fromUtf8(expected[row].file);
    }
    void catalogRowCallsEngineWithItsFile() {
        QFETCH(int, row);
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QString, file);
        const SkinEntryInfo &entry = kSkinCatalog[row];
        QCOMPARE(QString::fromUtf8(entry.item), item);
        QCOMPARE(QString::fromUtf8(entry.caption), caption);

        // A directory with a blank and Chinese characters: the path must come
        // through in the 8-bit encoding unchanged.
        const QString directory = QStringLiteral("/opt/塔维 工具/bin");
        SetProgramDirectory(directory);
        ApplySkin(QString::fromUtf8(entry.fixedText));

        QCOMPARE(g_calls.size(), 1);
        QCOMPARE(g_calls[0].skinFile, (directory + file).toLocal8Bit());
        QVERIFY(!g_calls[0].extraIsNull);
        QCOMPARE(g_calls[0].extra, QByteArray(""));
    }

    // The program directory and the fixed text are joined as they are.
    void pathIsPlainConcatenation_data() {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("fixedText");
        QTest::addColumn<QString>("path");
        QTest::newRow("usual") << "/usr/lib/tarvio"
                               << "\\skin\\tar.vio"
                               << "/usr/lib/tarvio/skin/tar.vio";
        QTest::newRow("no leading separator") << "/a/b"
                                              << "skin.vio"
                                              << "/a/bskin.vio";
        QTest::newRow("doubled separator") << "/a/b"
                                           << "\\\\skin\\x.vio"
                                           << "/a/b//skin/x.vio";
        QTest::newRow("empty text") << "/a/b"
                                    << ""
                                    << "/a/b";
        QTest::newRow("root directory") << "/"
                                        << "\\skin\\tar.vio"
                                        << "//skin/tar.vio";
    }
    void pathIsPlainConcatenation() {
        QFETCH(QString, directory);
        QFETCH(QString, fixedText);
        QFETCH(QString, path);
        SetProgramDirectory(directory);
        ApplySkin(fixedText);
        QCOMPARE(g_calls.size(), 1);
        QCOMPARE(QString::fromLocal8Bit(g_calls[0].skinFile), path);
    }

    void sameSkinTwiceCallsEngineTwice() {
        ApplySkin(QStringLiteral("\\skin\\green.vio"));
        ApplySkin(QStringLiteral("\\skin\\green.vio"));
        QCOMPARE(g_calls.size(), 2);
        QCOMPARE(g_calls[0].skinFile, g_calls[1].skinFile);
        QCOMPARE(QString::fromLocal8Bit(g_calls[0].skinFile),
                 ProgramDirectory() + QStringLiteral("/skin/green.vio"));
    }

    void restoringDefaultUsesTheStartUpFile() {
        ApplySkin(QString::fromUtf8(kDefaultSkin));
        ApplySkin(QString::fromUtf8(kSkinCatalog[0].fixedText));
        ApplySkin(QString::fromUtf8(kSkinCatalog.back().fixedText));
        QCOMPARE(g_calls.size(), 3);
        QCOMPARE(g_calls[2].skinFile, g_calls[0].skinFile);
        QVERIFY(g_calls[1].skinFile != g_calls[0].skinFile);
    }

    void missingSkinDirectoryChangesNothing() {
        SetSkinEntryForTesting(nullptr);
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        SetProgramDirectory(empty.path());
        int prompts = 0;
        SetPromptHook([&prompts](const QString &) { ++prompts; });

        const QString before = QStringLiteral("QLabel { color: #123456; }");
        qApp->setStyleSheet(before);
        for (const SkinEntryInfo &entry : kSkinCatalog)
            ApplySkin(QString::fromUtf8(entry.fixedText));
        QCoreApplication::processEvents();

        QCOMPARE(qApp->styleSheet(), before);
        QCOMPARE(prompts, 0);
        QVERIFY(!AnyMessageBox());
    }
};

QTEST_MAIN(TestApplySkin)
#include "tst_applyskin.moc"
