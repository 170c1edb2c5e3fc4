// The result list model under Qt's model tester; its compact rows give back what was written.
#include "resultlistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {
using Change = std::function<void(ResultListModel &)>;

QList<ResultRow> Rows(int count) {
    QList<ResultRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({QString::number(i), QStringLiteral("1380013%1").arg(8000 + i), {}});
    return rows;
}

const RowAnswer kGuangzhou{u"广东"_s, u"广州"_s, u"中国移动"_s};
const RowAnswer kShenzhen{u"广东"_s, u"深圳"_s, u"中国移动"_s};

void AddColumns(ResultListModel &model) {
    for (const char16_t *title : {u"序号", u"手机号码", u"归属地"})
        model.AddColumn(QString::fromUtf16(title));
}

QString Cell(const ResultListModel &model, int position, int column) {
    return model.data(model.index(position - 1, column), Qt::DisplayRole).toString();
}
} // namespace

class TestResultListModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsTheModelContract_data();
    void keepsTheModelContract();
    void keepsEveryNumberExactly_data();
    void keepsEveryNumberExactly();
    void keepsSerials_data();
    void keepsSerials();
    void holdsEachAnswerOnce();
    void announcesARunOfLocationsOnce();
    void clearStartsAfresh();
};

void TestResultListModel::keepsTheModelContract_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<int>("insertions"); // rowsInserted signals: a bulk append is one
    QTest::addColumn<int>("edits");      // dataChanged signals
    QTest::addColumn<int>("resets");     // modelReset signals

    QTest::newRow("empty appends, one row added") << Change([](ResultListModel &m) {
        m.AppendRows({});
        m.AppendNumbers({});
        m.Add(u"7"_s);
    }) << 4 << 1 << 0 << 0;
    QTest::newRow("bulk append") << Change([](ResultListModel &m) { m.AppendRows(Rows(100000)); })
                                 << 100003 << 1 << 0 << 0;
    QTest::newRow("numbers appended") << Change([](ResultListModel &m) {
        m.AppendNumbers(QStringList(100000, u"13800138000"_s));
    }) << 100003 << 1 << 0 << 0;
    QTest::newRow("cells edited") << Change([](ResultListModel &m) {
        m.SetNumber(3, u" 1380013800"_s);
        m.SetLocation(1, u"广东 移动"_s);
    }) << 3 << 0 << 2 << 0;
    QTest::newRow("cleared twice, then filled") << Change([](ResultListModel &m) {
        m.Clear();
        m.Clear();
        m.AppendRows(Rows(2));
        m.Add(u"3"_s);
    }) << 3 << 2 << 0 << 1;
    QTest::newRow("rows kept") << Change([](ResultListModel &m) {
        m.KeepRows({1, 3});
    }) << 2 << 0 << 0 << 1;
}

void TestResultListModel::keepsTheModelContract() {
    QFETCH(Change, change);
    ResultListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    AddColumns(model);
    model.AppendRows(Rows(3));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    change(model);
    QTEST(model.rowCount(), "rowsAfter");
    QTEST(int(inserted.count()), "insertions");
    QTEST(int(changed.count()), "edits");
    QTEST(int(reset.count()), "resets");
    // An edited cell is announced as itself, so a view repaints it alone.
    const QStringList written{u" 1380013800"_s, u"广东 移动"_s};
    for (const QList<QVariant> &signal : changed) {
        const auto cell = signal.at(0).value<QModelIndex>();
        QCOMPARE(signal.at(1).value<QModelIndex>(), cell);
        QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), written[cell.column() - 1]);
    }
}

void TestResultListModel::keepsEveryNumberExactly_data() {
    QTest::addColumn<QString>("number");
    QTest::newRow("eleven digits") << u"13800138000"_s;
    QTest::newRow("a leading zero") << u"01380013800"_s;
    QTest::newRow("a leading blank") << u" 1380013800"_s;
    QTest::newRow("full-width digits") << u"１３８００１３８０００"_s;
    QTest::newRow("ten digits") << u"1380013800"_s;
    QTest::newRow("empty") << QString();
}

// However a number comes in, it comes back as it went in, and moves with its row.
void TestResultListModel::keepsEveryNumberExactly() {
    QFETCH(QString, number);
    const QString neighbour = u"- 138001380"_s; // a text of its own beside it
    ResultListModel model;
    AddColumns(model);
    model.AppendRows({{u"1"_s, neighbour, {}}, {u"2"_s, number, {}}});
    model.AppendNumbers({number, neighbour});
    const int added = model.Add(u"5"_s);
    model.SetNumber(added, number);
    for (const int position : {2, 3, 5}) {
        QCOMPARE(model.Number(position), number);
        QCOMPARE(Cell(model, position, 1), number);
    }
    QCOMPARE(model.Number(4), neighbour);
    model.SetNumber(1, number); // written over another
    QCOMPARE(model.Number(1), number);
    model.KeepRows({3, 4, 5});
    QCOMPARE(model.Number(1), number);
    QCOMPARE(model.Number(2), neighbour);
    QCOMPARE(model.Number(3), number);
}

