// The skin engine, the skin menu, and every shipped skin on the main window.
#include "applyskin.h"
#include "contrast.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "resultlistview.h"
#include "skincatalog.h"
#include "skinengine.h"
#include "skinfile.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QList<QByteArrayList> g_calls;
QStringList g_warnings;

int Record(const char *skinFile, const char *extra) {
    g_calls.append(QByteArrayList{skinFile, extra ? extra : "(null)"});
    return 0;
}

// The offscreen platform's notes on what it cannot do are no skin's fault.
void CollectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith(u"This plugin does not"))
        g_warnings.append(message);
}

QColor TextColour(QWidget *widget) {
    widget->ensurePolished();
    widget->style()->polish(widget);
    return widget->palette().color(QPalette::WindowText);
}
} // namespace

class TestSkins : public QObject {
    Q_OBJECT
private slots:
    void init() { g_calls.clear(); }
    void cleanup() {
        SkinEngine::Reset();
        SetProgramDirectory(QString());
        qApp->setStyleSheet(QString());
    }

    // A skin taken restyles windows open and later; one refused changes nothing, says why.
    void attach_data() {
        QTest::addColumn<QString>("where"); // "file": the bytes written to it
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        const QByteArray head = "/* tarvio skin: 黑色钻石 (black) */\nQLabel { color: #ff0000; }\n";
        const auto file = [](const char *tag, const QByteArray &bytes, SkinFileStatus status) {
            QTest::newRow(tag) << u"file"_s << bytes << int(status);
        };
        file("header", head, SkinFileStatus::Ok);
        file("byte order mark, blank lines", "\xEF\xBB\xBF\n \n" + head, SkinFileStatus::Ok);
        file("largest", head.leftJustified(kMaxSkinFileBytes), SkinFileStatus::Ok);
        file("one byte more", head.leftJustified(kMaxSkinFileBytes + 1), SkinFileStatus::TooLarge);
        file("empty", "", SkinFileStatus::Empty);
        file("blanks only", " \n\t", SkinFileStatus::Empty);
        file("GBK bytes", head + "/* \xBA\xDA */", SkinFileStatus::NotUtf8);
        file("no header", "QLabel { color: #ff0000; }", SkinFileStatus::NoHeader);
        file("header later", "QLabel {}\n" + head, SkinFileStatus::NoHeader);
        file("open comment", "/* tarvio skin: x", SkinFileStatus::NoHeader);
        file("no name", "/* tarvio skin: */", SkinFileStatus::NoHeader);
        QTest::newRow("missing") << u"none"_s << QByteArray() << int(SkinFileStatus::Missing);
        QTest::newRow("directory") << u"dir"_s << QByteArray() << int(SkinFileStatus::Unreadable);
        QTest::newRow("null path") << u"null"_s << QByteArray() << kSkinNoPath;
    }
    void attach() {
        QFETCH(QString, where);
        QFETCH(QByteArray, bytes);
        QFETCH(int, result);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("皮肤.vio")));
        if (where == u"file"_s)
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const QByteArray path = SkinPathBytes(where == u"dir"_s ? dir.path() : file.fileName());
        qApp->setStyleSheet(QStringLiteral("QLabel { color: #123456; }"));
        QLabel open(QStringLiteral("使用说明"));
        open.show();
        QCOMPARE(SkinH_AttachEx(where == u"null"_s ? nullptr : path.constData(), ""), result);
        const QColor colour = result == 0 ? QColor(Qt::red) : QColor(0x123456);
        QCOMPARE(TextColour(&open), colour);
        QLabel later(QStringLiteral("注意事项"));
        later.show();
        QCOMPARE(TextColour(&later), colour);
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox *>(window));
    }

    // The start-up skin, then each item's file each time, under a blank and Chinese path.
    void menuItem_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("file");
        for (const SkinEntryInfo &entry : kSkinCatalog)
            QTest::newRow(entry.item)
                << QString::fromUtf8(entry.item)
                << QString::fromUtf8(entry.fixedText).section(QLatin1Char('\\'), -1).chopped(4);
    }
    void menuItem() {
        QFETCH(QString, item);
        QFETCH(QString, file);
        SkinEngine::SendCallsTo(&Record);
        const QString directory = QStringLiteral("/opt/塔维 工具/bin");
        SetProgramDirectory(directory);
        MainWindow window;
        QAction *action = window.menuBar()->findChild<QAction *>(item);
        QVERIFY(action);
        action->trigger();
        action->trigger();
        const auto call = [&directory](const QString &name) {
            return QByteArrayList{SkinPathBytes(directory + u"/skin/"_s + name + u".vio"_s),
                                  QByteArray()};
        };
        QCOMPARE(g_calls, (QList<QByteArrayList>{call(u"tar"_s), call(file), call(file)}));
    }

    // Each shipped skin loads without a warning, keeping the font size and text readable.
    void shippedSkin_data() {
        QTest::addColumn<QString>("fixedText");
        for (const SkinEntryInfo &entry : kSkinCatalog)
            QTest::newRow(entry.item) << QString::fromUtf8(entry.fixedText);
    }
    void shippedSkin() {
        QFETCH(QString, fixedText);
        MainWindow window;
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("保存"));
        qApp->setStyleSheet(QString());
        g_warnings.clear();
        qInstallMessageHandler(&CollectWarnings);
        ApplySkin(fixedText);
        window.show();
        box.show();
        window.grab();
        box.grab();
        for (QMenu *menu : window.menuBar()->findChildren<QMenu *>())
            menu->grab();
        qInstallMessageHandler(nullptr);
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(u'\n')));
        QVERIFY(!qApp->styleSheet().isEmpty());

        const double pointSize = QApplication::font().pointSizeF();
        for (QWidget *widget : window.findChildren<QWidget *>() + box.findChildren<QWidget *>())
            QVERIFY2(widget->font().pointSizeF() <= pointSize, widget->metaObject()->className());
        for (QWidget *widget :
             QWidgetList{window.findChild<QLineEdit *>(), window.ListView(), &box}) {
            const bool isWindow = widget == &box;
            const QPalette p = widget->palette();
            const QBrush ground = p.brush(isWindow ? QPalette::Window : QPalette::Base);
            const QColor text = p.color(isWindow ? QPalette::WindowText : QPalette::Text);
            QVERIFY2(ground.style() != Qt::SolidPattern || Contrast(text, ground.color()) >= 4.5,
                     widget->metaObject()->className());
        }
    }
};

QTEST_MAIN(TestSkins)
#include "tst_skins.moc"
