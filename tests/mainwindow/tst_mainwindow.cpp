#include "barchart.h"
#include "filedialog.h"
#include "infowindows.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "phonestatswindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "resultlistview.h"
#include "skincatalog.h"
#include "twowayrows.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Reply = LoopbackServer::Reply;

namespace {
Reply Body(const QByteArray &body, bool drop = false) {
    Reply r;
    r.body = body;
    r.dropConnection = drop;
    return r;
}
const QByteArray kNoMarker = UnknownZoneAnswer();
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void designedStartState();
    void singleQuery_data();
    void singleQuery();
    void doubleClickCopiesAndHoverSelects();
    void filterShowsItsOwnWindow();
    void buttonsAndMenuItemsRunTheSameCommands_data();
    void buttonsAndMenuItemsRunTheSameCommands();
    void exitLeavesInformationWindowsOpen();
    void phoneStatsOpensOnce();

private:
    QPushButton *Button(const char *name) const {
        return m_window->findChild<QPushButton *>(QLatin1String(name));
    }
    QLineEdit *NumberBox() const {
        return m_window->findChild<QLineEdit *>(QStringLiteral("SinglePhone"));
    }
    void AddRows(const QStringList &numbers, const QStringList &locations = {}) {
        QList<ResultRow> rows;
        for (int i = 0; i < numbers.size(); ++i)
            rows.append({QString::number(i + 1), numbers[i], locations.value(i)});
        m_window->ListModel()->AppendRows(rows);
    }
    // A real double click ends with a release (QTest's leaves the button held).
    static void DoubleClick(QWidget *widget, QPoint pos) {
        QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
    }

    LoopbackServer *m_server = nullptr;
    MainWindow *m_window = nullptr;
};

void TestMainWindow::init() {
    MessageBox::AnswerOkUnseen();
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_window = new MainWindow(m_server->HostAndPort(), 3000);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestMainWindow::cleanup() {
    delete m_window;
    delete m_server;
    MessageBox::Reset();
    FileDialog::Reset();
    SetProgramDirectory(QString());
}

void TestMainWindow::designedStartState() {
    QCOMPARE(m_window->windowTitle(), QStringLiteral("塔维手机归属地批量查询"));
    QCOMPARE(m_window->centralWidget()->size(), QSize(297, 290));
    QCOMPARE(m_window->ListModel()->ColumnTitles(),
             (QStringList{u"序号"_s, u"手机号码"_s, u"归属地"_s}));
    QCOMPARE(QApplication::focusWidget(), NumberBox());

    QTest::keyClicks(NumberBox(), QStringLiteral("138001380001"));
    QCOMPARE(NumberBox()->text(), QStringLiteral("13800138000"));
    // No default button: Enter and Esc do nothing.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(NumberBox(), key);
    QCOMPARE(m_server->RequestCount(), 0);
    QVERIFY(MessageBox::Texts().isEmpty());
    QVERIFY(m_window->isVisible());

    QStringList order{NumberBox()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order, (QStringList{u"SinglePhone"_s, u"seach"_s, u"import"_s, u"batch"_s, u"save"_s,
                                 u"lv"_s, u"ClearLV"_s}));

    // One line per menu: its title, then its items (a separator as "-").
    QStringList lines;
    QList<QAction *> menus = m_window->menuBar()->actions();
    for (int i = 0; i < menus.size(); ++i) {
        QString line = menus[i]->text() + QLatin1Char(':');
        for (QAction *a : menus[i]->menu()->actions()) {
            // Ctrl+V is 粘贴号码's; no other item has a key of its own.
            QCOMPARE(a->shortcut(), a->objectName() == u"PastePhone"_s
                                        ? QKeySequence(Qt::CTRL | Qt::Key_V)
                                        : QKeySequence());
            QVERIFY(a->isEnabled() && a->isVisible());
            line += QLatin1Char(' ') + (a->isSeparator() ? QStringLiteral("-") : a->text());
            if (a->menu())
                menus.append(a);
        }
        lines.append(line);
    }
    // The catalog's skins, each in its group or after the groups.
    QString skinLine = QStringLiteral("更换皮肤(&C): 塔维1组 塔维2组 塔维3组 -");
    QStringList groupLines{u"塔维1组:"_s, u"塔维2组:"_s, u"塔维3组:"_s};
    for (const SkinEntryInfo &entry : kSkinCatalog)
        (entry.group > 0 ? groupLines[entry.group - 1] : skinLine) +=
            QLatin1Char(' ') + QString::fromUtf8(entry.caption);
    QCOMPARE(lines, (QStringList{u"系统(&S): 导入号码(&I) 粘贴号码(&P) 去除重复号码(&D) "
                                 u"批量查询(&B) 保存结果(&S) 导出结果(&X) "
                                 "分类导出(&G) 号码统计(&T) - 退出(&E)"_s,
                                 skinLine, u"关于(&A): 使用说明 注意事项 关于作者"_s} +
                     groupLines));
}

void TestMainWindow::singleQuery_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("caption"); // set only once both input checks pass
    QTest::addColumn<QString>("location");

    const QString none, busy = QStringLiteral("正在查询请稍后……");
    const Reply answer = Body(ZoneAnswer(u"13800138000"_s, u"北京"_s, u"中国移动"_s));
    QTest::newRow("accepted") << "13800138000" << answer << none << "查询成功，归属地为北京移动"
                              << "北京 移动";
    QTest::newRow("empty") << none << Reply() << "请不要输入非法字符！" << none << none;
    QTest::newRow("non-numeric and short, the characters named first")
        << "abc" << Reply() << "请不要输入非法字符！" << none << none;
    QTest::newRow("five digits") << "13800" << Reply() << "请输入11位有效手机号码！" << none
                                 << none;
    QTest::newRow("refused answer")
        << "13800138000" << Body(kNoMarker) << "号码输入有误，请输入11位手机号！" << busy << none;
    QTest::newRow("failed transfer")
        << "13800138000" << Body({}, true) << "网络连接失败，请检查网络后重试！" << busy << none;
}

