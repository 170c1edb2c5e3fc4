// The Windows form of tst_accessibilitybus: a running lookup stays readable
// by the accessibility interfaces of Windows. There is no bus there: a
// screen reader's request reaches the window as a window message
// (WM_GETOBJECT, then COM calls and WM_GETTEXT into the window's thread),
// answered only when that thread takes its messages. Another thread reads
// the main window as a screen reader does (oleacc: AccessibleObjectFromWindow,
// IAccessible::get_accName) while the window's lookups wait on an answer the
// test holds until the read has come back: so the read is answered by the
// window's event loop while the lookup waits, or not at all. The latency bound is the Linux test's.
// Under wine 8 oleacc's request is answered but yields no object (wine's UI Automation gives no
// MSAA object for Qt's provider); the window's text, read as the system's standard accessible
// object reads it (WM_GETTEXT from another thread), is checked everywhere.
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "skinengine.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

#include <oleacc.h>
// The program's own MessageBox (prompt.h), not the Windows macro.
#undef MessageBox

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace {
constexpr double kEveryRead = 300; // ms

int IgnoreSkin(const char *, const char *) {
    return 0;
}

struct Read {
    // Through oleacc: its answer, and the name read when it gave an object.
    HRESULT msaa = E_FAIL;
    QString msaaName;
    double msaaMs = 0;
    // The window's text, as the system's standard accessible object reads it.
    QString text;
    double textMs = 0;
};

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The main window read from a thread of its own, as a screen reader does.
Read ReadWindow(HWND window) {
    Read read;
    auto start = std::chrono::steady_clock::now();
    IAccessible *accessible = nullptr;
    read.msaa = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                           IID_IAccessible, reinterpret_cast<void **>(&accessible));
    if (SUCCEEDED(read.msaa) && accessible) {
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        if (SUCCEEDED(accessible->get_accName(self, &name)) && name)
            read.msaaName = QString::fromWCharArray(name, int(SysStringLen(name)));
        SysFreeString(name);
        accessible->Release();
    }
    read.msaaMs = MsSince(start);

    start = std::chrono::steady_clock::now();
    wchar_t text[256] = {};
    // A window's thread that never takes its messages fails this read at
    // the end of the time-out, rather than hanging the test.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, 10'000, &length);
    read.text = QString::fromWCharArray(text, int(length));
    read.textMs = MsSince(start);
    return read;
}

// Wine 8 hands out no MSAA object for a UI Automation provider (Qt's):
// oleacc's request is answered, with E_NOINTERFACE.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A thread that reads the window when asked and hands each read back to
// the window's thread, where its event loop delivers it.
class WindowReader : public QObject {
public:
    explicit WindowReader(HWND window)
        : m_window(window)
        , m_thread([this] { Run(); }) {}
    ~WindowReader() override {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    void Ask(std::function<void(const Read &)> then) {
        {
            const std::lock_guard lock(m_mutex);
            m_asked.push_back(std::move(then));
        }
        m_wake.notify_one();
    }

private:
    void Run() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (;;) {
            std::function<void(const Read &)> then;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_quit || !m_asked.empty(); });
                if (m_quit)
                    break;
                then = std::move(m_asked.front());
                m_asked.pop_front();
            }
            const Read read = ReadWindow(m_window);
            QMetaObject::invokeMethod(
                this, [then, read] { then(read); }, Qt::QueuedConnection);
        }
        CoUninitialize();
    }

    HWND m_window;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void(const Read &)>> m_asked;
    bool m_quit = false;
    std::thread m_thread;
};
} // namespace

class TestAccessibilityWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void readDuringSlowLookups_data();
    void readDuringSlowLookups();

private:
    QTemporaryDir m_dir;
    LoopbackServer *m_server = nullptr;
    QPointer<MainWindow> m_window;
};

void TestAccessibilityWindows::initTestCase() {
    SetProgramDirectory(m_dir.path());
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY2(QGuiApplication::platformName() == u"windows"_s, "needs real windows");
}

void TestAccessibilityWindows::init() {
    SkinEngine::SendCallsTo(&IgnoreSkin);
    MessageBox::AnswerOkUnseen();
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_window = new MainWindow(m_server->HostAndPort(), 120'000);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestAccessibilityWindows::cleanup() {
    delete m_window;
    delete m_server;
    MessageBox::Reset();
    SkinEngine::Reset();
}

void TestAccessibilityWindows::readDuringSlowLookups_data() {
    QTest::addColumn<QString>("command"); // the button that starts it
    QTest::addColumn<int>("requests");
    QTest::newRow("single query") << u"seach"_s << 1;
    QTest::newRow("batch") << u"batch"_s << 3;
}

// Each answer is let go only once the read made while it was held is back.
void TestAccessibilityWindows::readDuringSlowLookups() {
    QFETCH(QString, command);
    QFETCH(int, requests);
    m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(u"13800000001"_s);
    QList<ResultRow> rows;
    for (int i = 1; i <= requests; ++i)
        rows.append({QString::number(i), u"1380000000%1"_s.arg(i), {}});
    m_window->ListModel()->AppendRows(rows);

    WindowReader reader(reinterpret_cast<HWND>(m_window->winId()));
    QList<Read> reads;
    m_server->SetHandler([&](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"广东"_s, u"中国移动"_s);
        reply.held = true;
        // Several rows are asked at once: each is let go once its own read is back.
        QMetaObject::invokeMethod(
            this,
            [&, tel = req.tel] {
                reader.Ask([&, tel](const Read &read) {
                    reads.append(read);
                    m_server->ReleaseHeld(tel);
                });
            },
            Qt::QueuedConnection);
        return reply;
    });
    QTest::mouseClick(m_window->findChild<QPushButton *>(command), Qt::LeftButton);

    QCOMPARE(m_server->RequestCount(), requests);
    QCOMPARE(reads.size(), requests);
    const QString title = m_window->windowTitle();
    for (const Read &read : reads) {
        qInfo("oleacc: 0x%lx, name %s, %.1f ms; WM_GETTEXT: %s, %.1f ms", ulong(read.msaa),
              qPrintable(read.msaaName), read.msaaMs, qPrintable(read.text), read.textMs);
        QVERIFY(read.msaaMs <= kEveryRead);
        if (read.msaa == E_NOINTERFACE && UnderWine())
            qInfo("wine gives no MSAA object for a UI Automation provider");
        else
            QCOMPARE(read.msaaName, title);
        QCOMPARE(read.text, title);
        QVERIFY(read.textMs <= kEveryRead);
    }
}

QTEST_MAIN(TestAccessibilityWindows)
#include "tst_accessibilitywindows.moc"
