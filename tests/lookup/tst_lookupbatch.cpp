// Many numbers on kept-alive connections: answers in the order asked, each row as when asked
// alone, none asked more than twice.
#include "commandwaiter.h"
#include "lookupbatch.h"
#include "lookupclient.h"
#include "loopbackserver.h"

#include <QTest>
#include <QTimer>

#include <atomic>

using namespace Qt::StringLiterals;

using Reply = LoopbackServer::Reply;
using Request = LoopbackServer::Request;

Q_DECLARE_METATYPE(LoopbackServer::Handler)

namespace {
constexpr int kRows = 60;

QString Number(int row) {
    return u"139%1"_s.arg(row, 8, 10, QLatin1Char('0'));
}

int RowOf(const QString &tel) {
    return tel.right(8).toInt();
}

// The number as its province, so that each answer can be told to be its row's.
Reply Found(const Request &request) {
    Reply reply;
    reply.body = ZoneAnswer(request.tel, request.tel, u"中国移动"_s);
    return reply;
}

struct BatchRun {
    QList<LookupBatch::Answered> answers;
    bool ended = false;
};

// Rows 1 to `rows`; `whileWaiting` is called every millisecond or so while the batch waits.
BatchRun RunBatch(LookupClient &client, int rows, LookupBatch::Keep keep = {},
                  const std::function<void(LookupBatch &)> &whileWaiting = {}) {
    EventLoopWaiter waiter;
    BatchRun run;
    LookupBatch batch(client, waiter, std::move(keep));
    QTimer look;
    if (whileWaiting) {
        QObject::connect(&look, &QTimer::timeout, [&] { whileWaiting(batch); });
        look.start(1);
    }
    int next = 1;
    for (;;) {
        QList<LookupBatch::Question> questions;
        for (qsizetype room = batch.Room(); room > 0 && next <= rows; --room, ++next)
            questions.append({Number(next), QString::number(next)});
        batch.Ask(std::move(questions));
        run.answers += batch.Take();
        if (run.answers.size() == rows || batch.Ended())
            break;
        waiter.Wait();
    }
    run.ended = batch.Ended();
    return run;
}
} // namespace

class TestLookupBatch : public QObject {
    Q_OBJECT
    std::unique_ptr<LoopbackServer> m_server;

