#include "phonedatfile.h"

#include "gbktext.h"
#include "phonedatformat.h"

#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

using phonedat::kEntryBytes;
using phonedat::kHeaderBytes;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A byte that text never holds.
bool IsBinary(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7f;
}

uint32_t Uint32At(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

template <typename... Values> std::string Text(const char *format, Values... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

SegmentTableLoad Refused(std::string what, SegmentTable base) {
    SegmentTableLoad load;
    load.error = "damaged phone.dat: " + what;
    load.table = std::move(base);
    return load;
}

// One record, checked as the answers need its names.
struct RecordRead {
    Region region;
    std::string fault; // empty when the record is usable
};

RecordRead ReadRecord(std::string_view records, size_t offset) {
    const size_t end = records.find('\0', offset);
    const auto fault = [offset](const char *what) {
        return RecordRead{{}, Text("record at offset %zu %s", offset + kHeaderBytes, what)};
    };
    if (end == std::string_view::npos)
        return fault("has no NUL before the index");
    const std::string_view text = records.substr(offset, end - offset);
    std::vector<std::string_view> fields;
    for (size_t from = 0;;) {
        const size_t bar = text.find('|', from);
        fields.push_back(text.substr(from, bar == std::string_view::npos ? bar : bar - from));
        if (bar == std::string_view::npos)
            break;
        from = bar + 1;
    }
    if (fields.size() != 4)
        return fault("is not 省份|城市|邮编|区号");
    if (!IsUtf8(text))
        return fault("is not UTF-8 text");
    if (fields[0].empty())
        return fault("has no province");
    RecordRead read;
    read.region.province = ProvinceShortName(fields[0]);
    read.region.city = fields[1].empty() ? read.region.province : std::string(fields[1]);
    // The names end up between single quotes in the answer, which goes out
    // in GBK.
    for (const std::string &name : {read.region.province, read.region.city}) {
        if (name.find_first_of("'\\") != std::string::npos)
            return fault("holds a quote or backslash in its province or city");
        if (!Utf8ToGbk(name))
            return fault("holds a character GBK cannot write");
    }
    return read;
}

} // namespace

bool LooksLikePhoneDat(std::string_view bytes) {
    if (bytes.size() < 4 || !IsDigit(bytes[0]) || !IsDigit(bytes[1]) || !IsDigit(bytes[2]) ||
        !IsDigit(bytes[3]))
        return false;
    // No CSV table is this short, nor has its first row four digits and then
    // anything but more text.
    if (bytes.size() <= kHeaderBytes || static_cast<unsigned char>(bytes[4]) >= 0x80)
        return true;
    for (size_t i = 4; i < kHeaderBytes; ++i) {
        if (IsBinary(bytes[i]))
            return true;
    }
    return false;
}

SegmentTableLoad ReadPhoneDat(std::string_view bytes, SegmentTable base) {
    if (bytes.size() < kHeaderBytes)
        return Refused(
            Text("%zu bytes, shorter than its %zu-byte header", bytes.size(), kHeaderBytes),
            std::move(base));
    const std::string_view version = bytes.substr(0, 4);
    for (char c : version) {
        if (!IsDigit(c))
            return Refused("its version is not four digits", std::move(base));
    }
    const uint32_t indexOffset = Uint32At(bytes, 4);
    if (indexOffset < kHeaderBytes)
        return Refused(Text("index offset %u lies inside the header", unsigned(indexOffset)),
                       std::move(base));
    if (indexOffset > bytes.size())
        return Refused(Text("index offset %u is past the end of the file (%zu bytes)",
                            unsigned(indexOffset), bytes.size()),
                       std::move(base));
    const size_t indexBytes = bytes.size() - indexOffset;
    if (indexBytes == 0)
        return Refused("no index entries", std::move(base));
    if (indexBytes % kEntryBytes != 0)
        return Refused(Text("the index (%zu bytes) ends in %zu bytes of a %zu-byte entry; "
                            "the file is cut short",
                            indexBytes, indexBytes % kEntryBytes, kEntryBytes),
                       std::move(base));
    // Offsets in the entries count from the file's start; records from 8.
    const std::string_view records = bytes.substr(kHeaderBytes, indexOffset - kHeaderBytes);
    if (!records.empty() && records.back() != '\0') {
        const size_t last = records.rfind('\0');
        return Refused(Text("record at offset %zu has no NUL before the index",
                            (last == std::string_view::npos ? 0 : last + 1) + kHeaderBytes),
                       std::move(base));
    }

    // Everything is checked before the table is touched: a refused file
    // leaves nothing of itself behind.
    const size_t entryCount = indexBytes / kEntryBytes;
    std::vector<uint32_t> recordOf(entryCount); // which of `regions` each entry has
    std::vector<Region> regions;
    std::unordered_map<uint32_t, uint32_t> regionAt; // record offset → index in regions
    uint32_t previous = 0, lastOffset = 0, lastRegion = 0;
    for (size_t i = 0; i < entryCount; ++i) {
        const size_t at = indexOffset + i * kEntryBytes;
        const uint32_t block = Uint32At(bytes, at);
        const uint32_t offset = Uint32At(bytes, at + 4);
        const auto cardType = static_cast<uint8_t>(bytes[at + 8]);
        const auto entry = [i, block](const std::string &what) {
            return Text("entry %zu (block %u): ", i + 1, unsigned(block)) + what;
        };
        if (block < SegmentTable::kFirstBlock ||
            block >= SegmentTable::kFirstBlock + SegmentTable::kBlockCount)
            return Refused(entry("the block is not seven digits beginning with 1"),
                           std::move(base));
        if (i > 0 && block <= previous)
            return Refused(
                entry(Text("comes after block %u; the index is not sorted", unsigned(previous))),
                std::move(base));
        previous = block;
        if (phonedat::CarrierOfCardType(cardType).empty())
            return Refused(entry(Text("card type %u is not one of 1 to 8", unsigned(cardType))),
                           std::move(base));
        if (i > 0 && offset == lastOffset) {
            recordOf[i] = lastRegion;
            continue;
        }
        if (offset < kHeaderBytes || offset >= indexOffset)
            return Refused(entry(Text("record offset %u is outside the records (%zu to %u)",
                                      unsigned(offset), kHeaderBytes, unsigned(indexOffset - 1))),
                           std::move(base));
        if (offset > kHeaderBytes && bytes[offset - 1] != '\0')
            return Refused(entry(Text("record offset %u points into the middle of a record",
                                      unsigned(offset))),
                           std::move(base));
        auto known = regionAt.find(offset);
        if (known == regionAt.end()) {
            RecordRead read = ReadRecord(records, offset - kHeaderBytes);
            if (!read.fault.empty())
                return Refused(entry(read.fault), std::move(base));
            regions.push_back(std::move(read.region));
            known = regionAt.emplace(offset, uint32_t(regions.size() - 1)).first;
        }
        lastOffset = offset;
        lastRegion = recordOf[i] = known->second;
    }
    if (regions.size() > SegmentTable::kMaxRegions - base.RegionCount())
        return Refused(Text("%zu distinct records, more than a table can hold", regions.size()),
                       std::move(base));

    SegmentTableLoad load;
    load.phoneDat = true;
    load.dataDate = phonedat::DateOfVersion(version);
    load.table = std::move(base);
    std::vector<uint32_t> tableRegion(regions.size());
    for (size_t r = 0; r < regions.size(); ++r)
        tableRegion[r] = *load.table.AddRegion(regions[r]); // checked for GBK above
    for (size_t i = 0; i < entryCount; ++i) {
        const size_t at = indexOffset + i * kEntryBytes;
        load.table.Set(Uint32At(bytes, at), tableRegion[recordOf[i]],
                       phonedat::CarrierOfCardType(static_cast<uint8_t>(bytes[at + 8])));
    }
    load.loaded = entryCount;
    return load;
}
