#include "segmenttable.h"

#include <algorithm>

std::optional<SegmentTable::Entry> SegmentTable::Find(std::string_view digits) const {
    if (m_blocks.empty() || digits.size() < 7)
        return std::nullopt;
    uint32_t block = 0;
    for (char c : digits.substr(0, 7)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        block = block * 10 + uint32_t(c - '0');
    }
    if (block < kFirstBlock || block >= kFirstBlock + kBlockCount)
        return std::nullopt;
    const uint32_t slot = m_blocks[block - kFirstBlock];
    if (slot == 0)
        return std::nullopt;
    return Entry{&m_regions[(slot - 1) >> 8], m_carriers[(slot - 1) & 0xff]};
}

std::optional<uint32_t> SegmentTable::AddRegion(const Region &region) {
    std::string key = region.province;
    key.push_back('\0');
    key.append(region.city);
    if (const auto known = m_regionIndex.find(key); known != m_regionIndex.end())
        return known->second;
    if (m_regions.size() >= kMaxRegions)
        return std::nullopt;
    m_regions.push_back(region);
    m_regionIndex.emplace(std::move(key), uint32_t(m_regions.size() - 1));
    return uint32_t(m_regions.size() - 1);
}

void SegmentTable::Set(uint32_t block, uint32_t region, std::string_view carrier) {
    if (block < kFirstBlock || block >= kFirstBlock + kBlockCount || region >= m_regions.size())
        return;
    auto known = std::find(m_carriers.begin(), m_carriers.end(), carrier);
    if (known == m_carriers.end()) {
        if (m_carriers.size() > 0xff)
            return;
        known = m_carriers.insert(m_carriers.end(), carrier);
    }
    if (m_blocks.empty())
        m_blocks.assign(kBlockCount, 0);
    uint32_t &slot = m_blocks[block - kFirstBlock];
    m_blockCount += slot == 0;
    slot = 1 + (region << 8 | uint32_t(known - m_carriers.begin()));
}
