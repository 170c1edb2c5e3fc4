// 号码统计: what a screen reader reads, the keyboard, bars in every skin (复制: tst_commandguard).
#include "applyskin.h"
#include "barchart.h"
#include "contrast.h"
#include "phonestatswindow.h"
#include "resultlistmodel.h"
#include "skincatalog.h"
#include "tallytext.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <climits>

using namespace Qt::StringLiterals;

namespace {
const QStringList kProvinces =
    u"北京 天津 河北 山西 内蒙古 辽宁 吉林 黑龙江 上海 江苏 浙江 "
    u"安徽 福建 江西 山东 河南 湖北 湖南 广东 广西 海南 重庆 四川 "
    u"贵州 云南 西藏 陕西 甘肃 青海 宁夏 新疆 香港 澳门 台湾"_s.split(u' ');
const QStringList kCarriers{u"中国移动"_s, u"中国联通"_s, u"中国电信"_s, u"中国广电"_s};

// Rows over the first provinces, no two of one count; every notFoundEvery-th not found.
void Fill(ResultListModel &list, int rows, int provinces, int notFoundEvery) {
    QList<ResultRow> made;
    made.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        int k = 0; // province k takes k + 1 rows of every round
        for (const int r = i % (provinces * (provinces + 1) / 2); (k + 1) * (k + 2) / 2 <= r;)
            ++k;
        const QString province = kProvinces[k], carrier = kCarriers[i % kCarriers.size()];
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
} // namespace

class TestPhoneStatsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        for (const QString &title : {u"序号"_s, u"手机号码"_s, u"归属地"_s})
            m_list.AddColumn(title);
    }
    void init() { m_list.Clear(); }
    void cleanup();

    void screenReaderReadsEveryBar();
    void keyboardGoesFromBarToBar();
    void barsFitInEverySkin_data();
    void barsFitInEverySkin();

private:
    void Open() {
        m_window = new PhoneStatsWindow(m_list, {}, nullptr);
        m_window->show();
    }

    ResultListModel m_list;
    QPointer<PhoneStatsWindow> m_window;
};

void TestPhoneStatsWindow::cleanup() {
    delete m_window;
    qApp->setStyleSheet(QString());
    QApplication::setFont(QFont());
}

void TestPhoneStatsWindow::screenReaderReadsEveryBar() {
    Fill(m_list, 4, 2, 4); // 未查到, 天津, 天津, 北京
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
    QCOMPARE(
        AccessibleLines(provinces),
        (QStringList{u"天津 2 条 (50.0%)"_s, u"北京 1 条 (25.0%)"_s, u"未查到 1 条 (25.0%)"_s}));
    QCOMPARE(AccessibleLines(m_window->CarrierChart()),
             (QStringList{u"中国广电 1 条 (25.0%)"_s, u"中国电信 1 条 (25.0%)"_s,
                          u"中国联通 1 条 (25.0%)"_s, u"未查到 1 条 (25.0%)"_s}));
    for (int i = 0; i < chart->childCount(); ++i) {
        QAccessibleInterface *bar = chart->child(i);
        QCOMPARE(bar->role(), QAccessible::ListItem);
        QCOMPARE(bar->parent(), chart);
        QCOMPARE(chart->indexOfChild(bar), i);
        QCOMPARE(chart->child(i), bar); // the same item each time it is asked for
        QCOMPARE(chart->childAt(bar->rect().center().x(), bar->rect().center().y()), bar);
        QVERIFY(QRect(provinces->mapToGlobal(QPoint()), provinces->size()).contains(bar->rect()));
    }

    // The bus reads new counts at once, before any repaint.
    QAccessibleInterface *last = chart->child(2);
    m_list.SetLocation(1, u"北京 电信"_s, {u"北京"_s, u"北京"_s, u"中国电信"_s});
    QCOMPARE(AccessibleLines(provinces),
             (QStringList{u"北京 2 条 (50.0%)"_s, u"天津 2 条 (50.0%)"_s}));
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
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Down, 1}, {Qt::Key_Down, 2},      {Qt::Key_Up, 1},
        {Qt::Key_End, 34}, {Qt::Key_PageUp, 24},   {Qt::Key_Home, 0},
        {Qt::Key_Up, 0},   {Qt::Key_PageDown, 10}, {Qt::Key_End, 34}};
    auto *area = m_window->findChild<QScrollArea *>(u"ProvinceChartArea"_s);
    QVERIFY(area);
    for (const auto &[key, bar] : steps) {
        QTest::keyClick(chart, key);
        QCOMPARE(chart->CurrentBar(), bar);
        QAccessibleInterface *focused = accessible->focusChild();
        QVERIFY(focused);
        QCOMPARE(focused->text(QAccessible::Name), lines[bar]);
        QVERIFY(focused->state().focused);
        const QPoint centre = chart->mapTo(area->viewport(), chart->BarRow(bar).center());
        QVERIFY(area->viewport()->rect().contains(centre)); // scrolled into view
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
        // Text as large as at 144 dpi, pixels as they are.
        QTest::addRow("%s, 144 dpi", entry.item) << QString::fromUtf8(entry.fixedText) << 1.5;
    }
}

// 35 bars over 100,000 rows: none cut off, by size, in colours that stand out.
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
        const QColor ground = colours.color(QPalette::Window);
        QVERIFY(Contrast(colours.color(QPalette::WindowText), ground) >= 4.5);
        QVERIFY(Contrast(colours.color(QPalette::Highlight), ground) >= 1.5);
    }
}

QTEST_MAIN(TestPhoneStatsWindow)
#include "tst_phonestatswindow.moc"
