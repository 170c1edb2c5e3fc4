#pragma once

#include <string>
#include <string_view>

// The city of the built-in data in the one style the service answers: the
// prefecture-level division by its short name, as the 2025-02 table writes
// it ("广州", "喀什", "延边", "克州"), whether a source wrote it in full
// ("广州市", "喀什地区", "延边朝鲜族自治州", "锡林郭勒盟") or not. A
// municipality is its own city ("重庆" for every district of it); an
// abolished prefecture gets the one that took it over ("巢湖" → "合肥",
// "莱芜" → "济南", "襄樊" → "襄阳"); a prefecture named after its seat gets
// its own name ("吉首" → "湘西", "库尔勒" → "巴州"). A county-level city with
// blocks of its own (格尔木, 珲春, 济源) keeps its name. `province` is the
// short name; both in UTF-8.
std::string CityShortName(std::string_view province, std::string_view city);
