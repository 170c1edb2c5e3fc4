#include "appicon.h"
#include "bundledservice.h"
#include "chineseqttexts.h"
#include "lookupclient.h"
#include "openmainwindow.h"
#include "programdirectory.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    UseChineseQtTexts();
    QApplication::setWindowIcon(AppIcon());

    // Lookups go to the service the program was built for. Left at its
    // built-in host, that is our own, started beside the program for as
    // long as it runs unless a service already answers there.
    BundledService service(LookupClient::DefaultServiceHost(), BundledService::BuiltInHost(),
                           ProgramDirectory());
    OpenMainWindow(service);
    return app.exec();
}
