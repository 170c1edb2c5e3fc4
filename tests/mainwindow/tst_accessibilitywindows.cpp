// The Windows form of tst_accessibilitybus (goal: walkfigures.h). Another
// thread walks the window through MSAA (oleacc), a list's items only while
// shown, while a lookup waits on a held answer, and idle. Wine 8 hands out no
// MSAA object (and its UI Automation hangs), so under wine a walk alternates
// that request and WM_GETTEXT, which the window's thread answers too.
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "skinengine.h"
#include "walkfigures.h"
#include "whenready.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
constexpr int kRounds = 5;
// About as many requests as an MSAA walk makes.
constexpr int kRequests = 200;

int IgnoreSkin(const char *, const char *) {
    return 0;
}

QString Number(int row) {
    return u"138%1"_s.arg(row, 8, 10, QLatin1Char('0'));
}

QString RowCaption(int row) {
    return u"正在查询第%1条，请稍后……"_s.arg(row);
}

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// What a walk read and how long it took.
struct Walked {
    WalkFigures::Walk walk;
    QString way;
    QStringList names; // in order
    QString failure;
};

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Walks the window one call after the other, timing each.
class Walker {
public:
    explicit Walker(HWND window)
        : m_window(window) {}

    Walked Walk() {
        // The first walk finds what answers; later walks go that way alone.
        if (m_way.isEmpty())
            m_way = !WalkMsaa() && UnderWine() ? u"MSAA's request and WM_GETTEXT"_s : u"MSAA"_s;
        m_walked = {};
        m_walked.way = m_way;
        const Clock::time_point start = Clock::now();
        if (m_way == u"MSAA"_s)
            WalkMsaa();
        else
            WalkRequests();
        m_walked.walk.ms = MsSince(start);
        return m_walked;
    }

private:
    // Times one call; false if it failed (but for the answer `expected`).
    bool Call(const QString &what, const std::function<HRESULT()> &call, HRESULT expected = S_OK) {
        const Clock::time_point start = Clock::now();
        const HRESULT result = call();
        const double ms = MsSince(start);
        ++m_walked.walk.calls;
        m_walked.walk.callMs.append(ms);
        if (ms > m_walked.walk.slowest) {
            m_walked.walk.slowest = ms;
            m_walked.walk.slowestCall = what;
        }
        if (FAILED(result) && result != expected && m_walked.failure.isEmpty())
            m_walked.failure = u"%1: 0x%2"_s.arg(what).arg(ulong(result), 0, 16);
        return SUCCEEDED(result);
    }

    // The window's object, its request timed; false if it failed (but for `expected`).
    bool WindowObject(IAccessible *&window, HRESULT expected = S_OK) {
        return Call(
            u"AccessibleObjectFromWindow"_s,
            [&] {
                return AccessibleObjectFromWindow(m_window, DWORD(OBJID_CLIENT), IID_IAccessible,
                                                  reinterpret_cast<void **>(&window));
            },
            expected);
    }

    bool WalkMsaa() {
        IAccessible *window = nullptr;
        if (!WindowObject(window) || !window)
            return false;
        VisitMsaa(window, CHILDID_SELF, u"the window"_s);
        window->Release();
        return true;
    }

