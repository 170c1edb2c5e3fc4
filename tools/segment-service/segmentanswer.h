#pragma once

#include "regionlookup.h"
#include "segmenttable.h"

#include <string>
#include <string_view>

// The answer for the value of "tel=", in UTF-8 (answerformat.h); it is
// converted to GBK on the way out. The requested text is echoed only once it
// is known to be digits, so nothing a client sends ends up unquoted in the
// body.
//
// A block in the segment table the user brought is answered from it, carrier
// included; every other block from the built-in data.
class SegmentAnswerer {
public:
    explicit SegmentAnswerer(SegmentTable table = {})
        : m_table(std::move(table)) {}

    std::string Answer(std::string_view tel) const;

private:
    SegmentTable m_table;
    RegionLookup m_regions;
};
