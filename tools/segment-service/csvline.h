#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits one line of a comma-separated table into its fields, the way
// spreadsheets write them: a field in double quotes may hold commas, and a
// doubled quote inside it stands for one. A line is always one row: a quote
// left open runs only to the end of its line, so one stray quote cannot
// swallow the rows after it.
//
// Works on the raw bytes of UTF-8 and of GBK alike: neither uses the bytes
// of ',' and '"' inside a multi-byte character.
class CsvLine {
public:
    // False when the quotes are malformed: a quoted field left open, or text
    // between a closing quote and the next comma.
    bool Split(std::string_view line);

    // Valid until the next Split. Unquoted fields are not trimmed.
    const std::vector<std::string_view> &Fields() const { return m_fields; }

private:
    std::vector<std::string_view> m_fields;
    std::string m_unquoted; // the quoted fields with their doubled quotes made single
};
