#include "recordingview.h"
#include "saveresults.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSaveResults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // No rows, and rows found only after the first: tst_mainwindow.
    void savedWhenTheTopRowHasALocation_data() {
        QTest::addColumn<QStringList>("locations");
        QTest::newRow("top row found") << QStringList{u"广东 移动"_s, u""_s};
        QTest::newRow("blanks are a location") << QStringList{u" "_s};
    }

    void savedWhenTheTopRowHasALocation() {
        QFETCH(QStringList, locations);
        RecordingView view;
        view.Fill(locations);
        SaveResults(view);
        // A single CR, which the message box shows as a line break.
        QCOMPARE(view.events,
                 QStringList{Prompt(u"手机归属地信息已保存到软件目录\r下 tarvio.txt 文件中！"_s)});
    }
};

QTEST_GUILESS_MAIN(TestSaveResults)
#include "tst_saveresults.moc"
