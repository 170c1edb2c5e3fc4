#pragma once

#include "regionlookup.h"
#include "segmenttable.h"

#include <string>
#include <string_view>

// What the service says about one requested number.
struct SegmentAnswer {
    bool known = false;
    std::string body; // UTF-8; converted to GBK on the way out
};

// True for eleven ASCII digits beginning with 1: the only numbers a mainland
// mobile segment lookup can answer.
bool IsMobileNumberText(std::string_view text);

// The answer for the value of "tel=". A known number gets the object literal
// the desktop program evaluates:
//
//     zone = {
//         telString:'13800138000',
//         province:'北京',
//         city:'北京',
//         catName:'中国移动'
//     }
//
// (tab-indented). Anything else gets a literal without telString, which the
// program takes as "not found". The requested text is echoed only once it is
// known to be digits, so nothing a client sends ends up unquoted in the body.
//
// A block in the segment table the user brought is answered from it, carrier
// included; every other block from the built-in data.
class SegmentAnswerer {
public:
    explicit SegmentAnswerer(SegmentTable table = {})
        : m_table(std::move(table)) {}

    SegmentAnswer Answer(std::string_view tel) const;

private:
    SegmentTable m_table;
    RegionLookup m_regions;
};

std::string KnownNumberBody(std::string_view digits, const Region &region,
                            std::string_view carrier);
std::string UnknownNumberBody(std::string_view reason);
