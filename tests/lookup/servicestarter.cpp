// servicestarter <built-in host:port> <program directory>, killed by tst_bundledservice:
// starts the service, prints "ready <host:port>" once it answers, then waits forever.
#include "bundledservice.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    BundledService service(args[1], args[1], args[2]);
    if (!service.Started() || !service.WaitUntilReady())
        return 1;
    std::printf("ready %s\n", qPrintable(service.Host()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
