#include "numberfiles/programdirectory.h"
#include "skins/applyskin.h"
#include "skins/skincatalog.h"
#include "skins/skinengine.h"
#include "skins/skinfile.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

Q_DECLARE_METATYPE(SkinFileStatus)

namespace {
QStringList g_warnings;

// The offscreen platform's notes on what it cannot do are no skin's fault.
void CollectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type != QtDebugMsg && type != QtInfoMsg &&
        !message.startsWith(QLatin1StringView("This plugin does not support")))
        g_warnings.append(message);
}

int Attach(const QTemporaryDir &dir, const QByteArray &bytes) {
    QFile file(dir.filePath(QStringLiteral("皮肤.vio")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return -1;
    file.close();
    return SkinH_AttachEx(file.fileName().toLocal8Bit().constData(), "");
}

QColor TextColour(QWidget *widget) {
    widget->ensurePolished();
    widget->style()->polish(widget);
    return widget->palette().color(QPalette::WindowText);
}

double Luminance(const QColor &c) {
    auto f = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * f(c.redF()) + 0.7152 * f(c.greenF()) + 0.0722 * f(c.blueF());
}
} // namespace

class TestSkinEngine : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qApp->setStyleSheet(QString()); }

    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<SkinFileStatus>("status");
        const QByteArray head = "/* tarvio skin: 黑色钻石 (black) */\n";
        QTest::newRow("header") << head + "QLabel {}" << SkinFileStatus::Ok;
        QTest::newRow("byte order mark, blank lines")
            << "\xEF\xBB\xBF\n \n" + head << SkinFileStatus::Ok;
        QTest::newRow("largest") << head.leftJustified(kMaxSkinFileBytes) << SkinFileStatus::Ok;
        QTest::newRow("one byte more")
            << head.leftJustified(kMaxSkinFileBytes + 1) << SkinFileStatus::TooLarge;
        QTest::newRow("blanks only") << QByteArray(" \n\t") << SkinFileStatus::Empty;
        QTest::newRow("GBK bytes") << head + "/* \xBA\xDA */" << SkinFileStatus::NotUtf8;
        QTest::newRow("no header") << QByteArray("QLabel {}") << SkinFileStatus::NoHeader;
        QTest::newRow("header later") << "QLabel {}\n" + head << SkinFileStatus::NoHeader;
        QTest::newRow("open comment")
            << QByteArray("/* tarvio skin: x") << SkinFileStatus::NoHeader;
        QTest::newRow("no name") << QByteArray("/* tarvio skin: */") << SkinFileStatus::NoHeader;
    }
    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(SkinFileStatus, status);
        const SkinFile skin = ParseSkinFile(bytes);
        QCOMPARE(skin.status, status);
        QCOMPARE(skin.name.isEmpty(), status != SkinFileStatus::Ok);
    }

    void refusedFileChangesNothing() {
        QTemporaryDir dir;
        const QString before = QStringLiteral("QLabel { color: #123456; }");
        qApp->setStyleSheet(before);
        QVERIFY(SkinH_AttachEx(dir.filePath(QStringLiteral("none.vio")).toUtf8(), "") != 0);
        QVERIFY(SkinH_AttachEx(dir.path().toUtf8(), "") != 0);
        QVERIFY(SkinH_AttachEx(nullptr, "") != 0);
        QVERIFY(Attach(dir, QByteArray()) != 0);
        QVERIFY(Attach(dir, "QLabel { color: #ff0000; }") != 0);
        QCOMPARE(qApp->styleSheet(), before);
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox *>(window));
    }

    // A window already open, apart from the others, and one opened later
    // both wear the skin in force.
    void restylesOpenAndLaterWindows() {
        QTemporaryDir dir;
        QLabel open(QStringLiteral("  使用说明"));
        open.show();
        QVERIFY(TextColour(&open) != QColor(Qt::red));
        QCOMPARE(Attach(dir, "/* tarvio skin: r */ QLabel { color: #ff0000; }"), 0);
        QCOMPARE(TextColour(&open), QColor(Qt::red));
        QLabel later(QStringLiteral("  注意事项"));
        later.show();
        QCOMPARE(TextColour(&later), QColor(Qt::red));
        QCOMPARE(Attach(dir, "/* tarvio skin: b */ QLabel { color: #0000ff; }"), 0);
        QCOMPARE(TextColour(&open), QColor(Qt::blue));
    }

    // Every shipped skin, as the build lays it out beside the program, parses
    // without a warning on every kind of widget the program shows, keeps the
    // default font size and keeps plain-coloured text readable.
    void shippedSkin_data() {
        QTest::addColumn<QString>("fixedText");
        for (const SkinEntryInfo &entry : kSkinCatalog)
            QTest::newRow(entry.item) << QString::fromUtf8(entry.fixedText);
    }
    void shippedSkin() {
        QFETCH(QString, fixedText);
        const QString path = ProgramDirectory() + QString(fixedText).replace('\\', '/');
        QCOMPARE(ReadSkinFile(path).status, SkinFileStatus::Ok);

        QMainWindow window;
        QMenu *menu = window.menuBar()->addMenu(QStringLiteral("更换皮肤(&C)"));
        menu->addAction(QStringLiteral("恢复默认"));
        menu->addSeparator();
        auto *frame = new QGroupBox(QStringLiteral("共导入12条号码，无效号码3条"));
        window.setCentralWidget(frame);
        auto *edit = new QLineEdit(QStringLiteral("13800138000"), frame);
        auto *button = new QPushButton(QStringLiteral("导入号码"), frame);
        button->setGeometry(8, 184, 57, 17);
        auto *list = new QTreeView(frame);
        QStandardItemModel model(40, 3);
        list->setModel(&model);
        list->setCurrentIndex(model.index(2, 0));
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("保存"));
        const double pointSize = button->font().pointSizeF();

        g_warnings.clear();
        qInstallMessageHandler(&CollectWarnings);
        ApplySkin(fixedText);
        window.show();
        box.show();
        window.grab();
        menu->grab();
        box.grab();
        qInstallMessageHandler(nullptr);
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join('\n')));
        QVERIFY(!qApp->styleSheet().isEmpty());

        QList<QWidget *> widgets = window.findChildren<QWidget *>() + box.findChildren<QWidget *>();
        for (QWidget *widget : widgets)
            QVERIFY2(widget->font().pointSizeF() <= pointSize, widget->metaObject()->className());
        for (QWidget *widget : QList<QWidget *>{edit, list, &box}) {
            const QPalette p = widget->palette();
            const bool window = widget == &box;
            const QBrush ground = p.brush(window ? QPalette::Window : QPalette::Base);
            if (ground.style() != Qt::SolidPattern)
                continue;
            const double a = Luminance(p.color(window ? QPalette::WindowText : QPalette::Text));
            const double b = Luminance(ground.color());
            QVERIFY((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 4.5);
        }
    }
};

QTEST_MAIN(TestSkinEngine)
#include "tst_skinengine.moc"
