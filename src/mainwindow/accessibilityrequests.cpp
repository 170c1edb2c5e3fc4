#include "accessibilityrequests.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

#ifdef Q_OS_WIN
#include <objbase.h>
#include <objidl.h>
#endif

AccessibilityRequests::AccessibilityRequests() {
    QCoreApplication::instance()->installEventFilter(this);
}

AccessibilityRequests::~AccessibilityRequests() {
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool AccessibilityRequests::Serving() const {
#ifdef Q_OS_WIN
    // UI Automation hands a request to the window's thread as a COM call
    // into its apartment; inside one, COM has a call context to give.
    IServerSecurity *call = nullptr;
    if (SUCCEEDED(CoGetCallContext(IID_IServerSecurity, reinterpret_cast<void **>(&call)))) {
        call->Release();
        return true;
    }
#endif
    return m_depth > 0;
}

// Qt's bus thread hands every call on the accessibility bus to this thread
// as a meta-call event for the bridge's object, which is a D-Bus virtual
// object; the call is answered once that event has been handled. The filter
// hands the event on itself, so that it knows when that is.
bool AccessibilityRequests::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MetaCall || event == m_delivering ||
        !watched->inherits("QDBusVirtualObject"))
        return false;
    QEvent *const outer = std::exchange(m_delivering, event);
    ++m_depth;
    QCoreApplication::sendEvent(watched, event);
    --m_depth;
    m_delivering = outer;
    return true;
}
