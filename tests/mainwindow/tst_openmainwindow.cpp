// The program's start as main() makes it, with the compiled-in hosts given
// here: a compatible service answers, and only a stranger at the built-in
// host is told to the user.
#include "bundledservice.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "openmainwindow.h"
#include "prompt.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Answers as a segment service, naming itself as ours never does.
LoopbackServer::Reply CompatibleAnswer(const LoopbackServer::Request &request) {
    LoopbackServer::Reply reply;
    reply.body = ZoneAnswer(request.tel, u"火星"_s, u"中国联通"_s);
    reply.extraHeaders = "Server: someone-elses-service/2.1\r\n";
    return reply;
}

LoopbackServer::Reply NotFound(const LoopbackServer::Request &) {
    LoopbackServer::Reply reply;
    reply.status = 404;
    reply.body = "<html>Not Found</html>";
    return reply;
}
} // namespace

class TestOpenMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void lookupsGoWhereTheServiceSays_data();
    void lookupsGoWhereTheServiceSays();
};

void TestOpenMainWindow::cleanup() {
    MessageBox::Reset();
}

void TestOpenMainWindow::lookupsGoWhereTheServiceSays_data() {
    QTest::addColumn<bool>("stranger");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("prompts"); // the notice at start, then the query's
    QTest::newRow("a compatible service at a host set at build time")
        << false << u"查询成功，归属地为火星联通"_s << QStringList();
    // No service beside the program to start instead: the user is told why.
    QTest::newRow("a stranger at the built-in host")
        << true << u"正在查询请稍后……"_s
        << QStringList{u"本机 %1 已被其他程序占用，软件目录下又没有号码段服务 "
                       u"segment-service，无法查询归属地。"_s,
                       u"网络连接失败，请检查网络后重试！"_s};
}

void TestOpenMainWindow::lookupsGoWhereTheServiceSays() {
    QFETCH(bool, stranger);
    QFETCH(QString, caption);
    QFETCH(QStringList, prompts);
    MessageBox::AnswerOkUnseen();
    LoopbackServer server;
    QVERIFY(server.Start());
    server.SetHandler(stranger ? NotFound : CompatibleAnswer);
    if (!prompts.isEmpty())
        prompts.first() = prompts.first().arg(server.HostAndPort());
    QTemporaryDir programDirectory;
    const QString builtIn = stranger ? server.HostAndPort() : u"127.0.0.1:1"_s;

    BundledService service(server.HostAndPort(), builtIn, programDirectory.path());
    const QPointer<MainWindow> window = OpenMainWindow(service);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents(); // the notice, if any, comes first
    window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(u"13012345678"_s);
    QTest::mouseClick(window->findChild<QPushButton *>(u"seach"_s), Qt::LeftButton);

    QCOMPARE(window->Frame1Box()->title(), caption);
    QCOMPARE(MessageBox::Texts(), prompts);
    // A stranger is looked at once, and asked no lookup.
    QCOMPARE(server.RequestCount(), 1);
    QCOMPARE(server.Requests().last().tel == u"13012345678"_s, !stranger);
    window->close();
    QTRY_VERIFY(window.isNull()); // it deletes itself
}

QTEST_MAIN(TestOpenMainWindow)
#include "tst_openmainwindow.moc"
