#include "transferengine.h"

#include "batchqueue.h"
#include "judgeanswer.h"
#include "serviceconnection.h"

#include <QThread>
#include <QUrl>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace asio = boost::asio;
using asio::ip::tcp;
using Clock = ServiceConnection::Clock;

namespace {
const QByteArray kTargetStart = QByteArrayLiteral("/cc/json/mobile_tel_segment.htm?tel=");

LookupAnswer Failed() {
    LookupAnswer answer;
    answer.outcome = LookupAnswer::Outcome::TransferFailed;
    return answer;
}

// The lookups give way to the window. A fast batch keeps this thread busy,
// and on a machine of two cores the service and it can take both: a screen
// reader's chain of calls then waits for a core at every step, through the
// bus and the window's thread, and a walk of the window takes several times
// as long. Below the window's priority the batch loses nothing while a core
// is free, and the window and its readers are served first when none is.
// (On Linux a thread's nice value is its own; Qt's thread priorities change
// nothing under its default scheduling, so the value is set here. On Windows
// QThread::LowPriority is the system's below-normal priority.)
void GiveWayToTheWindow() {
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

// One row of the batch while it is under way.
struct Row {
    QString number;
    QString label;
    LookupAnswer answer;
    bool done = false;
    bool closedUnder = false; // its connection closed under it once already
};
} // namespace

class TransferEngine::Thread : private ServiceConnection::Listener {
public:
    explicit Thread(const Settings &settings)
        : m_settings(settings)
        , m_work(asio::make_work_guard(m_io))
        , m_resolver(m_io)
        , m_tick(m_io) {
        const std::string name = m_settings.host.toStdString();
        // An IPv6 address goes between brackets in the Host header.
        m_hostField = name.find(':') == std::string::npos ? name : '[' + name + ']';
        if (m_settings.port != 80)
            m_hostField += ':' + std::to_string(m_settings.port);
        // A numeric address needs no name server, now or later.
        boost::system::error_code error;
        const asio::ip::address address = asio::ip::make_address(name, error);
        if (!error)
            m_endpoints.emplace_back(address, m_settings.port);
        m_slots.resize(static_cast<std::size_t>(std::max(1, m_settings.connections)));
        // Named, so that it is known for what it is in a debugger or a profile.
        m_thread.reset(QThread::create([this] {
            GiveWayToTheWindow();
            m_io.run();
        }));
        m_thread->setObjectName(QStringLiteral("tarvio lookups"));
        m_thread->start(QThread::LowPriority);
    }

    ~Thread() {
        Post([this] {
            for (auto &connection : m_slots) {
                if (connection)
                    connection->Close();
            }
            m_resolver.cancel();
            m_tick.cancel();
            m_work.reset();
        });
        m_thread->wait();
    }

    template <typename Handler> void Post(Handler &&handler) {
        asio::post(m_io, std::forward<Handler>(handler));
    }

    void SetReach(int connections, int requestsPerConnection) {
        m_settings.requestsPerConnection = std::max(1, requestsPerConnection);
        const auto wanted = static_cast<std::size_t>(std::max(1, connections));
        for (std::size_t slot = wanted; slot < m_slots.size(); ++slot) {
            if (m_slots[slot])
                m_slots[slot]->Close();
        }
        m_slots.resize(wanted);
    }

    void Begin(std::shared_ptr<BatchQueue> batch) {
        EndBatch({});
        m_batch = std::move(batch);
        // Connections kept from before have shown what they are.
        m_proven = std::any_of(m_slots.begin(), m_slots.end(), [](const auto &connection) {
            return connection && connection->IsOpen() && connection->keptAlive;
        });
        Tick();
        SendRows();
    }

    void More(const std::shared_ptr<BatchQueue> &batch) {
        if (batch == m_batch)
            SendRows();
    }

    void Stop(const std::shared_ptr<BatchQueue> &batch) {
        if (batch == m_batch)
            EndBatch({});
    }

    void Release(const std::shared_ptr<BatchQueue> &batch) {
        if (batch != m_batch)
            return;
        m_batch.reset();
        m_rows.clear();
        m_fresh.clear();
        m_retry.clear();
        m_base = 0;
    }

