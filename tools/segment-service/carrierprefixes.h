#pragma once

#include <string_view>

// The carrier that a mobile number's prefix was allocated to, as the service
// names it ("中国移动", ...), in UTF-8; `digits` holds at least the number's
// first four digits. Empty when the prefix is not one we know. Only the allocation is known here: a
// number taken to another carrier keeps the name of the carrier its prefix belongs to.
std::string_view CarrierForNumber(std::string_view digits);