void TestMainWindow::singleQuery() {
    QFETCH(QString, typed);
    QFETCH(Reply, reply);
    QFETCH(QString, prompt);
    QFETCH(QString, caption);
    QFETCH(QString, location);
    m_server->SetHandler([reply](const LoopbackServer::Request &) { return reply; });
    AddRows({u"13900139000"_s, u"13000130000"_s}, {u"a"_s, u"b"_s});

    NumberBox()->setText(typed);
    QTest::mouseClick(Button("seach"), Qt::LeftButton);

    QCOMPARE(MessageBox::Texts(), prompt.isEmpty() ? QStringList() : QStringList{prompt});
    QCOMPARE(m_window->Frame1Box()->title(), caption);
    // After a dropped connection Qt may send the request once more.
    QCOMPARE(m_server->RequestCount() > 0, !caption.isEmpty());
    if (!caption.isEmpty())
        QCOMPARE(m_server->Requests().first().tel, typed);
    // A query that passes both input checks replaces the list.
    ResultListModel *list = m_window->ListModel();
    QCOMPARE(list->Count(), caption.isEmpty() ? 2 : location.isEmpty() ? 0 : 1);
    if (!location.isEmpty()) {
        const QStringList row{list->Text(1), list->Number(1), list->Location(1)};
        QCOMPARE(row, (QStringList{u"1"_s, typed, location}));
    }

    // Clearing empties the list and the batch caption, never the query caption.
    m_window->Frame2Box()->setTitle(QStringLiteral("共导入1条号码，无效号码0条"));
    QTest::mouseClick(Button("ClearLV"), Qt::LeftButton);
    QCOMPARE(list->Count(), 0);
    QVERIFY(m_window->Frame2Box()->title().isEmpty());
    QCOMPARE(m_window->Frame1Box()->title(), caption);
}

void TestMainWindow::doubleClickCopiesAndHoverSelects() {
    QClipboard *clipboard = QGuiApplication::clipboard();
    ResultListView *view = m_window->ListView();
    auto *html = new QMimeData;
    html->setHtml(QStringLiteral("<b>old</b>"));
    clipboard->setMimeData(html);
    DoubleClick(view->viewport(), QPoint(20, 20)); // on an empty list
    QVERIFY(MessageBox::Texts().isEmpty());
    QVERIFY(clipboard->mimeData()->hasHtml());

    const QString number = QStringLiteral(" 1380013800"); // copied as it stands
    AddRows({u"13900139000"_s, number, u"13000130000"_s}, {u""_s, u"北京 移动"_s});
    DoubleClick(view->viewport(), view->visualRect(m_window->ListModel()->index(1, 1)).center());
    QCOMPARE(view->SelectedRow(), 1);
    QCOMPARE(clipboard->text(), number);
    QVERIFY(!clipboard->mimeData()->hasHtml());
    QCOMPARE(MessageBox::Texts(), QStringList{u"手机号"_s + number + u"已复制到剪切板！"_s});

    // Below the rows it still copies the selected row.
    clipboard->clear();
    DoubleClick(view->viewport(), QPoint(10, view->viewport()->height() - 3));
    QCOMPARE(MessageBox::Texts().size(), 2);
    QCOMPARE(clipboard->text(), number);

    // The resting pointer selects its row, also right after a double click.
    QTest::mouseMove(view->viewport(),
                     view->visualRect(m_window->ListModel()->index(2, 0)).center());
    QTRY_COMPARE(view->HotRow(), 2);
    QTRY_COMPARE(view->SelectedRow(), 2);
}

