#include "infowindows/infowindow.h"

#include "mainwindow/appicon.h"
#include "mainwindow/twips.h"

#include <QWidget>

void SetUpInfoWindow(QWidget *window, const QString &name, const QString &caption, int clientWidth,
                     int clientHeight) {
    window->setObjectName(name);
    window->setWindowTitle(caption);
    window->setWindowIcon(AppIcon());
    // The controls sit at fixed places, so the window keeps its designed size.
    window->setFixedSize(TwipsSize(clientWidth, clientHeight));
    // Closing the window releases it; the next choice builds it anew.
    window->setAttribute(Qt::WA_DeleteOnClose);
}