    void VisitMsaa(IAccessible *object, LONG id, const QString &where) {
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = id;
        BSTR name = nullptr;
        VARIANT role;
        VariantInit(&role);
        Call(u"the name of "_s + where, [&] { return object->get_accName(self, &name); });
        Call(u"the role of "_s + where, [&] { return object->get_accRole(self, &role); });
        m_walked.names.append(name ? QString::fromWCharArray(name, int(SysStringLen(name)))
                                   : QString());
        SysFreeString(name);
        const bool list = role.vt == VT_I4 &&
                          (role.lVal == ROLE_SYSTEM_LIST || role.lVal == ROLE_SYSTEM_OUTLINE ||
                           role.lVal == ROLE_SYSTEM_TABLE);
        VariantClear(&role);
        if (id != CHILDID_SELF)
            return;
        LONG count = 0;
        Call(u"the children of "_s + where, [&] { return object->get_accChildCount(&count); });
        for (LONG index = 0; index < count; ++index) {
            VARIANT child;
            VariantInit(&child);
            LONG got = 0;
            const QString childWhere = u"%1/%2"_s.arg(where).arg(index);
            Call(u"AccessibleChildren of "_s + childWhere,
                 [&] { return AccessibleChildren(object, index, 1, &child, &got); });
            if (got != 1)
                break;
            if (list && OffscreenMsaa(object, child, childWhere)) {
                VariantClear(&child);
                break;
            }
            if (child.vt == VT_DISPATCH && child.pdispVal) {
                IAccessible *inner = nullptr;
                if (SUCCEEDED(child.pdispVal->QueryInterface(IID_IAccessible,
                                                             reinterpret_cast<void **>(&inner)))) {
                    VisitMsaa(inner, CHILDID_SELF, childWhere);
                    inner->Release();
                }
            } else if (child.vt == VT_I4) {
                VisitMsaa(object, child.lVal, childWhere);
            }
            VariantClear(&child);
        }
    }

    bool OffscreenMsaa(IAccessible *object, const VARIANT &child, const QString &where) {
        VARIANT id;
        VariantInit(&id);
        id.vt = VT_I4;
        id.lVal = child.vt == VT_I4 ? child.lVal : CHILDID_SELF;
        IAccessible *inner = nullptr;
        if (child.vt == VT_DISPATCH && child.pdispVal)
            child.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void **>(&inner));
        VARIANT state;
        VariantInit(&state);
        IAccessible *asked = inner ? inner : object;
        Call(u"the state of "_s + where, [&] { return asked->get_accState(id, &state); });
        if (inner)
            inner->Release();
        return state.vt == VT_I4 &&
               (state.lVal & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) != 0;
    }

    void WalkRequests() {
        for (int i = 0; i < kRequests; i += 2) {
            // Answered, with no object.
            IAccessible *window = nullptr;
            WindowObject(window, E_NOINTERFACE);
            if (window)
                window->Release();
            wchar_t text[256] = {};
            DWORD_PTR length = 0;
            // Times out rather than hangs on a thread that takes no messages.
            Call(u"WM_GETTEXT"_s, [&] {
                return SendMessageTimeoutW(m_window, WM_GETTEXT, std::size(text),
                                           reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10'000,
                                           &length)
                           ? S_OK
                           : HRESULT_FROM_WIN32(GetLastError());
            });
            if (i == 0)
                m_walked.names.append(QString::fromWCharArray(text, int(length)));
        }
    }

    HWND m_window;
    QString m_way;
    Walked m_walked;
};

// Walks on a thread of its own when asked; each walk is delivered on the window's thread.
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
    void Ask(std::function<void(const Walked &)> then) {
        {
            const std::lock_guard lock(m_mutex);
            m_asked.push_back(std::move(then));
        }
        m_wake.notify_one();
    }

private:
    void Run() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            Walker walker(m_window);
            for (;;) {
                std::function<void(const Walked &)> then;
                {
                    std::unique_lock lock(m_mutex);
                    m_wake.wait(lock, [this] { return m_quit || !m_asked.empty(); });
                    if (m_quit)
                        break;
                    then = std::move(m_asked.front());
                    m_asked.pop_front();
                }
                const Walked walked = walker.Walk();
                QMetaObject::invokeMethod(
                    this, [then, walked] { then(walked); }, Qt::QueuedConnection);
            }
        }
        CoUninitialize();
    }

    HWND m_window;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void(const Walked &)>> m_asked;
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

    void walksDuringSlowLookups_data();
    void walksDuringSlowLookups();

private:
    Walked IdleWalk(WindowReader &reader, WalkFigures &walks);

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
    if (m_server)
        m_server->SetHandler({});
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    delete m_window;
    delete m_server;
    m_server = nullptr;
    MessageBox::Reset();
    SkinEngine::Reset();
}

