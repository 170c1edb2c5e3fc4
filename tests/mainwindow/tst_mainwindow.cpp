#include "infowindows/infowindows.h"
#include "loopbackserver.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/prompt.h"
#include "mainwindow/resultlistmodel.h"
#include "mainwindow/resultlistview.h"
#include "numberfiles/filedialog.h"
#include "numberfiles/programdirectory.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using Reply = LoopbackServer::Reply;

namespace {
Reply Answer(const QString &province, const QString &catName) {
    Reply r;
    r.body = ZoneAnswer(QStringLiteral("13800138000"), province, catName);
    return r;
}

Reply NoMarker() {
    Reply r;
    r.body = "zone = {\n\terror:'unknown'\n}";
    return r;
}

Reply Dropped() {
    Reply r;
    r.dropConnection = true;
    return r;
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void startsEmptyWithFocusInTheNumberBox();
    void tabOrder();
    void menuTree();
    void numberBoxTakesElevenCharacters();
    void enterStartsNothing();
    void singleQuery_data();
    void singleQuery();
    void singleQueryReplacesTheList();
    void clearKeepsTheQueryCaption();
    void copyPutsTheNumberOnTheClipboard_data();
    void copyPutsTheNumberOnTheClipboard();
    void copyWithoutRowsDoesNothing();
    void restingPointerSelectsItsRow();
    void filterKeepsTheLastOfEachLocation();
    void accessKeysOpenTheMenus();
    void buttonsAndMenuItemsRunTheSameCommands_data();
    void buttonsAndMenuItemsRunTheSameCommands();
    void exitLeavesInformationWindowsOpen();

private:
    QPushButton *button(const char *name) const {
        return m_window->findChild<QPushButton *>(QLatin1String(name));
    }
    QLineEdit *numberBox() const {
        return m_window->findChild<QLineEdit *>(QStringLiteral("SinglePhone"));
    }
    void addRows(const QStringList &numbers, const QStringList &locations = {}) {
        QList<ResultRow> rows;
        for (int i = 0; i < numbers.size(); ++i)
            rows.append({QString::number(i + 1), numbers[i], locations.value(i)});
        m_window->resultList()->AppendRows(rows);
    }
    QStringList prompts() const { return m_prompts; }
    // QTest's widget double click leaves its button marked as held; a real
    // double click ends with a release, and later pointer moves must not
    // look like a drag.
    static void doubleClick(QWidget *widget, QPoint pos) {
        QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
    }

    LoopbackServer *m_server = nullptr;
    MainWindow *m_window = nullptr;
    QStringList m_prompts;
};

void TestMainWindow::init() {
    m_prompts.clear();
    SetPromptHook([this](const QString &text) { m_prompts.append(text); });
    m_server = new LoopbackServer;
    QVERIFY(m_server->start());
    m_window = new MainWindow;
    m_window->SetServiceHost(m_server->hostAndPort(), 3000);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestMainWindow::cleanup() {
    delete m_window;
    delete m_server;
    SetPromptHook({});
}

void TestMainWindow::startsEmptyWithFocusInTheNumberBox() {
    QCOMPARE(m_window->windowTitle(), QStringLiteral("塔维手机归属地批量查询"));
    QCOMPARE(m_window->centralWidget()->size(), QSize(297, 290));
    ResultListModel *list = m_window->resultList();
    QCOMPARE(list->Count(), 0);
    QCOMPARE(list->ColumnTitles(), (QStringList{QStringLiteral("序号"), QStringLiteral("手机号码"),
                                                QStringLiteral("归属地")}));
    QHeaderView *header = m_window->listView()->header();
    QCOMPARE(header->sectionSize(0), 60);
    QCOMPARE(header->sectionSize(1), 93);
    QCOMPARE(header->sectionSize(2), 107);
    QVERIFY(!header->sectionsClickable());
    QVERIFY(m_window->frame1()->title().isEmpty());
    QVERIFY(m_window->frame2()->title().isEmpty());
    QCOMPARE(QApplication::focusWidget(), numberBox());
    // The out-of-view controls really are out of view.
    const QRect client = m_window->centralWidget()->rect();
    for (const char *name : {"Command1", "Frame3", "Frame4"}) {
        QWidget *w = m_window->findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(w, name);
        QVERIFY2(!client.intersects(w->geometry()), name);
    }
    for (QPushButton *b : m_window->findChildren<QPushButton *>())
        QVERIFY(!b->isDefault() && !b->autoDefault());
}

void TestMainWindow::tabOrder() {
    QStringList order;
    QWidget *w = numberBox();
    for (int i = 0; i < 7; ++i) {
        order.append(w->objectName());
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || w->objectName().isEmpty() ||
               w->objectName() == QLatin1String("qt_scrollarea_viewport"))
            w = w->nextInFocusChain();
    }
    QCOMPARE(order,
             (QStringList{"SinglePhone", "seach", "import", "batch", "save", "lv", "ClearLV"}));
}

void TestMainWindow::menuTree() {
    QStringList lines;
    std::function<void(QMenu *, const QString &)> walk = [&](QMenu *menu, const QString &indent) {
        for (QAction *a : menu->actions()) {
            QVERIFY(a->shortcut().isEmpty());
            QVERIFY(!a->isCheckable());
            QVERIFY(a->isEnabled() && a->isVisible());
            lines.append(indent + (a->isSeparator() ? QStringLiteral("-") : a->text()));
            if (a->menu())
                walk(a->menu(), indent + QStringLiteral("  "));
        }
    };
    for (QAction *top : m_window->menuBar()->actions()) {
        lines.append(top->text());
        walk(top->menu(), QStringLiteral("  "));
    }
    const QStringList expected{"系统(&S)",
                               "  导入号码(&I)",
                               "  批量查询(&B)",
                               "  保存结果(&S)",
                               "  -",
                               "  退出(&E)",
                               "更换皮肤(&C)",
                               "  塔维1组",
                               "    (&1)黑色钻石",
                               "    (&2)灰色颓废",
                               "    (&3)简谱积木",
                               "  塔维2组",
                               "    (&1)精仿华硕",
                               "    (&2)蓝色经典",
                               "    (&3)视觉冲击",
                               "  塔维3组",
                               "    (&1)温暖木雕",
                               "    (&2)炫酷水晶",
                               "    (&3)炫绿亮彩",
                               "  -",
                               "  恢复默认",
                               "关于(&A)",
                               "  使用说明",
                               "  注意事项",
                               "  关于作者"};
    QCOMPARE(lines, expected);
}

void TestMainWindow::numberBoxTakesElevenCharacters() {
    QTest::keyClicks(numberBox(), QStringLiteral("138001380001"));
    QCOMPARE(numberBox()->text(), QStringLiteral("13800138000"));
}

void TestMainWindow::enterStartsNothing() {
    numberBox()->setText(QStringLiteral("13800138000"));
    QTest::keyClick(numberBox(), Qt::Key_Return);
    QTest::keyClick(numberBox(), Qt::Key_Enter);
    QTest::keyClick(numberBox(), Qt::Key_Escape);
    QCOMPARE(m_server->requestCount(), 0);
    QVERIFY(prompts().isEmpty());
    QVERIFY(m_window->isVisible());
}

void TestMainWindow::singleQuery_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("location");
    QTest::addColumn<int>("requests");

