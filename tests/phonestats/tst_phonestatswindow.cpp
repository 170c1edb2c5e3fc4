// The window 号码统计 on a list of its own: what a screen reader reads of
// each bar, the keyboard from bar to bar, the bars fitting in every skin at
// two text sizes, and 复制.
#include "applyskin.h"
#include "barchart.h"
#include "phonestatswindow.h"
#include "resultlistmodel.h"
#include "skincatalog.h"
#include "tallytext.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// The 34 province-level divisions, as the service names them.
const QStringList kProvinces{u"北京"_s, u"天津"_s,   u"河北"_s, u"山西"_s, u"内蒙古"_s, u"辽宁"_s,
                             u"吉林"_s, u"黑龙江"_s, u"上海"_s, u"江苏"_s, u"浙江"_s,   u"安徽"_s,
                             u"福建"_s, u"江西"_s,   u"山东"_s, u"河南"_s, u"湖北"_s,   u"湖南"_s,
                             u"广东"_s, u"广西"_s,   u"海南"_s, u"重庆"_s, u"四川"_s,   u"贵州"_s,
                             u"云南"_s, u"西藏"_s,   u"陕西"_s, u"甘肃"_s, u"青海"_s,   u"宁夏"_s,
                             u"新疆"_s, u"香港"_s,   u"澳门"_s, u"台湾"_s};
const QStringList kCarriers{u"中国移动"_s, u"中国联通"_s, u"中国电信"_s, u"中国广电"_s};

void AddColumns(ResultListModel &list) {
    for (const QString &title : {u"序号"_s, u"手机号码"_s, u"归属地"_s})
        list.AddColumn(title);
}

// rows rows over the first provinces provinces, and every notFoundEvery-th row
// without a location.
void Fill(ResultListModel &list, int rows, int provinces, int notFoundEvery) {
    QList<ResultRow> made;
    made.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        // Province k takes k + 1 rows of every round, so that no two
        // provinces count the same.
        int k = 0;
        for (const int r = i % (provinces * (provinces + 1) / 2); (k + 1) * (k + 2) / 2 <= r;)
            ++k;
        const QString province = kProvinces[k];
        const QString carrier = kCarriers[i % kCarriers.size()];
        if (notFoundEvery > 0 && i % notFoundEvery == 0)
            made.append({QString::number(i + 1), u"13800138000"_s, {}});
        else
            made.append({QString::number(i + 1),
                         u"13800138000"_s,
                         province + u' ' + carrier.mid(2),
                         {province, province, carrier}});
    }
    list.AppendRows(made);
}

QStringList AccessibleLines(BarChart *chart) {
    QStringList lines;
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(chart);
    for (int i = 0; i < accessible->childCount(); ++i)
        lines.append(accessible->child(i)->text(QAccessible::Name));
    return lines;
}

double Luminance(const QColor &colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}
double Contrast(const QColor &a, const QColor &b) {
    const double x = Luminance(a), y = Luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}
} // namespace

class TestPhoneStatsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void screenReaderReadsEveryBar();
    void keyboardGoesFromBarToBar();
    void barsFitInEverySkin_data();
    void barsFitInEverySkin();
    void copyRunsAsACommand();

private:
    PhoneStatsWindow *Open(CommandRunner runner = {}) {
        m_window = new PhoneStatsWindow(m_list, std::move(runner), nullptr);
        m_window->show();
        return m_window;
    }

    ResultListModel m_list;
    QPointer<PhoneStatsWindow> m_window;
};

void TestPhoneStatsWindow::init() {
    m_list.Clear();
    if (m_list.ColumnTitles().isEmpty())
        AddColumns(m_list);
}

void TestPhoneStatsWindow::cleanup() {
    delete m_window;
    qApp->setStyleSheet(QString());
    QApplication::setFont(QFont());
}

