// The list's own commands: 清空内容, 筛选 and 去除重复号码 (the copy of a
// double click: tst_mainwindow).
#include "clearlist.h"
#include "filterresult.h"
#include "recordingview.h"
#include "removerepeats.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// "number|location|query": 'a' answered, 'f' failed transfer, nothing not asked; the
// answer's province is the location's first word.
ResultRow RowOf(const QString &shorthand, int serial) {
    const QStringList parts = shorthand.split(u'|');
    ResultRow row{QString::number(serial), parts.value(0), parts.value(1), {}};
    if (!row.location.isEmpty())
        row.answer.province = row.location.section(u' ', 0, 0);
    const QString query = parts.value(2);
    row.query = query == u"a"_s   ? RowQuery::Answered
                : query == u"f"_s ? RowQuery::TransferFailed
                                  : RowQuery::NotAsked;
    return row;
}
QString ShorthandOf(const ResultListModel &lv, int position) {
    const RowQuery query = lv.Query(position);
    QString shorthand = lv.Number(position) + u'|' + lv.Location(position);
    if (query != RowQuery::NotAsked)
        shorthand += u'|' + QString(query == RowQuery::Answered ? u'a' : u'f');
    return shorthand;
}
} // namespace

class TestListCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clearEmptiesListAndCaption() {
        RecordingView view;
        view.Fill({u"北京 移动"_s, {}});
        ClearList(view);
        QCOMPARE(view.lv.Count(), 0);
        QCOMPARE(view.lv.columnCount(), 0); // the columns are the window's, not the command's
        QCOMPARE(view.events, QStringList{Caption(QString())});
        ClearList(view); // an empty list: the caption is emptied all the same
        QCOMPARE(view.events, QStringList({Caption(QString()), Caption(QString())}));
    }

    void filterKeepsTheLastOfEachLocation_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("distinct");
        QTest::newRow("the last of each, compared without surrounding blanks")
            << QStringList{u"北京 移动"_s, u"浙江 联通"_s, u""_s, u" 北京 移动 "_s, u"浙江 联通"_s}
            << QStringList{u""_s, u""_s, u""_s, u" 北京 移动 "_s, u"浙江 联通"_s}
            << QStringList{u"北京 移动"_s, u"浙江 联通"_s};
        QTest::newRow("case and tabs count") // only spaces are surrounding blanks
            << QStringList{u"ab"_s, u"AB"_s, u"\tab"_s} << QStringList{u"ab"_s, u"AB"_s, u"\tab"_s}
            << QStringList{u"ab"_s, u"AB"_s, u"\tab"_s};
        QTest::newRow("blank cells match empty ones")
            << QStringList{u"  "_s, u""_s, u"  "_s} << QStringList{u""_s, u""_s, u"  "_s}
            << QStringList{u""_s};
    }

    void filterKeepsTheLastOfEachLocation() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QStringList, distinct);
        RecordingView view;
        view.Fill(before);
        FilterResult(view);
        QStringList locations;
        for (int i = 1; i <= view.lv.Count(); ++i)
            locations.append(view.lv.Location(i));
        QCOMPARE(locations, after);
        QCOMPARE(view.events, QStringList{Distinct(distinct)});
    }

    void removeRepeatsKeepsTheFirst_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QString a = u"13800138000"_s, b = u"13900139000"_s, c = u"13700137000"_s;
        QTest::newRow("the first of each, in list order")
            << QStringList{a, b, a, c, b, a} << QStringList{a + u'|', b + u'|', c + u'|'};
        QTest::newRow("the same digits written otherwise")
            << QStringList{a, u"+86 138 0013 8000"_s, u"１３８－００１３－８０００"_s, b}
            << QStringList{a + u'|', b + u'|'};
        QTest::newRow("numbers that are not eleven digits")
            << QStringList{u" 1380013800"_s, u"1380013800 "_s, u" 1380013800"_s, u"-1380013800"_s}
            << QStringList{u" 1380013800|"_s, u"1380013800 |"_s, u"-1380013800|"_s};
        QTest::newRow("locations stay with their rows")
            << QStringList{a + u"|广东 移动|a"_s, b + u"||a"_s, a + u"|广东 移动|a"_s, c + u"||f"_s}
            << QStringList{a + u"|广东 移动|a"_s, b + u"||a"_s, c + u"||f"_s};
        QTest::newRow("the first takes a repeat's location")
            << QStringList{a + u"||f"_s, a + u"|广东 移动|a"_s, b, b + u"||a"_s,
                           b + u"|北京 联通|a"_s}
            << QStringList{a + u"|广东 移动|a"_s, b + u"||a"_s};
        QTest::newRow("a location of its own stays")
            << QStringList{a + u"|广东 移动|a"_s, a + u"|北京 联通|a"_s}
            << QStringList{a + u"|广东 移动|a"_s};
    }

    void removeRepeatsKeepsTheFirst() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        RecordingView view;
        QList<ResultRow> rows;
        for (const QString &shorthand : before)
            rows.append(RowOf(shorthand, int(rows.size() + 1)));
        view.lv.AppendRows(rows);
        view.lv.SetBatchStopped(true);

        RemoveRepeatedNumbers(view);
        QStringList kept;
        for (int i = 1; i <= view.lv.Count(); ++i) {
            QCOMPARE(view.lv.Text(i), QString::number(i));
            QCOMPARE(view.lv.Answer(i).province, view.lv.Location(i).section(u' ', 0, 0));
            kept.append(ShorthandOf(view.lv, i));
        }
        QCOMPARE(kept, after);
        QCOMPARE(view.events, QStringList{Caption(u"已去除重复号码%1条，剩余%2条"_s
                                                      .arg(before.size() - after.size())
                                                      .arg(after.size()))});
        QVERIFY(view.lv.BatchStopped());
    }

    void removeRepeatsOnAnEmptyList() {
        RecordingView view;
        RemoveRepeatedNumbers(view);
        QCOMPARE(view.events, QStringList{Prompt(u"你还没有导入号码呢！"_s)});
    }
};

QTEST_GUILESS_MAIN(TestListCommands)
#include "tst_listcommands.moc"