    void CloseConnections() {
        for (auto &connection : m_slots) {
            if (connection) {
                connection->Close();
                connection.reset();
            }
        }
        if (m_batch)
            EndBatch({});
    }

private:
    // ServiceConnection::Listener
    void OnAnswer(ServiceConnection &connection, AnswerParser &answer) override;
    void OnBroken(ServiceConnection &connection, ServiceConnection::Break why,
                  bool answerBegun) override;
    void OnReadDone(ServiceConnection &) override {
        Deliver();
        SendRows();
    }

    Row &RowAt(qint64 index) { return m_rows[static_cast<std::size_t>(index - m_base)]; }
    void TakeQuestions();
    void SendRows();
    void OpenConnection(std::size_t slot, qint64 index);
    void Append(ServiceConnection &connection, qint64 index);
    void Finish(qint64 index, LookupAnswer answer);
    void Retry(qint64 index);
    void Deliver();
    void EndBatch(QList<LookupBatch::Answered> last);
    void Tick();

    Settings m_settings;
    std::string m_hostField;
    asio::io_context m_io;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
    tcp::resolver m_resolver;
    asio::steady_timer m_tick;
    bool m_ticking = false;
    std::vector<tcp::endpoint> m_endpoints; // kept for a numeric address only
    std::vector<std::shared_ptr<ServiceConnection>> m_slots;

    std::shared_ptr<BatchQueue> m_batch;
    std::deque<Row> m_rows;              // from the first not yet handed back on
    qint64 m_base = 0;                   // the index of m_rows.front()
    std::deque<qint64> m_fresh, m_retry; // to be sent, in row order
    bool m_proven = false; // the service has answered this batch, or kept a connection open

