#include "appicon.h"
#include "bundledservice.h"
#include "chineseqttexts.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    UseChineseQtTexts();
    QApplication::setWindowIcon(AppIcon());

    // Lookups go to the service the program was built for; when that is on
    // this machine and nothing of ours answers there, our own is started
    // beside the program for as long as it runs. The window does not wait
    // for it: the first lookup does.
    BundledService service(LookupClient::DefaultServiceHost(), ProgramDirectory());
    auto *window = new MainWindow(service.Host());
    window->SetServiceReadiness(
        [&service](const WaitHook &hook) { return service.WaitUntilReady(hook); });
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    // Told once the window is up, so that the box stands over it.
    if (!service.Notice().isEmpty())
        QTimer::singleShot(0, window,
                           [window, notice = service.Notice()] { ShowPrompt(window, notice); });
    return app.exec();
}
