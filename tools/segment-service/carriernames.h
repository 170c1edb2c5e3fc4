#pragma once

#include <string_view>

// The carrier's name as the service answers it ("中国移动", "中国联通",
// "中国电信", "中国广电") for a name as segment tables write it: "移动",
// "中国移动", "电信", "China Unicom", and a virtual operator's that names its
// host network ("电信虚拟运营商", "移动/虚拟"). Empty when the name names no
// carrier, or more than one. `name` is UTF-8.
std::string_view CarrierFromName(std::string_view name);
