// Renders the main window in every skin of the catalog, with the skin menu
// open, to <output directory>/<skin>.png; with --stats, the window 号码统计
// over a list of 10,000 rows from every province to <skin>-stats.png.

#include "applyskin.h"
#include "mainwindow.h"
#include "resultlistmodel.h"
#include "resultrow.h"
#include "skincatalog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTextStream>
#include <QTreeView>

namespace {
void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void FillWindow(MainWindow &window) {
    const QString locations[] = {QStringLiteral("北京 移动"), QStringLiteral("上海 联通"),
                                 QStringLiteral("广东 电信"), QStringLiteral("浙江 移动")};
    QList<ResultRow> rows;
    for (int i = 1; i <= 12; ++i)
        rows.append({QString::number(i), QStringLiteral("1380013%1").arg(8000 + i),
                     i <= 9 ? locations[i % 4] : QString()});
    window.ListModel()->AppendRows(rows);
    window.Frame1Box()->setTitle(QStringLiteral("查询成功，归属地为北京移动"));
    window.Frame2Box()->setTitle(QStringLiteral("共导入12条号码，无效号码3条"));
    if (auto *list = window.findChild<QTreeView *>(QStringLiteral("lv")))
        list->setCurrentIndex(list->model()->index(2, 0));
}

// 10,000 rows, the 34 provinces each with a share of its own, one row in
// twelve not found.
void FillForStatistics(MainWindow &window) {
    const QStringList provinces =
        QStringLiteral("广东 山东 河南 江苏 四川 河北 湖南 浙江 安徽 湖北 广西 云南 江西 辽宁 福建 "
                       "陕西 黑龙江 山西 贵州 重庆 吉林 甘肃 内蒙古 新疆 上海 台湾 北京 天津 海南 "
                       "香港 宁夏 青海 西藏 澳门")
            .split(u' ');
    const QStringList carriers{QStringLiteral("中国移动"), QStringLiteral("中国联通"),
                               QStringLiteral("中国电信"), QStringLiteral("中国广电")};
    QList<ResultRow> rows;
    for (int i = 0; i < 10'000; ++i) {
        const QString serial = QString::number(i + 1);
        const QString number = QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
        if (i % 12 == 5) {
            rows.append({serial, number, QString()});
            continue;
        }
        // Province k of n takes about (n - k)^2 parts of the whole.
        const int n = static_cast<int>(provinces.size());
        int k = 0;
        for (int r = (i * 7919) % (n * (n + 1) * (2 * n + 1) / 6); r >= (n - k) * (n - k); ++k)
            r -= (n - k) * (n - k);
        const QString carrier = carriers[(i % 10) < 5   ? 0
                                         : (i % 10) < 8 ? 1
                                         : (i % 10) < 9 ? 2
                                                        : 3];
        rows.append({serial,
                     number,
                     provinces[k] + u' ' + carrier.mid(2),
                     {provinces[k], provinces[k], carrier}});
    }
    window.ListModel()->AppendRows(rows);
}

// The window as it is, and beside it the same with the skin menu and its
// first group opened and an item of the group under the mouse. Menus are grabbed one by one and
// painted where they open, which works the same on every platform plugin.
QImage Render(MainWindow &window, QMenu *skinMenu, QMenu *group) {
    const QImage windowImage = window.grab().toImage();
    if (!skinMenu || !group)
        return windowImage;

    QMenuBar *bar = window.menuBar();
    const QPoint menuAt =
        bar->mapTo(&window, bar->actionGeometry(skinMenu->menuAction()).bottomLeft());
    bar->setActiveAction(skinMenu->menuAction());
    skinMenu->popup(window.mapToGlobal(menuAt));
    skinMenu->setActiveAction(group->menuAction());
    Settle();
    const QRect groupItem = skinMenu->actionGeometry(group->menuAction());
    const QPoint groupAt = menuAt + QPoint(skinMenu->width() - 2, groupItem.top() - 2);
    group->popup(window.mapToGlobal(groupAt));
    if (group->actions().size() > 1)
        group->setActiveAction(group->actions().at(1));
    Settle();

    const QImage barImage = window.grab().toImage();
    const QImage menuImage = skinMenu->grab().toImage();
    const QImage groupImage = group->grab().toImage();
    group->hide();
    skinMenu->hide();
    bar->setActiveAction(nullptr);
    Settle();

    // The plain window on the left, the same window with the menus open on
    // the right, so the captions covered by the menus show too.
    const int gap = 12;
    const int right = windowImage.width() + gap;
    const QSize size(right + std::max(windowImage.width(), groupAt.x() + groupImage.width()),
                     std::max(windowImage.height(), groupAt.y() + groupImage.height()));
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, windowImage);
    painter.drawImage(right, 0, barImage);
    painter.drawImage(menuAt + QPoint(right, 0), menuImage);
    painter.drawImage(groupAt + QPoint(right, 0), groupImage);
    return canvas;
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const bool statistics = argc == 3 && QByteArray(argv[1]) == "--stats";
    if (argc != 2 && !statistics) {
        err << "usage: tarvio-skin-gallery [--stats] <output directory>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[argc - 1]));
    if (!QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }

    MainWindow window;
    if (statistics)
        FillForStatistics(window);
    else
        FillWindow(window);
    window.show();
    Settle();
    QWidget *stats = nullptr;
    if (statistics) {
        window.findChild<QAction *>(QStringLiteral("PhoneStats"))->trigger();
        stats = window.findChild<QWidget *>(QStringLiteral("PhoneStatsWindow"));
        Settle();
    }

    // The menus by their names, so the gallery follows any change of caption.
    QMenu *skinMenu = window.menuBar()->findChild<QMenu *>(QStringLiteral("Skin"));
    QMenu *group = skinMenu ? skinMenu->findChild<QMenu *>(QStringLiteral("Team1")) : nullptr;
    if (!group)
        err << "skin menu not found; rendering the window only\n";

    int failures = 0;
    for (const SkinEntryInfo &entry : kSkinCatalog) {
        ApplySkin(QString::fromUtf8(entry.fixedText));
        Settle();
        const QString name =
            QFileInfo(QString::fromUtf8(entry.fixedText).replace(u'\\', u'/')).completeBaseName();
        const QString file =
            out.filePath(name + (stats ? QStringLiteral("-stats.png") : QStringLiteral(".png")));
        const QImage image = stats ? stats->grab().toImage() : Render(window, skinMenu, group);
        if (image.save(file)) {
            err << file << "\n";
        } else {
            err << "cannot write " << file << "\n";
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
