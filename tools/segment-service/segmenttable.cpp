#include "segmenttable.h"

#include "gbktext.h"

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
    const Names &names = m_regions[(slot - 1) >> 8];
    const Carrier &carrier = m_carriers[(slot - 1) & 0xff];
    return Entry{&names.utf8, carrier.utf8, names.gbkProvince, names.gbkCity, carrier.gbk};
}

std::optional<uint32_t> SegmentTable::ParseBlock(std::string_view text) {
    if (text.size() != 7 || text.front() != '1')
        return std::nullopt;
    uint32_t block = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        block = block * 10 + uint32_t(c - '0');
    }
    return block;
}

std::optional<uint32_t> SegmentTable::AddRegion(const Region &region) {
    std::string key = region.province;
    key.push_back('\0');
    key.append(region.city);
    if (const auto known = m_regionIndex.find(key); known != m_regionIndex.end())
        return known->second;
    if (m_regions.size() >= kMaxRegions)
        return std::nullopt;
    std::optional<std::string> province = Utf8ToGbk(region.province);
    std::optional<std::string> city = Utf8ToGbk(region.city);
    if (!province || !city)
        return std::nullopt;
    m_regions.push_back({region, std::move(*province), std::move(*city)});
    m_regionIndex.emplace(std::move(key), uint32_t(m_regions.size() - 1));
    return uint32_t(m_regions.size() - 1);
}

void SegmentTable::Set(uint32_t block, uint32_t region, std::string_view carrier) {
    if (block < kFirstBlock || block >= kFirstBlock + kBlockCount || region >= m_regions.size())
        return;
    // Callers pass the same few static strings half a million times over:
    // the same address is the same name.
    auto known = std::find_if(m_carriers.begin(), m_carriers.end(), [carrier](const Carrier &c) {
        return c.utf8.data() == carrier.data() && c.utf8.size() == carrier.size();
    });
    if (known == m_carriers.end())
        known = std::find_if(m_carriers.begin(), m_carriers.end(),
                             [carrier](const Carrier &c) { return c.utf8 == carrier; });
    if (known == m_carriers.end()) {
        std::optional<std::string> gbk = Utf8ToGbk(carrier);
        if (m_carriers.size() > 0xff || !gbk)
            return;
        known = m_carriers.insert(m_carriers.end(), Carrier{carrier, std::move(*gbk)});
    }
    if (m_blocks.empty())
        m_blocks.assign(kBlockCount, 0);
    uint32_t &slot = m_blocks[block - kFirstBlock];
    m_blockCount += slot == 0;
    slot = 1 + (region << 8 | uint32_t(known - m_carriers.begin()));
}
