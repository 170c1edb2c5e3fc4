#include "phonedatformat.h"

#include <array>

namespace phonedat {

namespace {

constexpr std::array<std::string_view, 9> kCardTypes{
    "",         // 0: not a card type
    "中国移动", // 1
    "中国联通", // 2
    "中国电信", // 3
    "中国电信", // 4: virtual operators on China Telecom
    "中国联通", // 5: on China Unicom
    "中国移动", // 6: on China Mobile
    "中国广电", // 7
    "中国广电", // 8: on China Broadnet
};

void AppendUint32(std::string &out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(char((value >> shift) & 0xff));
}

} // namespace

std::string_view CarrierOfCardType(uint8_t cardType) {
    return cardType < kCardTypes.size() ? kCardTypes[cardType] : std::string_view();
}

uint8_t CardTypeOfCarrier(std::string_view carrier) {
    for (uint8_t type : {1, 2, 3, 7}) {
        if (kCardTypes[type] == carrier)
            return type;
    }
    return 0;
}

std::string DateOfVersion(std::string_view version) {
    if (version.size() != 4)
        return std::string(version);
    return "20" + std::string(version.substr(0, 2)) + "-" + std::string(version.substr(2));
}

std::string Encode(std::string_view version, const std::vector<std::string> &records,
                   const std::vector<Entry> &entries) {
    std::string out(version.substr(0, 4));
    out.resize(4, '0');
    std::vector<uint32_t> offsets;
    std::string recordBytes;
    for (const std::string &record : records) {
        offsets.push_back(uint32_t(kHeaderBytes + recordBytes.size()));
        recordBytes.append(record).push_back('\0');
    }
    AppendUint32(out, uint32_t(kHeaderBytes + recordBytes.size()));
    out += recordBytes;
    for (const Entry &entry : entries) {
        AppendUint32(out, entry.block);
        AppendUint32(out, entry.record < offsets.size() ? offsets[entry.record] : entry.record);
        out.push_back(char(entry.cardType));
    }
    return out;
}

} // namespace phonedat