    QTest::newRow("accepted") << "13800138000" << Answer("北京", "中国移动") << ""
                              << "查询成功，归属地为北京移动"
                              << "北京 移动" << 1;
    QTest::newRow("decimal point sent as typed")
        << "13800.13800" << Answer("广东", "中国联通") << ""
        << "查询成功，归属地为广东联通"
        << "广东 联通" << 1;
    QTest::newRow("empty box") << "" << Reply() << "请不要输入非法字符！"
                               << ""
                               << "" << 0;
    QTest::newRow("letters and digits") << "1380013800a" << Reply() << "请不要输入非法字符！"
                                        << ""
                                        << "" << 0;
    QTest::newRow("non-numeric and short") << "abc" << Reply() << "请不要输入非法字符！"
                                           << ""
                                           << "" << 0;
    QTest::newRow("five digits") << "13800" << Reply() << "请输入11位有效手机号码！"
                                 << ""
                                 << "" << 0;
    QTest::newRow("refused answer")
        << "13800138000" << NoMarker() << "号码输入有误，请输入11位手机号！"
        << "正在查询请稍后……"
        << "" << 1;
    QTest::newRow("failed transfer")
        << "13800138000" << Dropped() << "网络连接失败，请检查网络后重试！"
        << "正在查询请稍后……"
        << "" << -1;
}

