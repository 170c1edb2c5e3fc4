#include "infowindow.h"

#include "appicon.h"
#include "twips.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// Qt's widgets factory knows QMainWindow and QDialog as windows but takes any
// other top-level widget for a client area. Asked before it for every class
// of an object, this one claims the information windows.
QAccessibleInterface *InfoWindowAccessible(const QString &className, QObject *object) {
    if (className == QLatin1StringView(InfoWindow::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

InfoWindow::InfoWindow(const QString &name, const QString &caption, int clientWidth,
                       int clientHeight) {
    static const bool kFactoryInstalled = [] {
        QAccessible::installFactory(InfoWindowAccessible);
        return true;
    }();
    Q_UNUSED(kFactoryInstalled);

    setObjectName(name);
    setWindowTitle(caption);
    setWindowIcon(AppIcon());
    // The controls sit at fixed places, so the window keeps its designed size.
    setFixedSize(TwipsSize(clientWidth, clientHeight));
    // Closing the window releases it; the next choice builds it anew.
    setAttribute(Qt::WA_DeleteOnClose);
}
