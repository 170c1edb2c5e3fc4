#include "filterresultwindow.h"

#include "appicon.h"
#include "twips.h"

#include <QListWidget>
#include <QVBoxLayout>

QWidget *ShowFilterResult(QWidget *previous, const QStringList &locations) {
    QWidget *window = previous;
    QListWidget *list = nullptr;
    if (window) {
        list = window->findChild<QListWidget *>();
    } else {
        window = new QWidget(nullptr, Qt::Window);
        window->setObjectName(QStringLiteral("FilterResult"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("筛选结果"));
        window->setWindowIcon(AppIcon());
        window->resize(TwipsSize(2400, 3000));
        auto *layout = new QVBoxLayout(window);
        list = new QListWidget(window);
        list->setObjectName(QStringLiteral("List1"));
        layout->addWidget(list);
    }
    // The second list is emptied first, then gets one line per location.
    list->clear();
    list->addItems(locations);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
