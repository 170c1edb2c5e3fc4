#pragma once

#include "segmenttable.h"

#include <string>
#include <string_view>

// The answer for the value of "tel=", in GBK (answerformat.h). The requested
// text is echoed only once it is known to be digits, so nothing a client
// sends ends up unquoted in the body.
//
// The table holds the built-in data with the user's table on top; whatever
// it does not hold is "unknown".
class SegmentAnswerer {
public:
    explicit SegmentAnswerer(SegmentTable table = {})
        : m_table(std::move(table)) {}

    // Appends the answer to `out`. Looks the block up in place: nothing is
    // allocated beyond what `out` needs.
    void Answer(std::string_view tel, std::string &out) const;

private:
    SegmentTable m_table;
};
