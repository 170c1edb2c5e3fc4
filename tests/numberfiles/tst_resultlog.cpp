// Where the code page cannot hold a character, the whole log becomes UTF-16.
#include "recordingview.h"
#include "resultlog.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A code page (in UTF-8 bytes) of the characters up to `last`.
CodePage HoldingUpTo(char16_t last) {
    return {[last](QStringView text) -> std::optional<QByteArray> {
                for (QChar c : text) {
                    if (c.unicode() > last)
                        return std::nullopt;
                }
                return text.toUtf8();
            },
            [](QByteArrayView bytes) {
                return QString::fromUtf8(bytes);
            }};
}
} // namespace

class TestResultLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codePageOrUtf16_data();
    void codePageOrUtf16();
};

void TestResultLog::codePageOrUtf16_data() {
    QTest::addColumn<char16_t>("last");
    QTest::addColumn<QStringList>("locations");
    QTest::addColumn<bool>("utf16");
    const QStringList chinese{u"广东 移动"_s, u"北京 联通"_s};
    QTest::newRow("everything fits") << char16_t(0xFFFF) << chinese << false;
    QTest::newRow("not even the header fits") << char16_t(0x7F) << chinese << true;
    // The header and the first line are rewritten, nothing turned into '?'.
    QTest::newRow("a later line does not fit")
        << char16_t(0x9FFF) << QStringList{u"广东 移动"_s, u"\U00020000 电信"_s} << true;
}

void TestResultLog::codePageOrUtf16() {
    QFETCH(char16_t, last);
    QFETCH(QStringList, locations);
    QFETCH(bool, utf16);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"tarvio.txt"_s);
    QVERIFY(WriteWholeFile(path, "an earlier run, longer than this one\r\n"));

    ResultLog log(path, HoldingUpTo(last));
    QVERIFY(log.Create());
    QVERIFY(log.WriteLine(ResultLog::HeaderFields()));
    QString text = u"序号\t手机号\t\t归属地\r\n"_s;
    for (int i = 0; i < locations.size(); ++i) {
        QVERIFY(log.WriteLine({QString::number(i + 1), u"1380013800%1"_s.arg(i), locations[i]}));
        text += u"%1\t1380013800%2\t%3\r\n"_s.arg(i + 1).arg(i).arg(locations[i]);
    }
    log.Close();
    QStringEncoder utf16Le(QStringConverter::Utf16LE);
    QCOMPARE(ReadWholeFile(path),
             utf16 ? "\xFF\xFE" + QByteArray(utf16Le.encode(text)) : text.toUtf8());
}

QTEST_GUILESS_MAIN(TestResultLog)
#include "tst_resultlog.moc"
