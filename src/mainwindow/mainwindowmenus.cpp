// The menu bar: 系统, 更换皮肤 and 关于, each item routed to its handler.
#include "mainwindow.h"

#include <QMenu>
#include <QMenuBar>

namespace {
template <typename Handler>
QAction *Item(QMenu *menu, const char *name, const QString &caption, MainWindow *window,
              Handler handler) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, window, handler);
    return action;
}

QMenu *Menu(QWidget *parent, const char *name, const QString &caption) {
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}
} // namespace

void MainWindow::BuildMenus() {
    QMenuBar *bar = menuBar();

    QMenu *system = Menu(bar, "System", QStringLiteral("系统(&S)"));
    Item(system, "ImportPhone", QStringLiteral("导入号码(&I)"), this,
         &MainWindow::ImportPhone_Click);
    Item(system, "BatchQuery", QStringLiteral("批量查询(&B)"), this, &MainWindow::BatchQuery_Click);
    Item(system, "SavePhone", QStringLiteral("保存结果(&S)"), this, &MainWindow::SavePhone_Click);
    system->addSeparator()->setObjectName(QStringLiteral("Line1"));
    Item(system, "Exit", QStringLiteral("退出(&E)"), this, &MainWindow::Exit_Click);
    bar->addMenu(system);

    QMenu *skin = Menu(bar, "Skin", QStringLiteral("更换皮肤(&C)"));
    QMenu *team1 = Menu(skin, "Team1", QStringLiteral("塔维1组"));
    Item(team1, "black", QStringLiteral("(&1)黑色钻石"), this, &MainWindow::black_Click);
    Item(team1, "gray", QStringLiteral("(&2)灰色颓废"), this, &MainWindow::gray_Click);
    Item(team1, "wood", QStringLiteral("(&3)简谱积木"), this, &MainWindow::wood_Click);
    skin->addMenu(team1);
    QMenu *team2 = Menu(skin, "Team2", QStringLiteral("塔维2组"));
    Item(team2, "asus", QStringLiteral("(&1)精仿华硕"), this, &MainWindow::asus_Click);
    Item(team2, "blue", QStringLiteral("(&2)蓝色经典"), this, &MainWindow::blue_Click);
    Item(team2, "eye", QStringLiteral("(&3)视觉冲击"), this, &MainWindow::eye_Click);
    skin->addMenu(team2);
    QMenu *team3 = Menu(skin, "Team3", QStringLiteral("塔维3组"));
    Item(team3, "warm", QStringLiteral("(&1)温暖木雕"), this, &MainWindow::warm_Click);
    Item(team3, "pebble", QStringLiteral("(&2)炫酷水晶"), this, &MainWindow::pebble_Click);
    Item(team3, "green", QStringLiteral("(&3)炫绿亮彩"), this, &MainWindow::green_Click);
    skin->addMenu(team3);
    skin->addSeparator()->setObjectName(QStringLiteral("Line2"));
    Item(skin, "Default", QStringLiteral("恢复默认"), this, &MainWindow::Default_Click);
    bar->addMenu(skin);

    QMenu *about = Menu(bar, "About", QStringLiteral("关于(&A)"));
    Item(about, "Declare", QStringLiteral("使用说明"), this, &MainWindow::Declare_Click);
    Item(about, "Attention", QStringLiteral("注意事项"), this, &MainWindow::Attention_Click);
    Item(about, "Author", QStringLiteral("关于作者"), this, &MainWindow::Author_Click);
    bar->addMenu(about);
}