Walked TestAccessibilityWindows::IdleWalk(WindowReader &reader, WalkFigures &walks) {
    Walked idle;
    bool walked = false;
    reader.Ask([&](const Walked &walk) {
        idle = walk;
        walked = true;
    });
    if (!RunUntil([&] { return walked; }))
        idle.failure = u"no idle walk"_s;
    walks.Idle(idle.walk);
    walks.Expect(idle.failure.isEmpty(), u"idle walk: "_s + idle.failure);
    return idle;
}

void TestAccessibilityWindows::walksDuringSlowLookups_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("rows");
    QTest::newRow("slow single query") << u"seach"_s << 1;
    QTest::newRow("slow batch") << u"batch"_s << 3;
}

// The single query's answer, or the second row's, is held while the window is walked.
void TestAccessibilityWindows::walksDuringSlowLookups() {
    QFETCH(QString, command);
    QFETCH(int, rows);
    const bool batch = rows > 1;
    const int held = batch ? 2 : 1;
    WalkFigures walks;
    WindowReader reader(reinterpret_cast<HWND>(m_window->winId()));
    QString way;
    bool walked = false;
    m_server->SetHandler([&, held](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"广东"_s, u"中国移动"_s);
        reply.held = req.tel == Number(held);
        if (!reply.held)
            return reply;
        QMetaObject::invokeMethod(
            this,
            [&, held] {
                WhenReady(
                    m_window,
                    [&, held] {
                        return !batch || (!m_window->ListModel()->Location(held - 1).isEmpty() &&
                                          m_window->Frame2Box()->title() == RowCaption(held));
                    },
                    [&] {
                        reader.Ask([&](const Walked &walk) {
                            walks.Waiting(walk.walk);
                            walks.Expect(walk.failure.isEmpty(), u"walk: "_s + walk.failure);
                            walks.Expect(
                                walk.way == way,
                                u"walked through %1, idle through %2"_s.arg(walk.way, way));
                            walks.Expect(walk.names.value(0) == m_window->windowTitle(),
                                         u"the window read as "_s + walk.names.value(0));
                            walked = true;
                            m_server->HoldAnswers(false);
                        });
                    });
            },
            Qt::QueuedConnection);
        return reply;
    });
    m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(Number(1));

    for (int round = 1; round <= kRounds; ++round) {
        if (batch) {
            QList<ResultRow> list;
            for (int i = 1; i <= rows; ++i)
                list.append({QString::number(i), Number(i), {}});
            m_window->ListModel()->Clear();
            m_window->ListModel()->AppendRows(list);
        }
        if (round == 1)
            way = IdleWalk(reader, walks).way;
        walked = false;
        QTest::mouseClick(m_window->findChild<QPushButton *>(command), Qt::LeftButton);
        QVERIFY2(RunUntil([&] { return walked && !m_window->CommandRunning(); }),
                 "the lookup waits on its held answer, and ends once it is let go");
        const Walked after = IdleWalk(reader, walks);
        QCOMPARE(after.names.value(0), m_window->windowTitle());
        QCOMPARE(after.way, way);
        if (batch)
            QCOMPARE(m_window->Frame2Box()->title(), u"查询完毕，成功3条，失败0条"_s);
        else
            QCOMPARE(m_window->Frame1Box()->title(), u"查询成功，归属地为广东移动"_s);
    }
    QCOMPARE(m_server->RequestCount(), rows * kRounds);

    qInfo("walked through %s: %s", qPrintable(way), qPrintable(walks.Report()));
    QVERIFY2(walks.Failures().isEmpty(), qPrintable(walks.Failures().join(u"; "_s)));
    QVERIFY2(walks.WalksMeetGoal() && walks.CallsMeetGoal(), qPrintable(walks.Report()));
}

QTEST_MAIN(TestAccessibilityWindows)
#include "tst_accessibilitywindows.moc"
