#pragma once

#include <QString>

// What the service said of a row's number, kept beside the location text
// that the list shows, for what is made of the results afterwards (export,
// statistics): the location text alone has lost the city and the carrier's
// full name.
struct RowAnswer {
    QString province;
    QString city;
    QString carrier; // as the service names it: "中国移动"
};

// One row of the result list: serial, number, location, all as text, and
// the answer the location was made from (empty while it has none).
struct ResultRow {
    QString serial;
    QString number;
    QString location;
    RowAnswer answer = {};
};