void TestResultListModel::keepsSerials_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("serials");

    QTest::newRow("given ones, then numbers appended") << Change([](ResultListModel &m) {
        m.AppendRows({{u"10"_s, {}, {}}, {u" 2"_s, {}, {}}, {u"3"_s, {}, {}}, {QString(), {}, {}}});
        m.Add(u"7"_s);
        m.AppendNumbers({u"13800138000"_s, u"13800138001"_s});
    }) << QStringList{u"10"_s, u" 2"_s, u"3"_s, QString(), u"7"_s, u"6"_s, u"7"_s};
    QTest::newRow("renumbered by KeepRows") << Change([](ResultListModel &m) {
        m.AppendRows({{u"10"_s, {}, {}}, {u"20"_s, {}, {}}, {u"30"_s, {}, {}}});
        m.KeepRows({2, 3});
    }) << QStringList{u"1"_s, u"2"_s};
    QTest::newRow("forgotten by Clear") << Change([](ResultListModel &m) {
        m.AppendRows({{u"10"_s, {}, {}}, {u"20"_s, {}, {}}});
        m.Clear();
        m.AppendNumbers({u"13800138000"_s, u"13800138001"_s});
    }) << QStringList{u"1"_s, u"2"_s};
}

void TestResultListModel::keepsSerials() {
    QFETCH(Change, change);
    QFETCH(QStringList, serials);
    ResultListModel model;
    AddColumns(model);
    change(model);
    QCOMPARE(model.Count(), serials.size());
    for (int position = 1; position <= model.Count(); ++position) {
        QCOMPARE(model.Text(position), serials[position - 1]);
        QCOMPARE(Cell(model, position, 0), serials[position - 1]);
    }
}

// Rows with the same answer share it; another city is another answer.
void TestResultListModel::holdsEachAnswerOnce() {
    ResultListModel model;
    AddColumns(model);
    model.AppendNumbers(QStringList(1000, u"13800138000"_s));
    const QString location = u"广东 移动"_s;
    model.SetLocations(1, QList<RowLocation>(600, RowLocation{location, kGuangzhou}));
    for (int position = 601; position <= 1000; ++position)
        model.SetLocation(position, location, position % 2 ? kGuangzhou : kShenzhen);

    QCOMPARE(&model.Answer(999), &model.Answer(600));
    QCOMPARE(&model.Answer(1), &model.Answer(999));
    QCOMPARE(&model.Answer(1000), &model.Answer(602));
    QCOMPARE(model.Location(1).constData(), model.Location(1000).constData());
    QCOMPARE(model.Answer(999), kGuangzhou);
    QCOMPARE(model.Answer(1000), kShenzhen);

    model.SetLocation(2, u"浙江 联通"_s, {u"浙江"_s, u"杭州"_s, u"中国联通"_s});
    QCOMPARE(Cell(model, 2, 2), u"浙江 联通"_s);
    QCOMPARE(model.Answer(2).city, u"杭州"_s);
    QCOMPARE(Cell(model, 1, 2), location);
    QCOMPARE(model.Answer(3), kGuangzhou);
    // A location without an answer, and one emptied, keep none.
    model.SetLocation(4, location);
    model.SetLocation(5, QString());
    QCOMPARE(model.Location(4), location);
    QCOMPARE(model.Answer(4), RowAnswer());
    QCOMPARE(model.Location(5), QString());
    QCOMPARE(model.Answer(5), RowAnswer());
}

// A run of answers is one change of exactly those location cells.
void TestResultListModel::announcesARunOfLocationsOnce() {
    ResultListModel model;
    AddColumns(model);
    model.AppendRows(Rows(5));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetLocations(2, {{u"广东 移动"_s, kGuangzhou}, {}, {u"广东 移动"_s, kShenzhen}});
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<QModelIndex>(), model.index(1, 2));
    QCOMPARE(changed[0][1].value<QModelIndex>(), model.index(3, 2));
    QCOMPARE(model.Answer(2), kGuangzhou);
    QCOMPARE(model.Location(3), QString());
    QCOMPARE(model.Answer(4), kShenzhen);
    QCOMPARE(model.Location(5), QString());
}

// Clear forgets a stopped batch, even on an empty list, and the answers held.
void TestResultListModel::clearStartsAfresh() {
    ResultListModel model;
    AddColumns(model);
    model.SetBatchStopped(true);
    model.Clear();
    QVERIFY(!model.BatchStopped());

    model.AppendRows({{u"9"_s, u" 1380000001"_s, u"广东 移动"_s, kGuangzhou, RowQuery::Answered}});
    model.SetBatchStopped(true);
    model.Clear();
    QVERIFY(!model.BatchStopped());
    model.AppendNumbers({u"13800000002"_s, u"-1380000003"_s});
    QCOMPARE(model.Answer(1), RowAnswer());
    model.SetLocation(2, u"广东 移动"_s, kGuangzhou);
    QCOMPARE(model.Answer(2), kGuangzhou);
    QCOMPARE(model.Location(2), u"广东 移动"_s);
}

QTEST_GUILESS_MAIN(TestResultListModel)
#include "tst_resultlistmodel.moc"
