#pragma once

#include <QTest>

// One bool column, a row for false and one for true.
inline void AddTwoWayRows(const char *column, const char *whenFalse, const char *whenTrue) {
    QTest::addColumn<bool>(column);
    QTest::newRow(whenFalse) << false;
    QTest::newRow(whenTrue) << true;
}
