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
    friend bool operator==(const RowAnswer &, const RowAnswer &) = default;
};

// What the batch has done with a row's number: not asked it yet (or asked it
// in a run that was stopped before its answer was taken), had an answer (found
// or not), or had no whole answer from the service. A batch that was stopped
// goes on with the rows not asked and those whose transfer failed.
enum class RowQuery : quint8 { NotAsked, Answered, TransferFailed };

// A location cell and the answer it was made from.
struct RowLocation {
    QString location;
    RowAnswer answer = {};
};

// One row of the result list: serial, number, location, all as text, and
// the answer the location was made from (empty while it has none).
struct ResultRow {
    QString serial;
    QString number;
    QString location;
    RowAnswer answer = {};
    RowQuery query = RowQuery::NotAsked;
};
