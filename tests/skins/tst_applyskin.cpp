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
QList<QByteArrayList> g_calls;

int Record(const char *skinFile, const char *extra) {
    g_calls.append({QByteArray(skinFile), extra ? QByteArray(extra) : QByteArray("(null)")});
    return 0;
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
    }

    void catalogRowCallsEngineWithItsFile_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("file");
        const char *items[] = {"black", "gray", "wood",   "asus",  "blue",
                               "eye",   "warm", "pebble", "green", "Default"};
        QCOMPARE(kSkinCatalog.size(), std::size(items));
        for (int row = 0; row < int(std::size(items)); ++row) {
            const QString item = QString::fromUtf8(items[row]);
            QCOMPARE(QString::fromUtf8(kSkinCatalog[row].item), item);
            const QString file = row == 9 ? QStringLiteral("tar") : item;
            QTest::newRow(items[row]) << row << QStringLiteral("/skin/%1.vio").arg(file);
        }
    }
    void catalogRowCallsEngineWithItsFile() {
        QFETCH(int, row);
        QFETCH(QString, file);
        // A blank and Chinese characters must reach the engine unchanged.
        const QString directory = QStringLiteral("/opt/塔维 工具/bin");
        SetProgramDirectory(directory);
        ApplySkin(QString::fromUtf8(kSkinCatalog[row].fixedText));
        QCOMPARE(g_calls, QList<QByteArrayList>({{(directory + file).toLocal8Bit(), ""}}));
    }

    // Program directory and fixed text are joined as they are.
    void pathIsPlainConcatenation() {
        SetProgramDirectory(QStringLiteral("/a/b"));
        ApplySkin(QStringLiteral("skin.vio"));
        ApplySkin(QStringLiteral("\\\\skin\\x.vio"));
        QCOMPARE(g_calls.value(0).value(0), QByteArray("/a/bskin.vio"));
        QCOMPARE(g_calls.value(1).value(0), QByteArray("/a/b//skin/x.vio"));
    }

    void sameSkinTwiceCallsEngineTwice() {
        ApplySkin(QStringLiteral("\\skin\\green.vio"));
        ApplySkin(QStringLiteral("\\skin\\green.vio"));
        QCOMPARE(g_calls.size(), 2);
        QCOMPARE(g_calls[0], g_calls[1]);
    }

    void restoringDefaultUsesTheStartUpFile() {
        ApplySkin(QString::fromUtf8(kDefaultSkin)); // what the main window applies as it loads
        ApplySkin(QString::fromUtf8(kSkinCatalog[0].fixedText));
        ApplySkin(QString::fromUtf8(kSkinCatalog.back().fixedText));
        QCOMPARE(g_calls.size(), 3);
        QCOMPARE(g_calls[2], g_calls[0]);
        QVERIFY(g_calls[1] != g_calls[0]);
    }

    void missingSkinDirectoryChangesNothing() {
        SetSkinEntryForTesting(nullptr);
        QTemporaryDir empty;
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
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox *>(window));
        SetPromptHook({});
        qApp->setStyleSheet(QString());
    }
};

QTEST_MAIN(TestApplySkin)
#include "tst_applyskin.moc"
