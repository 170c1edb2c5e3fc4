#include "phonestatswindow.h"

#include "appicon.h"
#include "barchart.h"
#include "tallytext.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The rows each chart shows: the provinces at the least, and as many again
// when the window opens, then they scroll; the carriers always.
constexpr int kProvinceRows = 6;
constexpr int kCarrierRows = 5; // the four carriers and 未查到

BarChart *AddChart(QBoxLayout *layout, const PhoneTally &tally, BarChart::Kind kind,
                   const QString &title, const QString &name, int rows, int stretch) {
    auto *box = new QGroupBox(title);
    box->setObjectName(name + QStringLiteral("Box"));
    auto *chart = new BarChart(tally, kind);
    chart->setObjectName(name);
    chart->setAccessibleName(title);
    auto *area = new QScrollArea;
    area->setObjectName(name + QStringLiteral("Area"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(chart);
    area->setMinimumSize(chart->minimumSizeHint().width() +
                             area->verticalScrollBar()->sizeHint().width(),
                         chart->HeightFor(rows));
    if (stretch == 0)
        area->setMaximumHeight(area->minimumHeight());
    auto *inside = new QVBoxLayout(box);
    inside->addWidget(area);
    layout->addWidget(box, stretch);
    return chart;
}
} // namespace

PhoneStatsWindow::PhoneStatsWindow(const ResultListModel &list, CommandRunner runCommand,
                                   QWidget *owner)
    : QDialog(owner)
    , m_tally(list)
    , m_runCommand(std::move(runCommand)) {
    setObjectName(QStringLiteral("PhoneStatsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("号码统计"));
    setWindowIcon(AppIcon());

    auto *layout = new QVBoxLayout(this);
    m_provinces = AddChart(layout, m_tally, BarChart::Kind::Provinces, QStringLiteral("按省份"),
                           QStringLiteral("ProvinceChart"), kProvinceRows, 3);
    m_carriers = AddChart(layout, m_tally, BarChart::Kind::Carriers, QStringLiteral("按运营商"),
                          QStringLiteral("CarrierChart"), kCarrierRows, 0);
    auto *bottom = new QHBoxLayout;
    m_total = new QLabel;
    m_total->setObjectName(QStringLiteral("Total"));
    bottom->addWidget(m_total, 1);
    auto *copy = new QPushButton(QStringLiteral("复制"));
    copy->setObjectName(QStringLiteral("StatsCopy"));
    copy->setMinimumWidth(3 * copy->sizeHint().height());
    copy->setAutoDefault(false); // Enter in a chart copies nothing
    connect(copy, &QPushButton::clicked, this, &PhoneStatsWindow::StatsCopy_Click);
    bottom->addWidget(copy);
    layout->addLayout(bottom);

    m_refresh.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, &PhoneStatsWindow::Refresh);
    connect(&m_tally, &PhoneTally::Changed, this, &PhoneStatsWindow::ScheduleRefresh);
    Refresh();

    // Twice the provinces' least rows as it opens, within the screen.
    QSize size(sizeHint().width(), minimumSizeHint().height() +
                                       m_provinces->HeightFor(kProvinceRows) -
                                       m_provinces->HeightFor(0));
    if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size.expandedTo(minimumSizeHint()));
}

// At once when the last repaint is long enough ago, otherwise when it will be.
void PhoneStatsWindow::ScheduleRefresh() {
    if (m_refresh.isActive())
        return;
    const qint64 since = m_sinceRefresh.elapsed();
    m_refresh.start(static_cast<int>(std::max<qint64>(0, kRefreshInterval.count() - since)));
}

void PhoneStatsWindow::Refresh() {
    m_sinceRefresh.start();
    m_provinces->Refresh();
    m_carriers->Refresh();
    m_total->setText(TotalLine(m_tally.Rows()));
}

void PhoneStatsWindow::StatsCopy_Click() {
    const auto copy = [this] {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(TallyTable(m_tally));
    };
    if (m_runCommand)
        m_runCommand(copy);
    else
        copy();
}

QWidget *ShowPhoneStats(QWidget *previous, const ResultListModel &list, CommandRunner runCommand,
                        QWidget *owner) {
    QWidget *window =
        previous ? previous : new PhoneStatsWindow(list, std::move(runCommand), owner);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