    std::unique_ptr<QThread> m_thread;
};

void TransferEngine::Thread::TakeQuestions() {
    std::deque<LookupBatch::Question> questions;
    {
        const std::lock_guard lock(m_batch->mutex);
        questions.swap(m_batch->questions);
    }
    for (LookupBatch::Question &question : questions) {
        m_fresh.push_back(m_base + static_cast<qint64>(m_rows.size()));
        m_rows.push_back(Row{std::move(question.number), std::move(question.label), {}});
    }
}

void TransferEngine::Thread::SendRows() {
    if (!m_batch)
        return;
    TakeQuestions();
    if (m_batch->serviceMissing || m_settings.host.isEmpty()) {
        for (const qint64 index : std::exchange(m_fresh, {}))
            Finish(index, Failed());
        Deliver();
        return;
    }
    // A connection told to make way closes once its last answer is in.
    for (auto &connection : m_slots) {
        if (connection && connection->IsOpen() && connection->draining && connection->rows.empty())
            connection->Close();
    }
    const auto busy = [this] {
        return std::any_of(m_slots.begin(), m_slots.end(), [](const auto &connection) {
            return connection && connection->IsOpen() && !connection->rows.empty();
        });
    };
    // A row to be asked again needs a new connection. With none free, the
    // connection with the fewest rows on the way takes no more and makes way
    // once those are answered.
    const auto freeSlot = [this] {
        return std::any_of(m_slots.begin(), m_slots.end(), [](const auto &connection) {
            return !connection || !connection->IsOpen();
        });
    };
    if (!m_retry.empty() && !freeSlot()) {
        ServiceConnection *fewest = nullptr;
        for (const auto &connection : m_slots) {
            if (!connection->draining && (!fewest || connection->rows.size() < fewest->rows.size()))
                fewest = connection.get();
        }
        if (fewest && fewest->rows.empty())
            fewest->Close();
        else if (fewest)
            fewest->draining = true;
    }
    // Rows to be asked again, each as the first request of a new connection.
    for (std::size_t slot = 0; slot < m_slots.size() && !m_retry.empty(); ++slot) {
        if (!m_slots[slot] || !m_slots[slot]->IsOpen()) {
            OpenConnection(slot, m_retry.front());
            m_retry.pop_front();
        }
    }
    const auto limit = static_cast<std::size_t>(m_settings.requestsPerConnection);
    const auto takesMore = [limit](const std::shared_ptr<ServiceConnection> &connection) {
        return connection && connection->IsOpen() && connection->keptAlive &&
               !connection->draining && connection->rows.size() < limit;
    };
    // A kept connection with nothing on the way takes the next row first;
    // then each free slot opens a connection with one row, until the
    // service has shown that it answers only the first; then the rest go
    // behind those on their way, on the connection with the fewest.
    for (const auto &connection : m_slots) {
        if (!m_fresh.empty() && takesMore(connection) && connection->rows.empty()) {
            Append(*connection, m_fresh.front());
            m_fresh.pop_front();
        }
    }
    for (std::size_t slot = 0; slot < m_slots.size() && !m_fresh.empty(); ++slot) {
        if (m_slots[slot] && m_slots[slot]->IsOpen())
            continue;
        if (!m_proven && busy())
            break;
        OpenConnection(slot, m_fresh.front());
        m_fresh.pop_front();
    }
    while (!m_fresh.empty()) {
        ServiceConnection *fewest = nullptr;
        for (const auto &connection : m_slots) {
            if (takesMore(connection) && (!fewest || connection->rows.size() < fewest->rows.size()))
                fewest = connection.get();
        }
        if (!fewest)
            break;
        Append(*fewest, m_fresh.front());
        m_fresh.pop_front();
    }
    for (const auto &connection : m_slots) {
        if (connection && !connection->requestText.empty())
            connection->Send(std::exchange(connection->requestText, {}));
    }
}

void TransferEngine::Thread::OpenConnection(std::size_t slot, qint64 index) {
    ServiceConnection::Listener &listener = *this;
    auto connection = std::make_shared<ServiceConnection>(
        m_io, listener, static_cast<std::uint64_t>(std::max<qint64>(m_settings.maxBodyBytes, 0)));
    m_slots[slot] = connection;
    Append(*connection, index);
    if (!m_endpoints.empty())
        return connection->Connect(m_endpoints);
    // A name is resolved for every new connection, as the system's resolver
    // would have it; on a thread of Asio's, so that a slow name server holds
    // up nothing here.
    std::weak_ptr<ServiceConnection> weak = connection;
    m_resolver.async_resolve(
        m_settings.host.toStdString(), std::to_string(m_settings.port),
        [weak](const boost::system::error_code &error, const tcp::resolver::results_type &found) {
            const auto resolved = weak.lock();
            if (!resolved || !resolved->IsOpen())
                return;
            if (error || found.empty())
                return resolved->Fail(ServiceConnection::Break::ConnectFailed);
            resolved->Connect(std::vector<tcp::endpoint>(found.begin(), found.end()));
        });
}

void TransferEngine::Thread::Append(ServiceConnection &connection, qint64 index) {
    if (connection.rows.empty())
        connection.deadline = Clock::now() + m_settings.timeout;
    connection.rows.push_back(index);
    // "/cc/json/mobile_tel_segment.htm?tel=" + the number, percent-encoded
    // so that the service reads exactly the text it was given (a blank, "+"
    // or "&" would otherwise break or change the query).
    const QByteArray tel = QUrl::toPercentEncoding(RowAt(index).number);
    std::string &text = connection.requestText;
    text += "GET ";
    text.append(kTargetStart.constData(), static_cast<std::size_t>(kTargetStart.size()));
    text.append(tel.constData(), static_cast<std::size_t>(tel.size()));
    text += " HTTP/1.1\r\nHost: ";
    text += m_hostField;
    text += "\r\nAccept: */*\r\n\r\n";
}

void TransferEngine::Thread::Finish(qint64 index, LookupAnswer answer) {
    Row &row = RowAt(index);
    row.answer = std::move(answer);
    row.done = true;
}

void TransferEngine::Thread::Retry(qint64 index) {
    RowAt(index).closedUnder = true;
    m_retry.insert(std::upper_bound(m_retry.begin(), m_retry.end(), index), index);
}

void TransferEngine::Thread::OnAnswer(ServiceConnection &connection, AnswerParser &answer) {
    const qint64 index = connection.rows.front();
    connection.rows.pop_front();
    m_proven = true;
    Finish(index, JudgeAnswer(answer.body, answer.contentType));
    if (!connection.rows.empty())
        connection.deadline = Clock::now() + m_settings.timeout;
    if (answer.keep_alive())
        return;
    // The service said that it closes the connection after this answer: the
    // requests behind it were never taken up. They go out again, each as the
    // first request of a new connection, as after a close without a word.
    for (const qint64 behind : std::exchange(connection.rows, {}))
        Retry(behind);
    connection.Close();
}

void TransferEngine::Thread::OnBroken(ServiceConnection &connection, ServiceConnection::Break why,
                                      bool answerBegun) {
    using Break = ServiceConnection::Break;
    std::deque<qint64> rows = std::exchange(connection.rows, {});
    if (!rows.empty()) {
        const qint64 front = rows.front();
        rows.pop_front();
        // Closed before any of its answer came, on a connection that had
        // answered before: the service let the kept connection go, and the
        // row is asked again on a new one. Anything else is the row's
        // failed transfer.
        const bool closedUnder = why == Break::Closed && !answerBegun && connection.answers > 0;
        if (closedUnder && !RowAt(front).closedUnder)
            Retry(front);
        else
            Finish(front, Failed());
        // Those behind it were never answered: their connection went under them.
        for (const qint64 index : rows) {
            if (RowAt(index).closedUnder)
                Finish(index, Failed());
            else
                Retry(index);
        }
    }
    if (m_batch) {
        Deliver();
        SendRows();
    }
}

void TransferEngine::Thread::Deliver() {
    if (!m_batch)
        return;
    QList<LookupBatch::Answered> run;
    while (!m_rows.empty() && m_rows.front().done) {
        Row &row = m_rows.front();
        run.append({std::move(row.number), std::move(row.label), std::move(row.answer)});
        m_rows.pop_front();
        ++m_base;
    }
    if (run.isEmpty())
        return;
    LookupBatch::Kept kept{run.size(), false};
    if (m_batch->keep)
        kept = m_batch->keep(run);
    kept.handBack = std::clamp<qsizetype>(kept.handBack, 0, run.size());
    if (kept.end || kept.handBack < run.size()) {
        run.resize(kept.handBack);
        EndBatch(std::move(run));
        return;
    }
    m_batch->HandBack(std::move(run), false);
}

// Nothing of the batch goes on: the connections with its rows on the way are
// closed, since their answers would come to nobody, and it gets its end.
void TransferEngine::Thread::EndBatch(QList<LookupBatch::Answered> last) {
    if (!m_batch)
        return;
    for (auto &connection : m_slots) {
        if (connection && (!connection->rows.empty() || connection->draining)) {
            connection->Close();
            connection.reset();
        }
    }
    m_rows.clear();
    m_fresh.clear();
    m_retry.clear();
    m_base = 0;
    std::exchange(m_batch, {})->HandBack(std::move(last), true);
}

// Gives up the first row of a connection whose time is up; while a batch
// runs, looked at a few times per time-out.
void TransferEngine::Thread::Tick() {
    if (m_ticking || !m_batch)
        return;
    m_ticking = true;
    const auto interval = std::clamp(m_settings.timeout / 8, std::chrono::milliseconds(5),
                                     std::chrono::milliseconds(250));
    m_tick.expires_after(interval);
    m_tick.async_wait([this](const boost::system::error_code &error) {
        m_ticking = false;
        if (error)
            return;
        const Clock::time_point now = Clock::now();
        for (std::size_t slot = 0; slot < m_slots.size(); ++slot) {
            const auto connection = m_slots[slot];
            if (connection && connection->IsOpen() && !connection->rows.empty() &&
                now >= connection->deadline)
                connection->Fail(ServiceConnection::Break::TimedOut);
        }
        Tick();
    });
}

TransferEngine::TransferEngine(const Settings &settings)
    : m_thread(std::make_unique<Thread>(settings)) {}

TransferEngine::~TransferEngine() = default;

void TransferEngine::SetReach(int connections, int requestsPerConnection) {
    m_thread->Post([thread = m_thread.get(), connections, requestsPerConnection] {
        thread->SetReach(connections, requestsPerConnection);
    });
}

void TransferEngine::Begin(std::shared_ptr<BatchQueue> batch) {
    m_thread->Post(
        [thread = m_thread.get(), batch = std::move(batch)]() mutable { thread->Begin(batch); });
}

void TransferEngine::More(std::shared_ptr<BatchQueue> batch) {
    m_thread->Post([thread = m_thread.get(), batch = std::move(batch)] { thread->More(batch); });
}

void TransferEngine::Stop(std::shared_ptr<BatchQueue> batch) {
    m_thread->Post([thread = m_thread.get(), batch = std::move(batch)] { thread->Stop(batch); });
}

void TransferEngine::Release(std::shared_ptr<BatchQueue> batch) {
    m_thread->Post([thread = m_thread.get(), batch = std::move(batch)] { thread->Release(batch); });
}

void TransferEngine::CloseConnections() {
    m_thread->Post([thread = m_thread.get()] { thread->CloseConnections(); });
}
