#pragma once

#include <string>
#include <string_view>

// The text of the service's answer. A known number gets the object literal
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
// program takes as "not found". The values go between single quotes as they
// are: callers pass only texts that cannot break out of them. The frame is
// ASCII, so the answer is in whatever encoding the values are in: UTF-8 for
// the first two functions, GBK where the service appends its answers.
//
// The service answers with it, and the tests' and the benchmarks' servers
// too, so all of them speak exactly the same format.
std::string KnownNumberAnswer(std::string_view tel, std::string_view province,
                              std::string_view city, std::string_view carrier);
std::string UnknownNumberAnswer(std::string_view reason);

// The same, appended to `out`, so that a buffer kept from one answer to the
// next is all the memory an answer takes.
void AppendKnownNumberAnswer(std::string &out, std::string_view tel, std::string_view province,
                             std::string_view city, std::string_view carrier);
void AppendUnknownNumberAnswer(std::string &out, std::string_view reason);
