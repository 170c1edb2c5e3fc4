#pragma once

#include "regionlookup.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Province, city and carrier of seven-digit blocks, from a segment table the
// user brings. Filled once before serving, then only read, so any number of
// threads may look up at once.
//
// Half a million blocks must fit in little memory: every block is one
// 32-bit slot in a direct index over 1000000..1999999 (4 MB), pointing into
// the few hundred distinct regions and the four carriers, each held once.
class SegmentTable {
public:
    struct Entry {
        const Region *region;
        std::string_view carrier;
    };

    // `digits` is an eleven-digit number beginning with 1; nothing when its
    // block is not in the table.
    std::optional<Entry> Find(std::string_view digits) const;

    // Whether no block is held.
    bool Empty() const { return m_blockCount == 0; }

    // Interns a region; the index to give Set. Nothing once kMaxRegions
    // distinct ones are held.
    std::optional<uint32_t> AddRegion(const Region &region);
    // `block` in 1000000..1999999; `carrier` one of the service's four
    // names, a static string. A block set twice keeps the later entry.
    void Set(uint32_t block, uint32_t region, std::string_view carrier);

    static constexpr uint32_t kFirstBlock = 1'000'000;
    static constexpr uint32_t kBlockCount = 1'000'000;
    static constexpr uint32_t kMaxRegions = 1u << 24;

private:
    // 0: not in the table; otherwise 1 + (region << 8 | carrier).
    std::vector<uint32_t> m_blocks;
    size_t m_blockCount = 0;
    std::vector<Region> m_regions;
    std::unordered_map<std::string, uint32_t> m_regionIndex; // province '\0' city
    std::vector<std::string_view> m_carriers;
};