void TestMainWindow::singleQuery() {
    QFETCH(QString, typed);
    QFETCH(Reply, reply);
    QFETCH(QString, prompt);
    QFETCH(QString, caption);
    QFETCH(QString, location);
    QFETCH(int, requests);
    m_server->setHandler([reply](const LoopbackServer::Request &) { return reply; });

    numberBox()->setText(typed);
    QTest::mouseClick(button("seach"), Qt::LeftButton);

    QCOMPARE(prompts(), prompt.isEmpty() ? QStringList() : QStringList{prompt});
    QCOMPARE(m_window->frame1()->title(), caption);
    if (requests >= 0)
        QCOMPARE(m_server->requestCount(), requests);
    if (requests > 0)
        QCOMPARE(m_server->requests().first().tel, typed);
    ResultListModel *list = m_window->resultList();
    if (location.isEmpty()) {
        QCOMPARE(list->Count(), 0);
    } else {
        QCOMPARE(list->Count(), 1);
        QCOMPARE(list->Text(1), QStringLiteral("1"));
        QCOMPARE(list->Number(1), typed);
        QCOMPARE(list->Location(1), location);
    }
}

void TestMainWindow::singleQueryReplacesTheList() {
    addRows({"13800138000", "13900139000", "13000130000"}, {"a", "b", "c"});
    m_server->enqueue(Answer(QStringLiteral("浙江"), QStringLiteral("中国电信")));
    numberBox()->setText(QStringLiteral("18900189000"));
    QTest::mouseClick(button("seach"), Qt::LeftButton);
    ResultListModel *list = m_window->resultList();
    QCOMPARE(list->Count(), 1);
    QCOMPARE(list->Text(1), QStringLiteral("1"));
    QCOMPARE(list->Location(1), QStringLiteral("浙江 电信"));

    // Refused or not, the old rows are gone once both checks pass.
    addRows({"13800138000"});
    m_server->enqueue(NoMarker());
    QTest::mouseClick(button("seach"), Qt::LeftButton);
    QCOMPARE(list->Count(), 0);
}

void TestMainWindow::clearKeepsTheQueryCaption() {
    m_server->enqueue(Answer(QStringLiteral("北京"), QStringLiteral("中国移动")));
    numberBox()->setText(QStringLiteral("13800138000"));
    QTest::mouseClick(button("seach"), Qt::LeftButton);
    m_window->frame2()->setTitle(QStringLiteral("共导入1条号码，无效号码0条"));

    QTest::mouseClick(button("ClearLV"), Qt::LeftButton);
    QCOMPARE(m_window->resultList()->Count(), 0);
    QVERIFY(m_window->frame2()->title().isEmpty());
    QCOMPARE(m_window->frame1()->title(), QStringLiteral("查询成功，归属地为北京移动"));
    QCOMPARE(m_window->resultList()->columnCount(), 3);
    QCOMPARE(numberBox()->text(), QStringLiteral("13800138000"));

    QTest::mouseClick(button("ClearLV"), Qt::LeftButton); // on an empty list
    QVERIFY(m_window->frame2()->title().isEmpty());
}

void TestMainWindow::copyPutsTheNumberOnTheClipboard_data() {
    QTest::addColumn<QString>("number");
    QTest::newRow("digits") << "13800138000";
    QTest::newRow("leading blank") << " 1380013800";
}

void TestMainWindow::copyPutsTheNumberOnTheClipboard() {
    QFETCH(QString, number);
    auto *html = new QMimeData;
    html->setHtml(QStringLiteral("<b>old</b>"));
    QGuiApplication::clipboard()->setMimeData(html);

    addRows({"13900139000", number}, {"", "北京 移动"});
    ResultListView *view = m_window->listView();
    const QRect second = view->visualRect(m_window->resultList()->index(1, 1));
    doubleClick(view->viewport(), second.center());

    QCOMPARE(view->selectedRow(), 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), number);
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasHtml());
    QCOMPARE(prompts(),
             QStringList{QStringLiteral("手机号") + number + QStringLiteral("已复制到剪切板！")});

    // A double click below the rows still copies the selected row.
    doubleClick(view->viewport(), QPoint(10, view->viewport()->height() - 3));
    QCOMPARE(prompts().size(), 2);
    QCOMPARE(QGuiApplication::clipboard()->text(), number);
}

