// The result list model on its own, under Qt's model tester: every change the
// commands make must keep the model's contract with its views.
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
} // namespace

class TestResultListModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsTheModelContract_data();
    void keepsTheModelContract();
};

void TestResultListModel::keepsTheModelContract_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<int>("insertions"); // rowsInserted signals: a bulk append is one
    QTest::addColumn<int>("edits");      // dataChanged signals

    QTest::newRow("one row added")
        << Change([](ResultListModel &m) { m.Add(u"7"_s); }) << 4 << 1 << 0;
    QTest::newRow("bulk append") << Change([](ResultListModel &m) { m.AppendRows(Rows(100000)); })
                                 << 100003 << 1 << 0;
    QTest::newRow("empty append") << Change([](ResultListModel &m) { m.AppendRows({}); }) << 3 << 0
                                  << 0;
    // Cells are stored and shown exactly as written.
    QTest::newRow("cells edited") << Change([](ResultListModel &m) {
        m.SetNumber(3, u" 1380013800"_s);
        m.SetLocation(1, u"广东 移动"_s);
    }) << 3 << 0 << 2;
    QTest::newRow("cleared twice") << Change([](ResultListModel &m) {
        m.Clear();
        m.Clear();
    }) << 0 << 0 << 0;
    QTest::newRow("cleared, then filled") << Change([](ResultListModel &m) {
        m.Clear();
        m.AppendRows(Rows(2));
        m.Add(u"3"_s);
    }) << 3 << 2 << 0;
}

void TestResultListModel::keepsTheModelContract() {
    QFETCH(Change, change);
    ResultListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char16_t *title : {u"序号", u"手机号码", u"归属地"})
        model.AddColumn(QString::fromUtf16(title));
    model.AppendRows(Rows(3));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    change(model);
    QTEST(model.rowCount(), "rowsAfter");
    QTEST(int(inserted.count()), "insertions");
    QTEST(int(changed.count()), "edits");
    // An edited cell is announced as itself, so a view repaints it alone.
    const QStringList written{u" 1380013800"_s, u"广东 移动"_s};
    for (const QList<QVariant> &signal : changed) {
        const auto cell = signal.at(0).value<QModelIndex>();
        QCOMPARE(signal.at(1).value<QModelIndex>(), cell);
        QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), written[cell.column() - 1]);
    }
}

QTEST_GUILESS_MAIN(TestResultListModel)
#include "tst_resultlistmodel.moc"
