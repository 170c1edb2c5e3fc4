// The newest blocks (190-197, 162-167, 171-175) through the real window and the
// built segment-service on its built-in data: every row found as the 2025-02
// table has it.
#include "filedialog.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "serviceprocess.h"
#include "skinengine.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

int IgnoreSkin(const char *, const char *) {
    return 0;
}

// A block of each prefix (every block: tst_builtinsegments).
struct Expected {
    const char *number;
    const char *location;
};
constexpr Expected kNumbers[] = {
    {"19000601234", "新疆 电信"}, {"19200001234", "广东 广电"}, {"19300101234", "贵州 电信"},
    {"19600001234", "北京 联通"}, {"19700001234", "青海 移动"}, {"16201851234", "广东 电信"},
    {"16500001234", "北京 移动"}, {"16700011234", "北京 联通"}, {"17100001234", "北京 联通"},
    {"17200001234", "北京 移动"}, {"17300011234", "北京 电信"}, {"17400001234", "陕西 电信"},
    {"17500001234", "北京 联通"},
};

} // namespace

class TestNewBlocks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void batchFindsEveryNumber();
};

void TestNewBlocks::batchFindsEveryNumber() {
    SkinEngine::SendCallsTo(&IgnoreSkin);
    MessageBox::AnswerOkUnseen();
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    const auto reset = qScopeGuard([] {
        MessageBox::Reset();
        FileDialog::Reset();
        SkinEngine::Reset();
        SetProgramDirectory(QString());
    });

    const QString binary = CopyServiceInto(dir.path());
    QVERIFY(!binary.isEmpty());
    const ServiceProcess service(binary);
    QVERIFY2(service.port > 0, qPrintable(service.output));

    QByteArray lines;
    for (const Expected &e : kNumbers)
        lines += QByteArray(e.number) + "\r\n";
    const QString numbers = dir.filePath(u"numbers.txt"_s);
    QFile file(numbers);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size());
    file.close();

    MainWindow window(u"127.0.0.1:%1"_s.arg(service.port), 30'000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FileDialog::SetNextFileName(numbers);
    window.findChild<QPushButton *>(u"import"_s)->click();
    const int count = int(std::size(kNumbers));
    QCOMPARE(window.Frame2Box()->title(), u"共导入%1条号码，无效号码0条"_s.arg(count));
    window.findChild<QPushButton *>(u"batch"_s)->click();
    QCOMPARE(window.Frame2Box()->title(), u"查询完毕，成功%1条，失败0条"_s.arg(count));
    QStringList found, expected;
    for (int i = 0; i < count; ++i) {
        found << window.ListModel()->Number(i + 1) + u' ' + window.ListModel()->Location(i + 1);
        expected << QString::fromUtf8(kNumbers[i].number) + u' ' +
                        QString::fromUtf8(kNumbers[i].location);
    }
    QCOMPARE(found, expected);
    QVERIFY(MessageBox::Texts().isEmpty());
}

QTEST_MAIN(TestNewBlocks)
#include "tst_newblocks.moc"