void TestMainWindow::copyWithoutRowsDoesNothing() {
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    ResultListView *view = m_window->listView();
    doubleClick(view->viewport(), QPoint(20, 20));
    QVERIFY(prompts().isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestMainWindow::restingPointerSelectsItsRow() {
    addRows({"13800138000", "13900139000", "13000130000"});
    ResultListView *view = m_window->listView();
    const QPoint third = view->visualRect(m_window->resultList()->index(2, 0)).center();
    QTest::mouseMove(view->viewport(), third);
    QTRY_COMPARE(view->hotRow(), 2);
    QTRY_COMPARE(view->selectedRow(), 2);
}

void TestMainWindow::filterKeepsTheLastOfEachLocation() {
    addRows({"1", "2", "3", "4"}, {"北京 移动", "浙江 联通", "北京 移动 ", ""});
    button("Command1")->click();
    ResultListModel *list = m_window->resultList();
    QCOMPARE(list->Location(1), QString());
    QCOMPARE(list->Location(2), QStringLiteral("浙江 联通"));
    QCOMPARE(list->Location(3), QStringLiteral("北京 移动 "));

    QWidget *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowTitle() == QStringLiteral("筛选结果") && w->isVisible())
            window = w;
    }
    QVERIFY(window);
    QVERIFY(!window->parentWidget());
    auto *shown = window->findChild<QListWidget *>();
    QCOMPARE(shown->count(), 2);
    QCOMPARE(shown->item(0)->text(), QStringLiteral("浙江 联通"));
    QCOMPARE(shown->item(1)->text(), QStringLiteral("北京 移动"));
    window->close();
}

void TestMainWindow::accessKeysOpenTheMenus() {
    const struct {
        Qt::Key key;
        const char *menu;
    } keys[] = {{Qt::Key_S, "System"}, {Qt::Key_C, "Skin"}, {Qt::Key_A, "About"}};
    for (const auto &k : keys) {
        auto *menu = m_window->findChild<QMenu *>(QLatin1String(k.menu));
        QVERIFY(menu);
        QTest::keyClick(m_window, k.key, Qt::AltModifier);
        QTRY_VERIFY2(menu->isVisible(), k.menu);
        menu->close();
    }

    // With 系统 open, E chooses 退出.
    auto *system = m_window->findChild<QMenu *>(QStringLiteral("System"));
    QTest::keyClick(m_window, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(system->isVisible());
    QTest::keyClick(system, Qt::Key_E);
    QTRY_VERIFY(!m_window->isVisible());
}

void TestMainWindow::exitLeavesInformationWindowsOpen() {
    m_window->findChild<QAction *>(QStringLiteral("Declare"))->trigger();
    QPointer<QWidget> notes = OpenUsageNotes();
    QVERIFY(notes && notes->isVisible());
    QVERIFY(!notes->parentWidget());

    m_window->findChild<QAction *>(QStringLiteral("Exit"))->trigger();
    QVERIFY(!m_window->isVisible());
    QVERIFY(notes->isVisible());

    // Once the notes close, no window of the program is left open, so the
    // process ends then and not before.
    notes->close();
    QTRY_VERIFY(!notes);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void TestMainWindow::buttonsAndMenuItemsRunTheSameCommands_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("buttons") << false;
    QTest::newRow("menu items") << true;
}

void TestMainWindow::buttonsAndMenuItemsRunTheSameCommands() {
    QFETCH(bool, byMenu);
    const auto run = [&](const char *buttonName, const char *actionName) {
        if (byMenu)
            m_window->findChild<QAction *>(QLatin1String(actionName))->trigger();
        else
            QTest::mouseClick(button(buttonName), Qt::LeftButton);
    };

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SetProgramDirectory(dir.path());
    const QString numbers = dir.filePath(QStringLiteral("numbers.txt"));
    QFile file(numbers);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("13800138000\n12345\n13900139000\n");
    file.close();
    SetFileChooserHook([numbers] { return numbers; });
    m_server->setHandler([](const LoopbackServer::Request &req) {
        Reply r;
        r.body = req.tel == QLatin1String("13800138000") ? NoMarker().body
                                                         : ZoneAnswer(req.tel, "浙江", "中国联通");
        return r;
    });

    run("save", "SavePhone");
    run("batch", "BatchQuery");
    run("import", "ImportPhone");
    QCOMPARE(m_window->frame2()->title(), QStringLiteral("共导入2条号码，无效号码1条"));
    run("save", "SavePhone");
    run("batch", "BatchQuery");
    QCOMPARE(m_window->frame2()->title(), QStringLiteral("查询完毕，成功1条，失败1条"));
    QCOMPARE(m_window->resultList()->Location(2), QStringLiteral("浙江 联通"));
    run("save", "SavePhone");

    QCOMPARE(prompts(),
             (QStringList{QStringLiteral("你还没有导入号码呢！"),
                          QStringLiteral("请导入手机号码后再进行批量查询！"),
                          QStringLiteral("你还没有查询呢！"), QStringLiteral("你还没有查询呢！")}));
    QFile log(dir.filePath(QStringLiteral("tarvio.txt")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(log.readAll()),
             QStringLiteral("序号\t手机号\t\t归属地\r\n2\t13900139000\t浙江 联通\r\n"));

    SetFileChooserHook({});
    SetProgramDirectory(QString());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