void TestPhoneStatsWindow::screenReaderReadsEveryBar() {
    m_list.AppendRows(
        {{u"1"_s, u"13800138000"_s, u"广东 移动"_s, {u"广东"_s, u"广州"_s, u"中国移动"_s}},
         {u"2"_s, u"13800138001"_s, {}},
         {u"3"_s, u"13800138002"_s, u"广东 联通"_s, {u"广东"_s, u"深圳"_s, u"中国联通"_s}},
         {u"4"_s, u"13800138003"_s, u"北京 移动"_s, {u"北京"_s, u"北京"_s, u"中国移动"_s}}});
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QCOMPARE(m_window->windowTitle(), u"号码统计"_s);
    QCOMPARE(QAccessible::queryAccessibleInterface(m_window)->role(), QAccessible::Dialog);
    BarChart *provinces = m_window->ProvinceChart();
    QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(provinces);
    QCOMPARE(chart->role(), QAccessible::List);
    QCOMPARE(chart->text(QAccessible::Name), u"按省份"_s);
    QCOMPARE(
        QAccessible::queryAccessibleInterface(m_window->CarrierChart())->text(QAccessible::Name),
        u"按运营商"_s);
    const QStringList provinceLines{u"广东 2 条 (50.0%)"_s, u"北京 1 条 (25.0%)"_s,
                                    u"未查到 1 条 (25.0%)"_s};
    QCOMPARE(AccessibleLines(provinces), provinceLines);
    QCOMPARE(AccessibleLines(m_window->CarrierChart()),
             (QStringList{u"中国移动 2 条 (50.0%)"_s, u"中国联通 1 条 (25.0%)"_s,
                          u"未查到 1 条 (25.0%)"_s}));
    for (int i = 0; i < chart->childCount(); ++i) {
        QAccessibleInterface *bar = chart->child(i);
        QCOMPARE(bar->role(), QAccessible::ListItem);
        QCOMPARE(bar->parent(), chart);
        QCOMPARE(chart->indexOfChild(bar), i);
        QCOMPARE(chart->child(i), bar); // the same item each time it is asked for
        QCOMPARE(chart->childAt(bar->rect().center().x(), bar->rect().center().y()), bar);
        QVERIFY(QRect(provinces->mapToGlobal(QPoint()), provinces->size()).contains(bar->rect()));
    }

    // The list changes, and the bus reads the new counts at once, before
    // any repaint: a screen reader never reads a count the list no longer has.
    QAccessibleInterface *last = chart->child(2);
    m_list.SetLocation(2, u"北京 电信"_s, {u"北京"_s, u"北京"_s, u"中国电信"_s});
    QCOMPARE(AccessibleLines(provinces),
             (QStringList{u"北京 2 条 (50.0%)"_s, u"广东 2 条 (50.0%)"_s}));
    QVERIFY(!last->isValid());
    QVERIFY(!chart->child(2));
    m_list.Clear();
    QCOMPARE(chart->childCount(), 0);
}

void TestPhoneStatsWindow::keyboardGoesFromBarToBar() {
    Fill(m_list, 1200, 34, 10);
    Open();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    BarChart *chart = m_window->ProvinceChart();
    chart->setFocus();
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(chart);
    const QStringList lines = chart->Lines();
    QCOMPARE(lines.size(), 35);
    const struct {
        Qt::Key key;
        int bar;
    } steps[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 2},      {Qt::Key_Up, 1},
                 {Qt::Key_End, 34}, {Qt::Key_PageUp, 24},   {Qt::Key_Home, 0},
                 {Qt::Key_Up, 0},   {Qt::Key_PageDown, 10}, {Qt::Key_End, 34}};
    auto *area = m_window->findChild<QScrollArea *>(u"ProvinceChartArea"_s);
    QVERIFY(area);
    for (const auto &step : steps) {
        QTest::keyClick(chart, step.key);
        QCOMPARE(chart->CurrentBar(), step.bar);
        QAccessibleInterface *focused = accessible->focusChild();
        QVERIFY(focused);
        QCOMPARE(focused->text(QAccessible::Name), lines[step.bar]);
        QVERIFY(focused->state().focused);
        // The bar is scrolled into view.
        const QRect row = chart->BarRow(step.bar);
        const QPoint inView = chart->mapTo(area->viewport(), row.center());
        QVERIFY(area->viewport()->rect().contains(inView));
    }
    // Enter presses nothing; Esc closes the window.
    QGuiApplication::clipboard()->setText(u"之前"_s);
    QTest::keyClick(chart, Qt::Key_Return);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"之前"_s);
    QVERIFY(m_window->isVisible());
    QTest::keyClick(chart, Qt::Key_Escape);
    QTRY_VERIFY(!m_window);
}

