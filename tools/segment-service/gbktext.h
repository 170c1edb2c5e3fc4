#pragma once

#include <optional>
#include <string>
#include <string_view>

// UTF-8 to GBK, the encoding the lookup services answer in. Empty when the
// text holds a character GBK cannot write or is not valid UTF-8. Safe to
// call from several threads at once.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);
