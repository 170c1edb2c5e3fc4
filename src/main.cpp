#include "appicon.h"
#include "chineseqttexts.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    UseChineseQtTexts();
    QApplication::setWindowIcon(AppIcon());

    auto *window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return app.exec();
}