void TestPhoneStatsWindow::barsFitInEverySkin_data() {
    QTest::addColumn<QString>("skin");
    QTest::addColumn<double>("textScale");
    for (const SkinEntryInfo &entry : kSkinCatalog) {
        QTest::addRow("%s, 96 dpi", entry.item) << QString::fromUtf8(entry.fixedText) << 1.0;
        // Text as large as at 144 dpi, where the screen's dpi enlarges the
        // fonts and leaves the pixels as they are.
        QTest::addRow("%s, 144 dpi", entry.item) << QString::fromUtf8(entry.fixedText) << 1.5;
    }
}

// With all 34 provinces and 未查到 in a list of 100,000 rows, the window as it
// opens shows each bar's name, bar and figures side by side, none cut off,
// no bar longer than a larger one, in colours that stand out from the ground.
void TestPhoneStatsWindow::barsFitInEverySkin() {
    QFETCH(QString, skin);
    QFETCH(double, textScale);
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * textScale);
    QApplication::setFont(font);
    ApplySkin(skin);
    QVERIFY(!qApp->styleSheet().isEmpty());
    Fill(m_list, 100'000, 34, 9);
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    for (BarChart *chart : {m_window->ProvinceChart(), m_window->CarrierChart()}) {
        auto *area = qobject_cast<QScrollArea *>(chart->parentWidget()->parentWidget());
        QVERIFY(area);
        QVERIFY(!area->horizontalScrollBar()->isVisible());
        const QSize visible = area->viewport()->size();
        const QFontMetrics metrics = chart->fontMetrics();
        const QList<TallyEntry> entries = chart->Entries();
        QCOMPARE(entries.size(), chart == m_window->ProvinceChart() ? 35 : 5);
        int longer = INT_MAX;
        for (int i = 0; i < entries.size(); ++i) {
            const BarChart::BarPlaces places = chart->PlacesOf(i);
            const QString figures = BarFigures(entries[i], m_list.Count());
            QVERIFY(metrics.horizontalAdvance(entries[i].name) <= places.name.width());
            QVERIFY(metrics.horizontalAdvance(figures) <= places.figures.width());
            QVERIFY(metrics.height() <= places.name.height());
            QVERIFY(places.name.right() < places.bar.left());
            QVERIFY(places.bar.right() < places.figures.left());
            QVERIFY(places.name.left() >= 0);
            QVERIFY2(places.figures.right() < visible.width(), qPrintable(figures));
            QVERIFY(places.bar.width() >= 2);
            if (i < entries.size() - 1) // 未查到 stands last, whatever its size
                QVERIFY(places.bar.width() <= longer);
            longer = places.bar.width();
        }
        const QPalette colours = chart->palette();
        QVERIFY(Contrast(colours.color(QPalette::WindowText), colours.color(QPalette::Window)) >=
                4.5);
        QVERIFY(Contrast(colours.color(QPalette::Highlight), colours.color(QPalette::Window)) >=
                1.5);
    }
}

void TestPhoneStatsWindow::copyRunsAsACommand() {
    Fill(m_list, 10, 3, 4);
    QClipboard *clipboard = QGuiApplication::clipboard();
    bool busy = true;
    int asked = 0;
    Open([&](const std::function<void()> &body) {
        ++asked;
        if (!busy)
            body();
    });
    auto *copy = m_window->findChild<QPushButton *>(u"StatsCopy"_s);
    QCOMPARE(copy->text(), u"复制"_s);
    clipboard->setText(u"之前"_s);
    copy->click(); // while another command runs: dropped
    QCOMPARE(clipboard->text(), u"之前"_s);
    busy = false;
    copy->click();
    QCOMPARE(asked, 2);
    QCOMPARE(clipboard->text(), TallyTable(m_window->Tally()));
    QVERIFY(clipboard->text().startsWith(u"类别\t名称\t数量\t占比\n省份\t"_s));
}

QTEST_MAIN(TestPhoneStatsWindow)
#include "tst_phonestatswindow.moc"