    int TimesAsked(int row) const {
        const QList<Request> requests = m_server->Requests();
        return int(std::count_if(requests.begin(), requests.end(), [row](const Request &request) {
            return RowOf(request.tel) == row;
        }));
    }

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<LoopbackServer>(); // the last test's goes
        QVERIFY(m_server->Start());
    }

    // Every row is right whatever the service does with connections, but the rows whose own
    // answer is bad, which fail as transfers.
    void servicesThatCloseOrFail_data() {
        QTest::addColumn<LoopbackServer::Handler>("service");
        QTest::addColumn<QList<int>>("failing");
        const auto with = [](std::function<void(const Request &, Reply &)> change) {
            return LoopbackServer::Handler([change](const Request &request) {
                Reply reply = Found(request);
                change(request, reply);
                return reply;
            });
        };
        const auto forRow = [&](int row, std::function<void(Reply &)> change) {
            return with([row, change](const Request &request, Reply &reply) {
                if (RowOf(request.tel) == row)
                    change(reply);
            });
        };
        const auto every = [&](bool Reply::*flag, std::function<bool(const Request &)> when = {}) {
            return with([flag, when](const Request &request, Reply &reply) {
                reply.*flag = !when || when(request);
            });
        };
        const QList<int> none;
        QTest::newRow("keeps every connection") << with([](const Request &, Reply &) {}) << none;
        QTest::newRow("closes after every answer, saying nothing")
            << every(&Reply::closeAfterAnswer) << none;
        QTest::newRow("says Connection: close with every answer")
            << every(&Reply::announceClose) << none;
        QTest::newRow("speaks HTTP/1.0") << every(&Reply::http10) << none;
        QTest::newRow("says Connection: close halfway")
            << every(&Reply::announceClose, [](auto &r) { return RowOf(r.tel) > kRows / 2; })
            << none;
        QTest::newRow("closes in the middle of what was sent on a connection")
            << every(&Reply::closeAfterAnswer, [](auto &r) { return r.onConnection == 3; }) << none;
        QTest::newRow("drops a kept connection instead of an answer")
            << every(&Reply::dropConnection, [](auto &r) { return r.onConnection == 4; }) << none;
        QTest::newRow("drops the connection for one number, every time")
            << forRow(20, [](Reply &reply) { reply.dropConnection = true; }) << QList<int>{20};
        // Given up after the time-out; the rows behind it go out again.
        QTest::newRow("stalls a kept connection")
            << forRow(20, [](Reply &reply) { reply.held = true; }) << QList<int>{20};
        QTest::newRow("an endless body")
            << forRow(20, [](Reply &reply) { reply.fillerBytes = LoopbackServer::kEndless; })
            << QList<int>{20};
        QTest::newRow("not HTTP") << forRow(20, [](Reply &reply) {
            reply.notHttp = true;
            reply.body = "SSH-2.0-OpenSSH_9.2\r\n";
        }) << QList<int>{20};
    }

    void servicesThatCloseOrFail() {
        QFETCH(LoopbackServer::Handler, service);
        QFETCH(QList<int>, failing);
        m_server->SetHandler(service);
        LookupClient client(m_server->HostAndPort(), 1000);
        const BatchRun run = RunBatch(client, kRows);

        QCOMPARE(run.answers.size(), kRows);
        for (int row = 1; row <= kRows; ++row) {
            const LookupBatch::Answered &answered = run.answers[row - 1];
            QCOMPARE(answered.number, Number(row));
            QCOMPARE(answered.label, QString::number(row));
            if (failing.contains(row)) {
                QVERIFY2(answered.answer.TransferFailed(), qPrintable(Number(row)));
            } else {
                QVERIFY2(answered.answer.accepted(), qPrintable(Number(row)));
                QCOMPARE(answered.answer.province, Number(row));
            }
            QVERIFY2(TimesAsked(row) <= 2,
                     qPrintable(u"row %1 asked %2 times"_s.arg(row).arg(TimesAsked(row))));
        }
    }

    // Answers on other connections wait for the row held.
    void handsBackInRowOrder() {
        constexpr int kHeld = 5;
        m_server->SetHandler([](const Request &request) {
            Reply reply = Found(request);
            reply.held = RowOf(request.tel) == kHeld;
            return reply;
        });
        LookupClient client(m_server->HostAndPort(), 60'000);
        bool released = false;
        const BatchRun run = RunBatch(client, kRows, {}, [&](LookupBatch &) {
            if (!released && m_server->RequestCount() == kRows) {
                released = true;
                m_server->ReleaseHeld(Number(kHeld));
            }
        });
        QVERIFY(released);
        QCOMPARE(run.answers.size(), kRows);
        for (int row = 1; row <= kRows; ++row)
            QCOMPARE(run.answers[row - 1].answer.province, Number(row));
        QVERIFY(m_server->ConnectionCount() > 1);
    }

    // What Keep does not take is gone, and nothing after it comes.
    void keepEndsTheBatch() {
        m_server->SetHandler(Found);
        LookupClient client(m_server->HostAndPort(), 60'000);
        std::atomic<int> kept{0};
        const BatchRun run =
            RunBatch(client, kRows, [&](const QList<LookupBatch::Answered> &answers) {
                const int before = kept.load();
                const qsizetype upTo = std::min<qsizetype>(answers.size(), 10 - before);
                kept += int(upTo);
                return LookupBatch::Kept{upTo, before + upTo >= 10};
            });
        QVERIFY(run.ended);
        QCOMPARE(run.answers.size(), 10);
        for (int row = 1; row <= 10; ++row)
            QCOMPARE(run.answers[row - 1].number, Number(row));
    }

    // A stop closes the connections with rows on their way; what was handed back stays.
    void stopEndsTheBatch() {
        m_server->SetHandler([](const Request &request) {
            Reply reply = Found(request);
            reply.held = RowOf(request.tel) > 3;
            return reply;
        });
        LookupClient client(m_server->HostAndPort(), 60'000);
        bool stopped = false;
        const BatchRun run = RunBatch(client, kRows, {}, [&](LookupBatch &batch) {
            if (!stopped && m_server->RequestCount() > 3 && m_server->WaitingCount() > 0) {
                batch.Stop();
                stopped = true;
            }
        });
        QVERIFY(stopped);
        QVERIFY(run.ended);
        QVERIFY(run.answers.size() <= 3);
        for (qsizetype i = 0; i < run.answers.size(); ++i)
            QCOMPARE(run.answers[i].number, Number(int(i) + 1));
        QTRY_COMPARE(m_server->WaitingCount(), 0);
    }

    // Rows on their way are bounded: four connections at another host, its reach at our own.
    void boundedOnTheWay_data() {
        QTest::addColumn<bool>("ours");
        QTest::newRow("another host") << false;
        QTest::newRow("our own service") << true;
    }

    void boundedOnTheWay() {
        QFETCH(bool, ours);
        std::atomic<int> mostWaiting{0};
        m_server->SetHandler([&](const Request &request) {
            mostWaiting = std::max(mostWaiting.load(), m_server->WaitingCount());
            return Found(request);
        });
        LookupClient client(m_server->HostAndPort(), 60'000);
        client.SetServiceIsOurs(ours);
        const LookupClient::Reach reach = client.CurrentReach();
        QCOMPARE(reach.connections, ours ? LookupClient::kOwnServiceReach.connections : 4);
        constexpr int kMany = 3000;
        const BatchRun run = RunBatch(client, kMany);
        QCOMPARE(run.answers.size(), kMany);
        QVERIFY(m_server->ConnectionCount() <= reach.connections);
        QVERIFY2(mostWaiting <= reach.connections * reach.requestsPerConnection,
                 qPrintable(u"%1 waiting at once"_s.arg(mostWaiting.load())));
        QVERIFY(mostWaiting > 1);
    }
};

QTEST_GUILESS_MAIN(TestLookupBatch)
#include "tst_lookupbatch.moc"
