#include "mainwindow/mainwindow.h"
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
        const QList<QByteArrayList> expected{{(directory + file).toLocal8Bit(), ""}};
        QCOMPARE(g_calls, expected);

        // The menu item of the row applies the same file.
        MainWindow window;
        g_calls.clear();
        const QByteArray handler = QByteArray(kSkinCatalog[row].item) + "_Click";
        QVERIFY(QMetaObject::invokeMethod(&window, handler.constData()));
        QCOMPARE(g_calls, expected);
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
        MainWindow window;
        g_calls.clear();
        window.green_Click();
        window.green_Click();
        QCOMPARE(g_calls.size(), 2);
        QCOMPARE(g_calls[0], g_calls[1]);
    }

    void restoringDefaultUsesTheStartUpFile() {
        MainWindow window; // loading applies the start-up skin
        window.black_Click();
        window.Default_Click();
        QCOMPARE(g_calls.size(), 3);
        QCOMPARE(g_calls[0][0],
                 (ProgramDirectory() + QStringLiteral("/skin/tar.vio")).toLocal8Bit());
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
