// The list's own commands: 清空内容, the copy of a double click, and 筛选.
#include "clearlist.h"
#include "copynumber.h"
#include "filterresult.h"
#include "recordingview.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestListCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clearEmptiesListAndCaption();
    void copyTakesTheSelectedNumberAsItStands();
    void filterKeepsTheLastOfEachLocation_data();
    void filterKeepsTheLastOfEachLocation();
};

void TestListCommands::clearEmptiesListAndCaption() {
    RecordingView view;
    view.Fill({u"北京 移动"_s, {}});
    ClearList(view);
    QCOMPARE(view.lv.Count(), 0);
    QCOMPARE(view.lv.columnCount(), 0); // the columns are the window's, not the command's
    QCOMPARE(view.events, QStringList{Caption(QString())});
    ClearList(view); // an empty list: the caption is emptied all the same
    QCOMPARE(view.events, QStringList({Caption(QString()), Caption(QString())}));
}

void TestListCommands::copyTakesTheSelectedNumberAsItStands() {
    RecordingView view;
    CopyNumber(view); // nothing selected, nothing in the list: nothing happens
    QCOMPARE(view.events, QStringList());

    view.lv.AppendRows({{u"1"_s, u"13900139000"_s, {}}, {u"2"_s, u" 1380013800"_s, {}}});
    view.selectedRow = 2;
    CopyNumber(view);
    CopyNumber(view);
    const QStringList once{Clipboard(u" 1380013800"_s),
                           Prompt(u"手机号 1380013800已复制到剪切板！"_s)};
    QCOMPARE(view.events, once + once);
}

void TestListCommands::filterKeepsTheLastOfEachLocation_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("distinct");
    QTest::newRow("the last of each, compared without surrounding blanks")
        << QStringList{u"北京 移动"_s, u"浙江 联通"_s, u""_s, u" 北京 移动 "_s, u"浙江 联通"_s}
        << QStringList{u""_s, u""_s, u""_s, u" 北京 移动 "_s, u"浙江 联通"_s}
        << QStringList{u"北京 移动"_s, u"浙江 联通"_s};
    QTest::newRow("case-sensitive")
        << QStringList{u"ab"_s, u"AB"_s} << QStringList{u"ab"_s, u"AB"_s}
        << QStringList{u"ab"_s, u"AB"_s};
    // Only spaces are surrounding blanks here, not tabs.
    QTest::newRow("tabs count") << QStringList{u"\tab"_s, u"ab"_s}
                                << QStringList{u"\tab"_s, u"ab"_s}
                                << QStringList{u"\tab"_s, u"ab"_s};
    // A blank cell matches an empty one; only a cell with text is listed.
    QTest::newRow("blank cells") << QStringList{u"  "_s, u""_s, u"  "_s}
                                 << QStringList{u""_s, u""_s, u"  "_s} << QStringList{u""_s};
}

void TestListCommands::filterKeepsTheLastOfEachLocation() {
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

QTEST_GUILESS_MAIN(TestListCommands)
#include "tst_listcommands.moc"
