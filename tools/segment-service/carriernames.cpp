#include "carriernames.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

struct Carrier {
    std::string_view name;    // as the service answers
    std::string_view chinese; // what every Chinese form of the name holds
    std::string_view english; // the same in English, lower case
};

constexpr std::array kCarriers{
    Carrier{"中国移动", "移动", "mobile"},
    Carrier{"中国联通", "联通", "unicom"},
    Carrier{"中国电信", "电信", "telecom"},
    Carrier{"中国广电", "广电", "broadnet"},
};

std::string_view::size_type FindNoCase(std::string_view text, std::string_view lowerWord) {
    const auto at = std::search(
        text.begin(), text.end(), lowerWord.begin(), lowerWord.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return at == text.end() ? std::string_view::npos
                            : std::string_view::size_type(at - text.begin());
}

} // namespace

std::string_view CarrierFromName(std::string_view name) {
    // "移动/联通" or "unicom/telecom" say nothing certain: a name must point
    // at exactly one network.
    std::string_view found;
    for (const Carrier &c : kCarriers) {
        if (name.find(c.chinese) == std::string_view::npos &&
            FindNoCase(name, c.english) == std::string_view::npos)
            continue;
        if (!found.empty())
            return {};
        found = c.name;
    }
    return found;
}
