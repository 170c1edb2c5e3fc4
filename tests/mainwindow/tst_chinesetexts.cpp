// What Qt draws for the program speaks Chinese whatever the locale (ctest runs
// this under C.UTF-8 and en_US.UTF-8): the real box, dialogs and menu, read back.
#include "chineseqttexts.h"
#include "filedialog.h"
#include "mainwindow.h"
#include "prompt.h"
#include "resultlistmodel.h"

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Whether text holds a Latin letter, and whether a Chinese character.
std::pair<bool, bool> LatinAndHan(const QString &text) {
    bool latin = false, han = false;
    for (const QChar c : text) {
        latin = latin || (c.script() == QChar::Script_Latin && c.isLetter());
        han = han || c.script() == QChar::Script_Han;
    }
    return {latin, han};
}

// Chinese and no Latin letter, but for an access key "(&O)" and a shortcut after a tab.
bool IsChinese(const QString &text) {
    QString words = text.section(QLatin1Char('\t'), 0, 0);
    words.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    const auto [latin, han] = LatinAndHan(words);
    return han && !latin;
}

// Labels, buttons, tool tips, menu items, column headers, and the folder type.
QStringList ShownTexts(QWidget *window) {
    QStringList texts;
    for (QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        texts << button->text() << button->toolTip();
    for (QAction *action : window->actions())
        texts << action->text();
    for (QHeaderView *header : window->findChildren<QHeaderView *>())
        for (int section = 0; section < header->count(); ++section)
            texts << header->model()->headerData(section, header->orientation()).toString();
    if (auto *dialog = qobject_cast<QFileDialog *>(window))
        texts << dialog->iconProvider()->type(QFileInfo(QDir::tempPath()));
    texts.removeAll(QString());
    return texts;
}

// Hands the next popup or modal window to inspect, then closes it (for 5 s at most).
void InspectWhenShown(QObject *owner, const std::function<void(QWidget *)> &inspect,
                      int triesLeft = 500) {
    QTimer::singleShot(10, owner, [owner, inspect, triesLeft] {
        QWidget *shown = QApplication::activePopupWidget();
        if (!shown)
            shown = QApplication::activeModalWidget();
        if (shown && shown->isVisible()) {
            inspect(shown);
            shown->close();
        } else if (triesLeft > 0) {
            InspectWhenShown(owner, inspect, triesLeft - 1);
        }
    });
}

// Every cell but the name of each row the dialog's file list shows of dir.
QStringList FileCells(QFileDialog *dialog, const QString &dir) {
    dialog->setDirectory(dir);
    auto *view = dialog->findChild<QTreeView *>();
    if (!view)
        return {};
    QAbstractItemModel *files = view->model();
    QStringList cells;
    // A thread of Qt's fills the list, then its sizes and times.
    for (int tries = 0; tries < 500; ++tries) {
        QTest::qWait(10);
        const QModelIndex root = view->rootIndex();
        const int rows = files->rowCount(root);
        const int columns = files->columnCount(root);
        cells.clear();
        bool timed = rows > 0;
        for (int row = 0; row < rows; ++row) {
            for (int column = 1; column < columns; ++column)
                cells << files->index(row, column, root).data().toString();
            timed = timed && !cells.last().isEmpty();
        }
        cells.removeAll(QString()); // a folder's size
        if (timed)
            break;
    }
    return cells;
}
} // namespace

class TestChineseTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void qtTextsAreChinese_data();
    void qtTextsAreChinese();
};

void TestChineseTexts::initTestCase() {
    qInfo("system locale %s", qPrintable(QLocale::system().name()));
    QVERIFY(UseChineseQtTexts());
    MessageBox::Reset();
    FileDialog::Reset();
}

void TestChineseTexts::qtTextsAreChinese_data() {
    QTest::addColumn<QString>("opener"); // a button, a menu item, or the box right-clicked
    QTest::addColumn<QString>("title");  // our own texts stay as they are
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<int>("atLeast"); // texts that must have been read
    QTest::newRow("message box") << u"batch"_s << QStringLiteral("提示") << QStringList() << 2;
    // Open, cancel, 3 labels, 6 tool buttons, 4 columns, a folder.
    QTest::newRow("file dialog") << u"import"_s << QStringLiteral("请选择文件")
                                 << QStringList{QStringLiteral("文本文件(*.txt)"),
                                                QStringLiteral("CSV 文件(*.csv)"),
                                                QStringLiteral("Excel 工作簿(*.xlsx *.xls)")}
                                 << 15;
    QTest::newRow("save dialog") << u"ExportPhone"_s << QStringLiteral("导出结果")
                                 << QStringList{QStringLiteral("Excel 工作簿(*.xlsx)"),
                                                QStringLiteral("CSV 文件(*.csv)")}
                                 << 15;
    QTest::newRow("province save dialog")
        << u"ProvinceExport"_s << QStringLiteral("分类导出")
        << QStringList{QStringLiteral("Excel 工作簿(*.xlsx)")} << 15;
    // Undo, redo, cut, copy, paste, delete, select all.
    QTest::newRow("number box menu") << u"SinglePhone"_s << QString() << QStringList() << 7;
}

void TestChineseTexts::qtTextsAreChinese() {
    QFETCH(QString, opener);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool seen = false;
    QString title;
    QStringList filters, texts, fileCells;
    // A folder and a file of each kind the dialogs offer.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("已查询")));
    for (const char *name : {"号码.txt", "号码.csv", "客户名单.xlsx"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("13912345678\r\n13800138000\r\n");
    }
    QObject inspection; // ends the waiting with this test row
    InspectWhenShown(&inspection, [&](QWidget *shown) {
        seen = true;
        title = shown->windowTitle();
        if (auto *dialog = qobject_cast<QFileDialog *>(shown)) {
            filters = dialog->nameFilters();
            fileCells = FileCells(dialog, dir.path());
        }
        texts = ShownTexts(shown);
    });
    if (auto *button = window.findChild<QPushButton *>(opener)) {
        QTest::mouseClick(button, Qt::LeftButton); // on an empty list
    } else if (auto *item = window.findChild<QAction *>(opener)) {
        window.ListModel()->AppendRows({{u"1"_s, u"13800138000"_s, u"北京 移动"_s}});
        item->trigger();
    } else {
        auto *box = window.findChild<QLineEdit *>(opener);
        const QPoint at = box->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, box->mapToGlobal(at));
        QCoreApplication::sendEvent(box, &event);
    }
    QTRY_VERIFY(seen);

    QTEST(title, "title");
    QTEST(filters, "filters");
    QStringList english;
    for (const QString &text : texts)
        if (!IsChinese(text))
            english << text;
    QVERIFY2(english.isEmpty(), qPrintable(english.join(QLatin1Char('\n'))));
    // Sizes, types and times: Chinese ("Excel 2007 电子表格") or digits, not "26 bytes".
    for (const QString &cell : fileCells)
        if (LatinAndHan(cell) == std::pair(true, false))
            english << cell;
    QVERIFY2(english.isEmpty(), qPrintable(english.join(QLatin1Char('\n'))));
    if (!filters.isEmpty())
        QVERIFY2(fileCells.size() >= 3, qPrintable(fileCells.join(QLatin1Char('\n'))));
    QFETCH(int, atLeast);
    QVERIFY2(texts.size() >= atLeast, qPrintable(texts.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestChineseTexts)
#include "tst_chinesetexts.moc"
