#pragma once

#include <string_view>

// The one path the service answers; every other is 404.
inline constexpr std::string_view kAnswerPath = "/cc/json/mobile_tel_segment.htm";
