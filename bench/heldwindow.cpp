// The main window over a service on loopback that holds every answer, so
// that a batch waits until Esc stops it: for scripts/orca-check.
//   tarvio-heldwindow [ROWS]   the list holds ROWS numbers (default 100)
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "resultlistmodel.h"
#include "skinengine.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
// The skins' files are not beside this program.
int IgnoreSkin(const char *, const char *) {
    return 0;
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    QTemporaryDir directory;
    SetProgramDirectory(directory.path());
    SkinEngine::SendCallsTo(&IgnoreSkin);

    LoopbackServer server;
    if (!server.Start()) {
        std::fputs("no port on 127.0.0.1 for the service\n", stderr);
        return 1;
    }
    server.SetHandler([](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(request.tel, u"广东"_s, u"中国移动"_s);
        return reply;
    });
    server.HoldAnswers(true);

    MainWindow window(server.HostAndPort(), 120'000);
    QList<ResultRow> list;
    for (int i = 1; i <= rows; ++i)
        list.append({QString::number(i), u"138%1"_s.arg(i, 8, 10, QLatin1Char('0')), {}});
    window.ListModel()->AppendRows(list);
    window.show();
    return QApplication::exec();
}
