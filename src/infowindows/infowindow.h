#pragma once

#include <QString>

class QWidget;

// What the three information windows share: name, caption, the program's
// icon, a fixed client area (in twips), and release on close.
void SetUpInfoWindow(QWidget *window, const QString &name, const QString &caption, int clientWidth,
                     int clientHeight);
