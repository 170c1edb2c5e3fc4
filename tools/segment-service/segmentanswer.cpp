#include "segmentanswer.h"

#include "carrierprefixes.h"

#include <algorithm>

namespace {

// Names come from the geocoder's data, not from the client, but they end up
// between single quotes: one that could break out of them is not used.
bool FitsInQuotes(std::string_view value) {
    return value.find_first_of("'\\\r\n") == std::string_view::npos;
}

} // namespace

bool IsMobileNumberText(std::string_view text) {
    return text.size() == 11 && text.front() == '1' &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string KnownNumberBody(std::string_view digits, const Region &region,
                            std::string_view carrier) {
    std::string body = "zone = {\n";
    auto property = [&body](std::string_view key, std::string_view value, bool last) {
        body.append("\t").append(key).append(":'").append(value).append(last ? "'\n" : "',\n");
    };
    property("telString", digits, false);
    property("province", region.province, false);
    property("city", region.city, false);
    property("catName", carrier, true);
    body.append("}\n");
    return body;
}

std::string UnknownNumberBody(std::string_view reason) {
    return std::string("zone = {\n\terror:'").append(reason).append("'\n}\n");
}

SegmentAnswer SegmentAnswerer::Answer(std::string_view tel) const {
    if (!IsMobileNumberText(tel))
        return {false, UnknownNumberBody("invalid")};
    // The table's names were checked as they were loaded.
    if (const std::optional<SegmentTable::Entry> entry = m_table.Find(tel))
        return {true, KnownNumberBody(tel, *entry->region, entry->carrier)};
    const std::string_view carrier = CarrierForNumber(tel);
    if (carrier.empty())
        return {false, UnknownNumberBody("unknown")};
    const Region region = m_regions.ForNumber(tel);
    if (region.province.empty() || !FitsInQuotes(region.province) || !FitsInQuotes(region.city))
        return {false, UnknownNumberBody("unknown")};
    return {true, KnownNumberBody(tel, region, carrier)};
}
