#include "numberfiles/programdirectory.h"
#include "skins/applyskin.h"
#include "skins/skincatalog.h"
#include "skins/skinfile.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTreeView>
#include <QtTest>

// The skin files as the build lays them out beside the program: every one
// must load, parse and keep the program's text readable and its small
// controls at their designed font size.
namespace {
QStringList g_warnings;

// Everything but the offscreen platform's notes about what it cannot do
// (raise a window, grab the keyboard), which have nothing to do with skins.
void CollectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (message.startsWith(QLatin1StringView("This plugin does not support")))
        return;
    g_warnings.append(message);
}

// Relative luminance and contrast ratio as WCAG defines them.
double Luminance(const QColor &colour) {
    auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double Contrast(const QColor &a, const QColor &b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A window with every kind of widget the program shows, laid out at the
// main window's fixed sizes.
struct Sampler {
    QMainWindow window;
    QMenu *menu = nullptr;
    QGroupBox *frame = nullptr;
    QLineEdit *edit = nullptr;
    QPushButton *button = nullptr;
    QTreeView *list = nullptr;
    QStandardItemModel model;
    QDialog dialog;
    QLabel *dialogLabel = nullptr;
    QMessageBox box{QMessageBox::Information, QStringLiteral("提示"),
                    QStringLiteral("请导入手机号码后再进行批量查询！"), QMessageBox::Ok};

    Sampler() {
        menu = window.menuBar()->addMenu(QStringLiteral("更换皮肤(&C)"));
        menu->addMenu(QStringLiteral("塔维1组"))->addAction(QStringLiteral("(&1)黑色钻石"));
        menu->addSeparator();
        menu->addAction(QStringLiteral("恢复默认"));
        auto *central = new QWidget;
        window.setCentralWidget(central);
        frame = new QGroupBox(QStringLiteral("共导入12条号码，无效号码3条"), central);
        frame->setGeometry(8, 8, 281, 217);
        edit = new QLineEdit(QStringLiteral("13800138000"), frame);
        edit->setGeometry(8, 16, 129, 18);
        button = new QPushButton(QStringLiteral("导入号码"), frame);
        button->setGeometry(8, 184, 57, 17);
        model.setHorizontalHeaderLabels(
            {QStringLiteral("序号"), QStringLiteral("手机号码"), QStringLiteral("归属地")});
        for (int row = 1; row <= 30; ++row)
            model.appendRow({new QStandardItem(QString::number(row)),
                             new QStandardItem(QStringLiteral("13800138000")),
                             new QStandardItem(QStringLiteral("北京 移动"))});
        list = new QTreeView(frame);
        list->setModel(&model);
        list->setGeometry(8, 40, 265, 140);
        list->setCurrentIndex(model.index(2, 0));
        dialogLabel = new QLabel(QStringLiteral("  本软件用于批量查询手机号码归属地。"), &dialog);
        dialogLabel->setWordWrap(true);
    }

    QList<QWidget *> All() {
        QList<QWidget *> widgets{&window, &dialog, &box, menu};
        for (QWidget *top : {static_cast<QWidget *>(&window), static_cast<QWidget *>(&dialog),
                             static_cast<QWidget *>(&box), static_cast<QWidget *>(menu)})
            widgets += top->findChildren<QWidget *>();
        return widgets;
    }

    // Polishes and paints everything, which is when Qt reads the sheet.
    void Render() {
        window.show();
        dialog.show();
        box.show();
        for (QWidget *widget : All()) {
            widget->ensurePolished();
            widget->style()->polish(widget);
        }
        window.grab();
        menu->grab();
        dialog.grab();
        box.grab();
    }
};

QString CaptionName(const char *caption) {
    QString name = QString::fromUtf8(caption);
    if (name.startsWith(QLatin1Char('(')))
        name = name.mid(name.indexOf(QLatin1Char(')')) + 1);
    return name;
}
} // namespace

class TestShippedSkins : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        qInstallMessageHandler(nullptr);
        qApp->setStyleSheet(QString());
    }

    void skin_data() {
        QTest::addColumn<QString>("fixedText");
        QTest::addColumn<QString>("name");
        for (const SkinEntryInfo &entry : kSkinCatalog)
            QTest::newRow(entry.item)
                << QString::fromUtf8(entry.fixedText) << CaptionName(entry.caption);
    }

    void skin() {
        QFETCH(QString, fixedText);
        QFETCH(QString, name);
        QString place = fixedText;
        place.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString path = ProgramDirectory() + place;
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));

        // The header names the skin of its menu item, so no two files are
        // swapped.
        const SkinFile file = ReadSkinFile(path);
        QCOMPARE(file.status, SkinFileStatus::Ok);
        QVERIFY2(file.name.startsWith(name), qPrintable(file.name));

        Sampler sampler;
        const double designedPointSize = sampler.button->font().pointSizeF();
        g_warnings.clear();
        qInstallMessageHandler(&CollectWarnings);
        ApplySkin(fixedText);
        sampler.Render();
        qInstallMessageHandler(nullptr);
        QCOMPARE(qApp->styleSheet(), file.styleSheet);
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));

        for (QWidget *widget : sampler.All())
            QVERIFY2(widget->font().pointSizeF() <= designedPointSize,
                     widget->metaObject()->className());

        // Text against its own background, wherever the skin gives a plain
        // colour (gradients are checked by eye).
        const struct {
            QWidget *widget;
            QPalette::ColorRole text, ground;
        } pairs[] = {
            {sampler.edit, QPalette::Text, QPalette::Base},
            {sampler.list, QPalette::Text, QPalette::Base},
            {sampler.dialogLabel, QPalette::WindowText, QPalette::Window},
            {&sampler.dialog, QPalette::WindowText, QPalette::Window},
            {&sampler.window, QPalette::WindowText, QPalette::Window},
        };
        for (const auto &pair : pairs) {
            const QPalette palette = pair.widget->palette();
            const QBrush ground = palette.brush(pair.ground);
            if (ground.style() != Qt::SolidPattern || ground.color().alpha() < 255)
                continue;
            const double ratio = Contrast(palette.color(pair.text), ground.color());
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2")
                                                  .arg(pair.widget->metaObject()->className())
                                                  .arg(ratio)));
        }
    }
};

QTEST_MAIN(TestShippedSkins)
#include "tst_shippedskins.moc"
