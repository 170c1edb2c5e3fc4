#pragma once

#include <QString>
#include <QWidget>

// What the three information windows share: name, caption, the program's
// icon, a fixed client area (in twips), and release on close. Each is a
// top-level window without an owner.
//
// A screen reader presents each as a window named by its caption, as it does
// the main window; a plain widget would reach it as a nameless filler.
class InfoWindow : public QWidget {
    Q_OBJECT

public:
    InfoWindow(const QString &name, const QString &caption, int clientWidth, int clientHeight);
};
