// The window's controls at their designed places, in twips.
#include "mainwindow.h"

#include "appicon.h"
#include "mobilenumber.h"
#include "resultlistmodel.h"
#include "resultlistview.h"
#include "twips.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
QGroupBox *Frame(QWidget *parent, const char *name, QRect geometry) {
    auto *frame = new QGroupBox(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(geometry);
    return frame;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, QRect geometry) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}
} // namespace

void MainWindow::BuildControls() {
    setObjectName(QStringLiteral("tarvio"));
    setWindowTitle(QStringLiteral("塔维手机归属地批量查询"));
    setWindowIcon(AppIcon());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(TwipsSize(4455, 4350));
    setCentralWidget(client);

    Frame1 = Frame(client, "Frame1", TwipsRect(120, 120, 4215, 735));
    SinglePhone = new QLineEdit(Frame1);
    SinglePhone->setObjectName(QStringLiteral("SinglePhone"));
    SinglePhone->setGeometry(TwipsRect(120, 240, 1935, 270));
    SinglePhone->setMaxLength(kMobileNumberLength);
    SinglePhone->installEventFilter(this);
    setAcceptDrops(true);
    seach =
        Button(Frame1, "seach", QStringLiteral("查询手机归属地"), TwipsRect(2400, 240, 1695, 255));

    Frame2 = Frame(client, "Frame2", TwipsRect(120, 960, 4215, 3255));
    m_list = new ResultListModel(this);
    lv = new ResultListView(Frame2);
    lv->setObjectName(QStringLiteral("lv"));
    lv->setGeometry(TwipsRect(120, 240, 3975, 2415));
    lv->setModel(m_list);
    import_ = Button(Frame2, "import", QStringLiteral("导入号码"), TwipsRect(120, 2760, 855, 255));
    batch = Button(Frame2, "batch", QStringLiteral("批量查询"), TwipsRect(1080, 2760, 975, 255));
    ClearLV =
        Button(Frame2, "ClearLV", QStringLiteral("清空内容"), TwipsRect(2160, 2760, 975, 255));
    save = Button(Frame2, "save", QStringLiteral("保存结果"), TwipsRect(3240, 2760, 855, 255));

    // Out of view at the designed size: the user cannot reach these, so they
    // take no keyboard focus either (Tab would otherwise vanish into them).
    Command1 = Button(client, "Command1", QStringLiteral("筛选"), TwipsRect(5040, 1560, 1095, 375));
    Command1->setFocusPolicy(Qt::NoFocus);
    Frame3 = Frame(client, "Frame3", TwipsRect(120, 4800, 4215, 855));
    FileName = new QLineEdit(Frame3);
    FileName->setObjectName(QStringLiteral("FileName"));
    FileName->setGeometry(TwipsRect(120, 120, 1215, 270));
    FileName->setFocusPolicy(Qt::NoFocus);
    // Holds the transfer component and the file dialog, which have no face.
    Frame4 = Frame(client, "Frame4", TwipsRect(120, 5760, 4215, 2535));

    setTabOrder(SinglePhone, seach);
    setTabOrder(seach, import_);
    setTabOrder(import_, batch);
    setTabOrder(batch, save);
    setTabOrder(save, lv);
    setTabOrder(lv, ClearLV);
}
