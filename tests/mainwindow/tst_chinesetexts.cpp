// What Qt draws for the program speaks Chinese whatever the user's locale.
// ctest runs this twice, under LANG=C.UTF-8 and under LANG=en_US.UTF-8; the
// real boxes, dialog and menu are opened from the main window and read back.
#include "base/chineseqttexts.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/prompt.h"
#include "numberfiles/filedialog.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <functional>

namespace {

// Qt's Chinese texts keep an access key as "(&O)" and a shortcut after a tab.
// What is left must hold Chinese and no Latin letter.
bool IsChinese(const QString &text) {
    QString words = text.section(QLatin1Char('\t'), 0, 0);
    words.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    bool han = false;
    for (const QChar c : words) {
        if (c.script() == QChar::Script_Han)
            han = true;
        else if (c.script() == QChar::Script_Latin && c.isLetter())
            return false;
    }
    return han;
}

// Collects texts that fail IsChinese, each with where it was found.
struct TextCheck {
    QStringList english;
    void operator()(const QString &where, const QString &text) {
        if (!text.isEmpty() && !IsChinese(text))
            english.append(where + QStringLiteral(": ") + text);
    }
};

// Waits for a window of type T to appear (a modal box runs its own event
// loop, so this must be armed before the command that opens it), hands it to
// inspect and closes it. Gives up after about five seconds.
template <typename T> void InspectWhenShown(std::function<void(T *)> inspect, int triesLeft = 500) {
    QTimer::singleShot(10, [inspect, triesLeft] {
        T *found = qobject_cast<T *>(QApplication::activePopupWidget());
        if (!found)
            found = qobject_cast<T *>(QApplication::activeModalWidget());
        if (found && found->isVisible()) {
            inspect(found);
            found->close();
        } else if (triesLeft > 0) {
            InspectWhenShown<T>(inspect, triesLeft - 1);
        }
    });
}

} // namespace

class TestChineseTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void messageBoxButton();
    void fileDialog();
    void numberBoxContextMenu();

private:
    QPointer<MainWindow> m_window;
};

void TestChineseTexts::initTestCase() {
    qInfo("system locale %s", qPrintable(QLocale::system().name()));
    QVERIFY(UseChineseQtTexts());
    // The real box and dialog, not the test stand-ins.
    SetPromptHook({});
    SetFileChooserHook({});
}

void TestChineseTexts::init() {
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestChineseTexts::cleanup() {
    delete m_window;
}

void TestChineseTexts::messageBoxButton() {
    bool seen = false;
    InspectWhenShown<QMessageBox>([&seen](QMessageBox *box) {
        seen = true;
        QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
        QCOMPARE(box->text(), QStringLiteral("请导入手机号码后再进行批量查询！"));
        QCOMPARE(box->buttons().size(), 1);
        const QString button = box->buttons().first()->text();
        QVERIFY2(IsChinese(button), qPrintable(button));
    });
    // A batch over an empty list answers with a message.
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("batch")), Qt::LeftButton);
    QVERIFY(seen);
}

void TestChineseTexts::fileDialog() {
    bool seen = false;
    TextCheck check;
    InspectWhenShown<QFileDialog>([&](QFileDialog *dialog) {
        seen = true;
        // Our own texts stay exactly as they are.
        QCOMPARE(dialog->windowTitle(), QStringLiteral("请选择文件"));
        QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("文本文件(*.txt)")});

        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QSet<QDialogButtonBox::ButtonRole> roles;
        for (QAbstractButton *button : buttons->buttons()) {
            roles.insert(buttons->buttonRole(button));
            check(QStringLiteral("button"), button->text());
        }
        QCOMPARE(roles, (QSet{QDialogButtonBox::AcceptRole, QDialogButtonBox::RejectRole}));
        const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
        QVERIFY(labels.size() >= 3); // look in, file name, files of type
        for (QLabel *label : labels)
            check(QStringLiteral("label"), label->text());
        for (QToolButton *tool : dialog->findChildren<QToolButton *>())
            check(QStringLiteral("tool tip"), tool->toolTip());
        // The column headers of the detail view.
        const QAbstractItemModel *files = dialog->findChild<QTreeView *>()->model();
        QVERIFY(files->columnCount() >= 4);
        for (int column = 0; column < files->columnCount(); ++column)
            check(QStringLiteral("column"), files->headerData(column, Qt::Horizontal).toString());
    });
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("import")), Qt::LeftButton);
    QVERIFY(seen);
    QVERIFY2(check.english.isEmpty(), qPrintable(check.english.join(u'\n')));
}

void TestChineseTexts::numberBoxContextMenu() {
    auto *box = m_window->findChild<QLineEdit *>(QStringLiteral("SinglePhone"));
    box->setText(QStringLiteral("13800138000")); // so that every item has something to act on
    int items = 0;
    TextCheck check;
    InspectWhenShown<QMenu>([&](QMenu *menu) {
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            ++items;
            check(QStringLiteral("item"), action->text());
        }
    });
    // What a right click on the box delivers.
    const QPoint at = box->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, box->mapToGlobal(at));
    QCoreApplication::sendEvent(box, &event);
    QTRY_VERIFY(items > 0);
    // Undo, redo, cut, copy, paste, delete, select all.
    QVERIFY(items >= 7);
    QVERIFY2(check.english.isEmpty(), qPrintable(check.english.join(u'\n')));
}

QTEST_MAIN(TestChineseTexts)
#include "tst_chinesetexts.moc"
