#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The phone.dat form of a segment table, in which updated tables circulate
// and in which the service keeps its built-in data. Little-endian:
//
// - bytes 0-3: the version, four ASCII digits, year and month of the data
//   ("2108" for 2021-08);
// - bytes 4-7: the offset of the index;
// - from byte 8 to the index: records "省份|城市|邮编|区号", UTF-8, each
//   ending in a NUL byte;
// - from the index to the end: entries of 9 bytes, sorted by block: the
//   block (uint32, seven digits), the offset of its record (uint32) and its
//   card type (uint8, kCardTypes).
namespace phonedat {

constexpr size_t kHeaderBytes = 8;
constexpr size_t kEntryBytes = 9;

// The carrier as the service names it, for card types 1 to 8; a virtual
// operator's numbers are named by the network they run on. Empty for any
// other card type.
std::string_view CarrierOfCardType(uint8_t cardType);

// The card type of a network's own numbers: 1 中国移动, 2 中国联通,
// 3 中国电信, 7 中国广电; 0 for any other name.
uint8_t CardTypeOfCarrier(std::string_view carrier);

// "2021-08" for "2108".
std::string DateOfVersion(std::string_view version);

struct Entry {
    uint32_t block = 0;
    uint32_t record = 0; // index into the records given to Encode
    uint8_t cardType = 0;
};

// A file's bytes: `version` four digits, `records` without their NUL, the
// entries in the order given.
std::string Encode(std::string_view version, const std::vector<std::string> &records,
                   const std::vector<Entry> &entries);

} // namespace phonedat
