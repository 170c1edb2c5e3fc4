// The counts behind 号码统计, in their order, as the list changes, and their words.
#include "phonetally.h"
#include "resultlistmodel.h"
#include "tallytext.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Row {
    QString location, province, carrier;
};

void AddColumns(ResultListModel &list) {
    for (const QString &title : {u"序号"_s, u"手机号码"_s, u"归属地"_s})
        list.AddColumn(title);
}

void Fill(ResultListModel &list, const QList<Row> &rows) {
    QList<ResultRow> made;
    for (const Row &row : rows)
        made.append({QString::number(made.size() + 1),
                     u"13800138000"_s,
                     row.location,
                     {row.province, row.province, row.carrier}});
    list.AppendRows(made);
}

QStringList Written(const QList<TallyEntry> &entries) {
    QStringList written;
    for (const TallyEntry &entry : entries)
        written.append(entry.name + u' ' + QString::number(entry.count));
    return written;
}

const Row kGuangdong{u"广东 移动"_s, u"广东"_s, u"中国移动"_s};
const Row kBeijing{u"北京 联通"_s, u"北京"_s, u"中国联通"_s};
const Row kZhejiang{u"浙江 电信"_s, u"浙江"_s, u"中国电信"_s};
const Row kNotFound{};
} // namespace

class TestPhoneTally : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void countsByProvinceAndCarrier_data();
    void countsByProvinceAndCarrier();
    void followsEveryChangeOfTheList();
    void barWords_data();
    void barWords();
    void tableForASpreadsheet();
};

void TestPhoneTally::countsByProvinceAndCarrier_data() {
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QStringList>("provinces");
    QTest::addColumn<QStringList>("carriers");

    QTest::newRow("empty list") << QList<Row>{} << QStringList{} << QStringList{};
    QTest::newRow("largest first, equal counts by name")
        << QList<Row>{kZhejiang, kGuangdong, kBeijing, kGuangdong}
        << QStringList{u"广东 2"_s, u"北京 1"_s, u"浙江 1"_s}
        << QStringList{u"中国移动 2"_s, u"中国电信 1"_s, u"中国联通 1"_s};
    QTest::newRow("未查到 last, however many")
        << QList<Row>{kNotFound, kGuangdong, kNotFound, kNotFound}
        << QStringList{u"广东 1"_s, u"未查到 3"_s} << QStringList{u"中国移动 1"_s, u"未查到 3"_s};
    // Another service may leave a field empty: found all the same.
    QTest::newRow("found without province or carrier")
        << QList<Row>{{u" "_s, {}, {}}, {u"广东 "_s, u"广东"_s, {}}}
        << QStringList{u"广东 1"_s, u"未知 1"_s} << QStringList{u"未知 2"_s};
    // The filter empties locations and leaves the rest of the row.
    QTest::newRow("an answer without its location")
        << QList<Row>{{{}, u"广东"_s, u"中国移动"_s}} << QStringList{u"未查到 1"_s}
        << QStringList{u"未查到 1"_s};
}

void TestPhoneTally::countsByProvinceAndCarrier() {
    QFETCH(QList<Row>, rows);
    QFETCH(QStringList, provinces);
    QFETCH(QStringList, carriers);
    ResultListModel list;
    AddColumns(list);
    // Counted both ways: as the rows arrive, and over a list already filled.
    PhoneTally following(list);
    Fill(list, rows);
    const PhoneTally opened(list);
    for (const PhoneTally *tally : {static_cast<const PhoneTally *>(&following), &opened}) {
        QCOMPARE(tally->Rows(), rows.size());
        QCOMPARE(Written(tally->Provinces()), provinces);
        QCOMPARE(Written(tally->Carriers()), carriers);
    }
}

// The commands' changes at random (seeded): the counts kept are a count afresh.
void TestPhoneTally::followsEveryChangeOfTheList() {
    const QList<Row> kinds{
        kGuangdong, kBeijing, kZhejiang, kNotFound, {u"广东 联通"_s, u"广东"_s, u"中国联通"_s}};
    QRandomGenerator random(25);
    const auto anyRow = [&] {
        return kinds[random.bounded(static_cast<int>(kinds.size()))];
    };
    ResultListModel list;
    AddColumns(list);
    PhoneTally tally(list);
    QSignalSpy changes(&tally, &PhoneTally::Changed);
    for (int step = 0; step < 400; ++step) {
        const int rows = list.Count();
        const int position = rows > 0 ? 1 + random.bounded(rows) : 0;
        const int what = random.bounded(20);
        changes.clear();
        if (what == 0) {
            list.Clear();
        } else if (what < 3 || rows == 0) {
            QList<Row> added;
            for (int i = random.bounded(1, 30); i > 0; --i)
                added.append(anyRow());
            Fill(list, added);
        } else if (what == 3) {
            list.SetLocation(list.Add(QString::number(rows + 1)), anyRow().location);
        } else if (what == 4) {
            list.SetNumber(position, u"13900139000"_s);
            QCOMPARE(changes.count(), 0); // the number counts for nothing
        } else if (what == 5) {
            list.SetLocation(position, QString()); // as the filter does
        } else {
            const Row row = anyRow();
            list.SetLocation(position, row.location, {row.province, row.province, row.carrier});
        }
        const PhoneTally recount(list);
        QCOMPARE(tally.Rows(), list.Count());
        QCOMPARE(tally.Provinces(), recount.Provinces());
        QCOMPARE(tally.Carriers(), recount.Carriers());
        QVERIFY(changes.count() <= 2);
    }
}

void TestPhoneTally::barWords_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("line");

    QTest::newRow("thousands") << 1234 << 10000 << u"广东 1,234 条 (12.3%)"_s;
    QTest::newRow("two thirds") << 2 << 3 << u"广东 2 条 (66.7%)"_s;
    QTest::newRow("all") << 100000 << 100000 << u"广东 100,000 条 (100.0%)"_s;
    QTest::newRow("too few to show") << 1 << 100000 << u"广东 1 条 (0.0%)"_s;
}

void TestPhoneTally::barWords() {
    QFETCH(int, count);
    QFETCH(int, total);
    QFETCH(QString, line);
    QCOMPARE(BarLine({u"广东"_s, count}, total), line);
}

void TestPhoneTally::tableForASpreadsheet() {
    ResultListModel list;
    AddColumns(list);
    Fill(list, {kGuangdong, kNotFound, kGuangdong, kBeijing});
    const PhoneTally tally(list);
    QCOMPARE(TallyTable(tally), u"类别\t名称\t数量\t占比\n"
                                u"省份\t广东\t2\t50.0%\n"
                                u"省份\t北京\t1\t25.0%\n"
                                u"省份\t未查到\t1\t25.0%\n"
                                u"运营商\t中国移动\t2\t50.0%\n"
                                u"运营商\t中国联通\t1\t25.0%\n"
                                u"运营商\t未查到\t1\t25.0%\n"_s);
    QCOMPARE(TotalLine(tally.Rows()), u"合计 4 条"_s);
}

QTEST_MAIN(TestPhoneTally)
#include "tst_phonetally.moc"