// The filter's distinct locations show in one ownerless window (rows: tst_listcommands).
void TestMainWindow::filterShowsItsOwnWindow() {
    const QStringList before{u"北京 移动"_s, u" 北京 移动 "_s, u"浙江 联通"_s};
    const QStringList distinct{u"北京 移动"_s, u"浙江 联通"_s};
    const auto shownWindows = [] {
        QWidgetList shown;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowTitle() == QStringLiteral("筛选结果"))
                shown.append(w);
        }
        return shown;
    };
    AddRows(before, before);
    Button("Command1")->click();
    QStringList listed;
    const QWidgetList windows = shownWindows();
    QCOMPARE(windows.size(), 1);
    QVERIFY(!windows[0]->parentWidget());
    auto *list = windows[0]->findChild<QListWidget *>();
    for (int i = 0; i < list->count(); ++i)
        listed.append(list->item(i)->text());
    QCOMPARE(listed, distinct);

    // Filtering again reuses the open window.
    Button("Command1")->click();
    QCOMPARE(shownWindows(), windows);
    QCOMPARE(list->count(), distinct.size());
    windows[0]->close();
}

void TestMainWindow::buttonsAndMenuItemsRunTheSameCommands_data() {
    AddTwoWayRows("byMenu", "buttons", "menu items");
}

void TestMainWindow::buttonsAndMenuItemsRunTheSameCommands() {
    QFETCH(bool, byMenu);
    const auto run = [&](const char *buttonName, const char *actionName) {
        if (byMenu)
            m_window->findChild<QAction *>(QLatin1String(actionName))->trigger();
        else
            QTest::mouseClick(Button(buttonName), Qt::LeftButton);
    };
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    const QString numbers = dir.filePath(QStringLiteral("numbers.txt"));
    QFile file(numbers);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("13800138000\n12345\n13900139000\n"));
    file.close();
    FileDialog::SetNextFileName(numbers);
    m_server->SetHandler([](const LoopbackServer::Request &req) {
        return Body(req.tel == u"13800138000"_s ? kNoMarker
                                                : ZoneAnswer(req.tel, u"浙江"_s, u"中国联通"_s));
    });

    run("save", "SavePhone");
    run("batch", "BatchQuery");
    run("import", "ImportPhone");
    QCOMPARE(m_window->Frame2Box()->title(), QStringLiteral("共导入2条号码，无效号码1条"));
    run("save", "SavePhone");
    run("batch", "BatchQuery");
    QCOMPARE(m_window->Frame2Box()->title(), QStringLiteral("查询完毕，成功1条，失败1条"));
    run("save", "SavePhone");
    QCOMPARE(MessageBox::Texts(),
             (QStringList{u"你还没有导入号码呢！"_s, u"请导入手机号码后再进行批量查询！"_s,
                          u"你还没有查询呢！"_s, u"你还没有查询呢！"_s}));
}

void TestMainWindow::exitLeavesInformationWindowsOpen() {
    m_window->findChild<QAction *>(QStringLiteral("Declare"))->trigger();
    QPointer<QWidget> notes = OpenUsageNotes();
    QVERIFY(notes && notes->isVisible() && !notes->parentWidget());

    // Alt+S, E: 系统 › 退出.
    auto *system = m_window->findChild<QMenu *>(QStringLiteral("System"));
    QTest::keyClick(m_window, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(system->isVisible());
    QTest::keyClick(system, Qt::Key_E);
    QTRY_VERIFY(!m_window->isVisible());
    QVERIFY(notes->isVisible());
    notes->close();
}

// 号码统计 opens one window, closing with the main window (more: tst_phonestatswindow).
void TestMainWindow::phoneStatsOpensOnce() {
    AddRows({u"13800138000"_s, u"13900139000"_s, u"13000130000"_s});
    auto *item = m_window->findChild<QAction *>(QStringLiteral("PhoneStats"));
    item->trigger();
    QPointer<PhoneStatsWindow> stats = m_window->findChild<PhoneStatsWindow *>();
    QVERIFY(stats && stats->isVisible() && stats->isWindow());
    QCOMPARE(stats->ProvinceChart()->Lines(), QStringList{u"未查到 3 条 (100.0%)"_s});
    item->trigger(); // raises the one open
    QCOMPARE(m_window->findChildren<PhoneStatsWindow *>().size(), 1);
    m_window->close();
    QTRY_VERIFY(!stats);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
