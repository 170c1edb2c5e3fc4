#pragma once

#include <optional>
#include <string>
#include <string_view>

// UTF-8 to GBK, the encoding the lookup services answer in. Empty when the
// text holds a character GBK cannot write or is not valid UTF-8. Safe to
// call from several threads at once.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// GBK (and its superset GB18030) to UTF-8. Empty when the bytes are not
// such text. Safe to call from several threads at once.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing beyond U+10FFFF).
bool IsUtf8(std::string_view bytes);
