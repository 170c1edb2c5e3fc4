#include "segmentanswer.h"

#include "answerformat.h"
#include "carrierprefixes.h"

#include <algorithm>

namespace {

// Names come from the geocoder's data, not from the client, but they end up
// between single quotes: one that could break out of them is not used.
bool FitsInQuotes(std::string_view value) {
    return value.find_first_of("'\\\r\n") == std::string_view::npos;
}

// True for eleven ASCII digits beginning with 1: the only numbers a mainland
// mobile segment lookup can answer.
bool IsMobileNumberText(std::string_view text) {
    return text.size() == 11 && text.front() == '1' &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}
} // namespace

std::string SegmentAnswerer::Answer(std::string_view tel) const {
    if (!IsMobileNumberText(tel))
        return UnknownNumberAnswer("invalid");
    // The table's names were checked as they were loaded.
    if (const std::optional<SegmentTable::Entry> entry = m_table.Find(tel))
        return KnownNumberAnswer(tel, entry->region->province, entry->region->city, entry->carrier);
    const std::string_view carrier = CarrierForNumber(tel);
    if (carrier.empty())
        return UnknownNumberAnswer("unknown");
    const Region region = m_regions.ForNumber(tel);
    if (region.province.empty() || !FitsInQuotes(region.province) || !FitsInQuotes(region.city))
        return UnknownNumberAnswer("unknown");
    return KnownNumberAnswer(tel, region.province, region.city, carrier);
}
