// The menu bar: 系统, 更换皮肤 and 关于, each item routed to its handler.
#include "mainwindow.h"

#include "skincatalog.h"

#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>

namespace {
template <typename Handler>
QAction *Item(QMenu *menu, const char *name, const QString &caption, MainWindow *window,
              Handler handler) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, window, handler);
    return action;
}

QMenu *Menu(QWidget *parent, const QString &name, const QString &caption) {
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    return menu;
}

// The skin items reach their handlers by name, so the catalog alone says
// which items there are. A handler missing for an item is a fault of the
// build; its item then does nothing rather than something else.
void ConnectByName(QAction *action, MainWindow *window, const QByteArray &slot) {
    const QMetaObject *meta = window->metaObject();
    const int index = meta->indexOfSlot(slot.constData());
    Q_ASSERT_X(index >= 0, "ConnectByName", slot.constData());
    if (index >= 0)
        QObject::connect(action, QMetaMethod::fromSignal(&QAction::triggered), window,
                         meta->method(index));
}
} // namespace

void MainWindow::BuildMenus() {
    QMenuBar *bar = menuBar();

    QMenu *system = Menu(bar, QStringLiteral("System"), QStringLiteral("系统(&S)"));
    Item(system, "ImportPhone", QStringLiteral("导入号码(&I)"), this,
         &MainWindow::ImportPhone_Click);
    // Ctrl+V pastes numbers anywhere in the window but in the number box,
    // which takes the key for itself first and pastes into the box.
    Item(system, "PastePhone", QStringLiteral("粘贴号码(&P)"), this, &MainWindow::PastePhone_Click)
        ->setShortcut(QKeySequence::Paste);
    Item(system, "RemoveRepeats", QStringLiteral("去除重复号码(&D)"), this,
         &MainWindow::RemoveRepeats_Click);
    Item(system, "BatchQuery", QStringLiteral("批量查询(&B)"), this, &MainWindow::BatchQuery_Click);
    Item(system, "SavePhone", QStringLiteral("保存结果(&S)"), this, &MainWindow::SavePhone_Click);
    Item(system, "ExportPhone", QStringLiteral("导出结果(&X)"), this,
         &MainWindow::ExportPhone_Click);
    Item(system, "ProvinceExport", QStringLiteral("分类导出(&G)"), this,
         &MainWindow::ProvinceExport_Click);
    Item(system, "PhoneStats", QStringLiteral("号码统计(&T)"), this, &MainWindow::PhoneStats_Click);
    system->addSeparator()->setObjectName(QStringLiteral("Line1"));
    Item(system, "Exit", QStringLiteral("退出(&E)"), this, &MainWindow::Exit_Click);
    bar->addMenu(system);

    QMenu *skin = Menu(bar, QStringLiteral("Skin"), QStringLiteral("更换皮肤(&C)"));
    // The groups in order, then the items of no group after a separator;
    // each item is routed to its handler by name.
    QList<QMenu *> groups;
    for (int group = 1; group <= kSkinGroupCount; ++group) {
        groups.append(
            Menu(skin, QStringLiteral("Team%1").arg(group), QStringLiteral("塔维%1组").arg(group)));
        skin->addMenu(groups.last());
    }
    skin->addSeparator()->setObjectName(QStringLiteral("Line2"));
    for (const SkinEntryInfo &entry : kSkinCatalog) {
        QMenu *menu = entry.group > 0 ? groups.at(entry.group - 1) : skin;
        QAction *action = menu->addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(QLatin1StringView(entry.item));
        ConnectByName(action, this, QByteArray(entry.item) + "_Click()");
    }
    bar->addMenu(skin);

    QMenu *about = Menu(bar, QStringLiteral("About"), QStringLiteral("关于(&A)"));
    Item(about, "Declare", QStringLiteral("使用说明"), this, &MainWindow::Declare_Click);
    Item(about, "Attention", QStringLiteral("注意事项"), this, &MainWindow::Attention_Click);
    Item(about, "Author", QStringLiteral("关于作者"), this, &MainWindow::Author_Click);
    bar->addMenu(about);
}
