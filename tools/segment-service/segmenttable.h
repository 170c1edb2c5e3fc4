#pragma once

#include "region.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Province, city and carrier of seven-digit blocks: the built-in table and a
// table the user brings, one on top of the other. Filled once before
// serving, then only read.
//
// Half a million blocks must fit in little memory: every block is one
// 32-bit slot in a direct index over 1000000..1999999 (4 MB), pointing into
// the few hundred distinct regions and the four carriers, each held once,
// in UTF-8 and in the GBK the answers go out in.
class SegmentTable {
public:
    struct Entry {
        const Region *region;     // UTF-8
        std::string_view carrier; // UTF-8
        std::string_view gbkProvince;
        std::string_view gbkCity;
        std::string_view gbkCarrier;
    };

    // `digits` begins with the seven digits of a block 1000000..1999999;
    // nothing when that block is not in the table. Looks up in place.
    std::optional<Entry> Find(std::string_view digits) const;

    // Whether no block is held.
    bool Empty() const { return m_blockCount == 0; }
    size_t BlockCount() const { return m_blockCount; }
    size_t RegionCount() const { return m_regions.size(); }

    // Interns a region, whose names GBK must be able to write; the index to
    // give Set. Nothing once kMaxRegions distinct ones are held, or when a
    // name has no GBK form.
    std::optional<uint32_t> AddRegion(const Region &region);
    // `block` in 1000000..1999999; `carrier` one of the service's four
    // names, a static string. A block set twice keeps the later entry.
    void Set(uint32_t block, uint32_t region, std::string_view carrier);

    // The block a table writes as seven ASCII digits beginning with 1;
    // nothing for any other text.
    static std::optional<uint32_t> ParseBlock(std::string_view text);

    static constexpr uint32_t kFirstBlock = 1'000'000;
    static constexpr uint32_t kBlockCount = 1'000'000;
    static constexpr uint32_t kMaxRegions = 1u << 24;

private:
    struct Names {
        Region utf8;
        std::string gbkProvince;
        std::string gbkCity;
    };
    struct Carrier {
        std::string_view utf8;
        std::string gbk;
    };

    // 0: not in the table; otherwise 1 + (region << 8 | carrier).
    std::vector<uint32_t> m_blocks;
    size_t m_blockCount = 0;
    std::vector<Names> m_regions;
    std::unordered_map<std::string, uint32_t> m_regionIndex; // province '\0' city
    std::vector<Carrier> m_carriers;
};
