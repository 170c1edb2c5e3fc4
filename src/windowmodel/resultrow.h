#pragma once

#include <QString>

// One row of the result list: serial, number, location, all as text.
struct ResultRow {
    QString serial;
    QString number;
    QString location;
};
