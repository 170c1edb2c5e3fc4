#pragma once

#include <QStringList>

class QWidget;

// A small window without an owner, "筛选结果", listing the distinct
// locations that the "筛选" command found.
QWidget *ShowFilterResult(QWidget *previous, const QStringList &locations);
