#include "recordingview.h"
#include "saveresults.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSaveResults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data();
    void answers();
};

void TestSaveResults::answers_data() {
    QTest::addColumn<QStringList>("locations");
    QTest::addColumn<QString>("message");
    // A single CR, which the message box shows as a line break.
    const QString saved = QStringLiteral("手机归属地信息已保存到软件目录\r下 tarvio.txt 文件中！");
    // No rows, and rows found only after the first: tst_mainwindow.
    QTest::newRow("top row found") << QStringList{u"广东 移动"_s, u""_s} << saved;
    QTest::newRow("blanks are a location") << QStringList{u" "_s} << saved;
}

void TestSaveResults::answers() {
    QFETCH(QStringList, locations);
    QFETCH(QString, message);
    RecordingView view;
    view.Fill(locations);
    SaveResults(view);
    QCOMPARE(view.events, QStringList{Prompt(message)});
}

QTEST_GUILESS_MAIN(TestSaveResults)
#include "tst_saveresults.moc"
