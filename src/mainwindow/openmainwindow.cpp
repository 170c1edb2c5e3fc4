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
        [&service](const WaitHook &hook) { return service.WaitUntilReady(hook); });
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    // Told once the window is up, so that the box stands over it.
    if (!service.Notice().isEmpty())
        QTimer::singleShot(0, window,
                           [window, notice = service.Notice()] { ShowPrompt(window, notice); });
    return window;
}
