// The clipboard's text imported as a number file is, each line read by its cells.
#include "pastenumberlist.h"
#include "recordingview.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString kBusy = Caption(QStringLiteral("正在导入手机号码，请稍后……"));
const QString a = QStringLiteral("13800138000"), b = QStringLiteral("13900139000");
} // namespace

class TestPasteNumberList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_view = std::make_unique<RecordingView>();
        m_view->Fill({u"北京 移动"_s}); // whatever a paste leaves, this goes
        m_view->fileName = QStringLiteral("/earlier/numbers.txt");
    }

    void lines_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<int>("invalid");

        QTest::newRow("nothing, or an image") << u""_s << QStringList() << 0;
        QTest::newRow("spreadsheet column with header") // not counted invalid
            << u"手机号码\r\n13800138000\r\n13900139000\r\n"_s << QStringList{a, b} << 0;
        QTest::newRow("spreadsheet rows: the first number cell")
            << u"姓名\t手机\t备用\r\n张三\t13800138000\t13900139000\r\n李四\t\t13900139000\r\n"
               "王五\t1380013800\t无\r\n"_s
            << QStringList{a, b} << 1;
        QTest::newRow("the cell as it stands")
            << u"x\t 1380013800\ty\n13800138000 \tz\n"_s << QStringList{u" 1380013800"_s, a} << 0;
        QTest::newRow("CSV text, quoted cells")
            << u"name,phone\n\"王,二\",\"13800138000\"\n\"say \"\"x\"\"\",+86 139 0013 9000\n"_s
            << QStringList{a, b} << 0;
        // Only a first line that names the phone column and holds no number is a header.
        QTest::newRow("a first line that names no phone")
            << u"姓名\t地址\n张三\t13800138000\n"_s << QStringList{a} << 1;
        QTest::newRow("a first line that names the phone and holds one")
            << u"手机\t13800138000\n手机\n"_s << QStringList{a} << 1;
        QTest::newRow("a header further down")
            << u"13800138000\n手机号码\n"_s << QStringList{a} << 1;
        QTest::newRow("an empty first line")
            << u"\n手机号码\n13800138000\n"_s << QStringList{a} << 2;
        QTest::newRow("plain lines") << u"13800138000\r-1380013800\r\n138-0013-800\n\n13900139000"_s
                                     << QStringList{a, u"-1380013800"_s, b} << 2;
        QTest::newRow("a cell with a line end inside quotes")
            << u"\"line one\nline two\"\t13800138000\n"_s << QStringList{a} << 1;
    }

    void lines() {
        QFETCH(QString, clipboard);
        QFETCH(QStringList, numbers);
        QFETCH(int, invalid);
        m_view->clipboardText = clipboard;
        PasteNumberList(*m_view);

        QCOMPARE(
            m_view->events,
            QStringList(
                {kBusy,
                 Caption(u"共导入%1条号码，无效号码%2条"_s.arg(numbers.size()).arg(invalid))}));
        QStringList rows;
        for (int i = 1; i <= m_view->lv.Count(); ++i) {
            QCOMPARE(m_view->lv.Text(i), QString::number(i));
            QCOMPARE(m_view->lv.Location(i), QString());
            rows.append(m_view->lv.Number(i));
        }
        QCOMPARE(rows, numbers);
        QCOMPARE(m_view->fileName, u"/earlier/numbers.txt"_s); // a paste names no file
    }

    // A file's lines are not cut off at 32,767, and neither are a paste's.
    void beyondTheLineCounterOfAFile() {
        QString text;
        for (int i = 0; i < 40'000; ++i)
            text += u"号码\t1380%1\r\n"_s.arg(i, 7, 10, QLatin1Char('0'));
        m_view->clipboardText = text;
        PasteNumberList(*m_view);
        QCOMPARE(m_view->lv.Count(), 40'000);
        QCOMPARE(m_view->lv.Number(40'000), u"13800039999"_s);
        QCOMPARE(m_view->events.last(), Caption(u"共导入40000条号码，无效号码0条"_s));
    }

private:
    std::unique_ptr<RecordingView> m_view;
};

QTEST_GUILESS_MAIN(TestPasteNumberList)
#include "tst_pastenumberlist.moc"
