#include "openmainwindow.h"

#include "bundledservice.h"
#include "mainwindow.h"
#include "prompt.h"

#include <QTimer>

MainWindow *OpenMainWindow(BundledService &service) {
    // The window does not wait for the service to come up: the first
    // lookup does.
    auto *window = new MainWindow(service.Host());
    window->SetServiceReadiness(
        [&service](CommandWaiter &waiter) { return service.WaitUntilReady(waiter); });
    // Ours on a port of its own is asked as ours at the built-in host is.
    window->SetServiceIsOurs(service.Started());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    // Told once the window is up, so that the box stands over it.
    if (!service.Notice().isEmpty())
        QTimer::singleShot(0, window,
                           [window, notice = service.Notice()] { ShowPrompt(window, notice); });
    return window;
}
