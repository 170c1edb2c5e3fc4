#include "segmenttablefile.h"

#include "carriernames.h"
#include "csvline.h"
#include "gbktext.h"

#include "filebytes.h"
#include "phonedatfile.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

using namespace std::string_view_literals;

// Tables in circulation are a few tens of megabytes as CSV, a few as
// phone.dat; anything far larger is not one, and is refused before it is
// read into memory.
constexpr size_t kMaxFileBytes = size_t(512) << 20;
constexpr size_t kReportedSkips = 5;
constexpr size_t kNoColumn = size_t(-1);

enum class Fault {
    Quotes,
    Block,
    NoProvince,
    NoCarrier,
    UnknownCarrier,
    NotText,
    Unquotable,
    NotGbk,
    TooManyRegions,
};

// What the report says of a skipped row, beside its line number.
struct FaultReason {
    Fault fault;
    std::string_view text;
};

constexpr std::array kFaultReasons{
    FaultReason{Fault::Quotes, "quotes left open or followed by text"},
    FaultReason{Fault::Block, "block is not seven digits beginning with 1"},
    FaultReason{Fault::NoProvince, "no province"},
    FaultReason{Fault::NoCarrier, "no carrier"},
    FaultReason{Fault::UnknownCarrier, "carrier not recognised"},
    FaultReason{Fault::Unquotable, "province or city holds a quote or backslash"},
    FaultReason{Fault::NotGbk, "province or city holds a character GBK cannot write"},
    FaultReason{Fault::TooManyRegions, "too many distinct provinces and cities"},
};

std::string Reason(Fault fault, bool gbk) {
    // Text that does not decode is named by the encoding the table is in.
    if (fault == Fault::NotText)
        return gbk ? "not GBK text" : "not UTF-8 text";
    for (const FaultReason &reason : kFaultReasons)
        if (reason.fault == fault)
            return std::string(reason.text);
    return {};
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t,") == std::string_view::npos;
}

// Lines end in LF, CR LF or CR.
class Lines {
public:
    explicit Lines(std::string_view text)
        : m_text(text) {}

    bool Next(std::string_view &line) {
        if (m_pos >= m_text.size())
            return false;
        size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r')
            ++end;
        line = m_text.substr(m_pos, end - m_pos);
        m_pos = end;
        if (m_pos < m_text.size())
            m_pos += m_text.compare(m_pos, 2, "\r\n") == 0 ? 2 : 1;
        ++m_number;
        return true;
    }
    size_t Number() const { return m_number; }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    size_t m_number = 0;
};

// UTF-8 unless most lines that are not plain ASCII read only as GBK. A table
// saved as UTF-8 with one damaged row stays UTF-8 (and loses only that row);
// GBK text is almost never valid UTF-8.
bool LooksLikeGbk(std::string_view text) {
    if (IsUtf8(text))
        return false;
    size_t utf8Lines = 0, otherLines = 0;
    Lines lines(text);
    for (std::string_view line; lines.Next(line);) {
        const bool ascii = std::all_of(line.begin(), line.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii)
            ++(IsUtf8(line) ? utf8Lines : otherLines);
    }
    return otherLines > utf8Lines;
}

std::optional<std::string> Decode(std::string_view raw, bool gbk) {
    if (gbk)
        return GbkToUtf8(raw);
    if (IsUtf8(raw))
        return std::string(raw);
    return std::nullopt;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return lower;
}

struct Columns {
    size_t block = kNoColumn;
    size_t province = kNoColumn;
    size_t city = kNoColumn;
    size_t carrier = kNoColumn;
};

constexpr std::array kBlockNames{"号段"sv, "prefix"sv, "phone"sv, "segment"sv};
constexpr std::array kProvinceNames{"省份"sv, "省"sv, "province"sv};
constexpr std::array kCityNames{"城市"sv, "市"sv, "city"sv};
constexpr std::array kCarrierNames{"运营商"sv, "卡类型"sv, "isp"sv, "carrier"sv, "catname"sv};

// The first column with one of the names; a second one of the same kind is
// ignored like any other column.
template <size_t N>
void Recognise(size_t &column, size_t index, const std::string &name,
               const std::array<std::string_view, N> &names) {
    if (column != kNoColumn)
        return;
    for (std::string_view n : names) {
        if (name == n) {
            column = index;
            return;
        }
    }
}

std::optional<Columns> ReadHeader(std::string_view line, bool gbk, std::string &missing) {
    CsvLine csv;
    const std::optional<std::string> text = Decode(line, gbk);
    Columns columns;
    if (text && csv.Split(*text)) {
        for (size_t i = 0; i < csv.Fields().size(); ++i) {
            const std::string name = AsciiLower(Trimmed(csv.Fields()[i]));
            Recognise(columns.block, i, name, kBlockNames);
            Recognise(columns.province, i, name, kProvinceNames);
            Recognise(columns.city, i, name, kCityNames);
            Recognise(columns.carrier, i, name, kCarrierNames);
        }
    }
    for (const auto &[column, what] :
         {std::pair{columns.block, "block"}, std::pair{columns.province, "province"},
          std::pair{columns.carrier, "carrier"}}) {
        if (column == kNoColumn)
            missing.append(missing.empty() ? "" : ", ").append(what);
    }
    if (!missing.empty())
        return std::nullopt;
    return columns;
}

// Turns rows into table entries. Tables repeat a few hundred regions and
// four carrier names half a million times, so each distinct raw text is
// decoded and checked once and the outcome remembered.
class RowReader {
public:
    RowReader(Columns columns, bool gbk, SegmentTable &table)
        : m_columns(columns)
        , m_gbk(gbk)
        , m_table(table) {}

    std::optional<Fault> Read(std::string_view line) {
        if (!m_csv.Split(line))
            return Fault::Quotes;
        const auto field = [this](size_t column) {
            return column < m_csv.Fields().size() ? Trimmed(m_csv.Fields()[column])
                                                  : std::string_view();
        };
        const std::optional<uint32_t> block = SegmentTable::ParseBlock(field(m_columns.block));
        if (!block)
            return Fault::Block;
        const std::string_view province = field(m_columns.province);
        if (province.empty())
            return Fault::NoProvince;
        const std::string_view carrierName = field(m_columns.carrier);
        if (carrierName.empty())
            return Fault::NoCarrier;

        m_key.assign(carrierName);
        auto carrier = m_carriers.find(m_key);
        if (carrier == m_carriers.end())
            carrier = m_carriers.emplace(m_key, MapCarrier(carrierName)).first;
        if (carrier->second.fault)
            return carrier->second.fault;

        m_key.assign(province).push_back('\0');
        m_key.append(field(m_columns.city));
        auto region = m_regions.find(m_key);
        if (region == m_regions.end())
            region = m_regions.emplace(m_key, AddRegion(province, field(m_columns.city))).first;
        if (region->second.fault)
            return region->second.fault;

        m_table.Set(*block, region->second.index, carrier->second.carrier);
        return std::nullopt;
    }

private:
    struct CarrierOutcome {
        std::string_view carrier;
        std::optional<Fault> fault;
    };
    struct RegionOutcome {
        uint32_t index = 0;
        std::optional<Fault> fault;
    };

    CarrierOutcome MapCarrier(std::string_view raw) const {
        const std::optional<std::string> name = Decode(raw, m_gbk);
        if (!name)
            return {{}, Fault::NotText};
        const std::string_view carrier = CarrierFromName(*name);
        if (carrier.empty())
            return {{}, Fault::UnknownCarrier};
        return {carrier, std::nullopt};
    }

    RegionOutcome AddRegion(std::string_view rawProvince, std::string_view rawCity) {
        const std::optional<std::string> province = Decode(rawProvince, m_gbk);
        const std::optional<std::string> city = Decode(rawCity, m_gbk);
        if (!province || !city)
            return {0, Fault::NotText};
        Region region;
        region.province = ProvinceShortName(*province);
        // A table without cities, or a row without one: the province stands
        // for it, as it does for the municipalities.
        region.city = city->empty() ? region.province : *city;
        // The names end up between single quotes in the answer, which goes
        // out in GBK.
        for (const std::string &name : {region.province, region.city}) {
            if (name.find_first_of("'\\") != std::string::npos)
                return {0, Fault::Unquotable};
            if (!Utf8ToGbk(name))
                return {0, Fault::NotGbk};
        }
        const std::optional<uint32_t> index = m_table.AddRegion(region);
        if (!index)
            return {0, Fault::TooManyRegions};
        return {*index, std::nullopt};
    }

    Columns m_columns;
    bool m_gbk;
    SegmentTable &m_table;
    CsvLine m_csv;
    std::string m_key;
    std::unordered_map<std::string, CarrierOutcome> m_carriers;
    std::unordered_map<std::string, RegionOutcome> m_regions;
};

SegmentTableLoad Failed(std::string error, SegmentTable base) {
    SegmentTableLoad load;
    load.error = std::move(error);
    load.table = std::move(base);
    return load;
}

// Reads a table already in memory.
SegmentTableLoad ParseSegmentTable(std::string_view bytes, SegmentTable base) {
    SegmentTableLoad load;
    bool gbk = false;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    else
        gbk = LooksLikeGbk(bytes);
    load.encoding = gbk ? "GBK" : "UTF-8";

    Lines lines(bytes);
    std::string_view line;
    while (lines.Next(line) && IsBlankLine(line)) {
    }
    std::string missing;
    const std::optional<Columns> columns =
        IsBlankLine(line) ? std::nullopt : ReadHeader(line, gbk, missing);
    if (!columns) {
        if (missing.empty())
            missing = "block, province, carrier";
        return Failed("no header naming the columns of the block (号段, prefix, phone or "
                      "segment), the province (省份, 省 or province) and the carrier (运营商, "
                      "卡类型, isp, carrier or catName); missing: " +
                          missing,
                      std::move(base));
    }

    load.table = std::move(base);
    RowReader rows(*columns, gbk, load.table);
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        const std::optional<Fault> fault = rows.Read(line);
        if (!fault) {
            ++load.loaded;
            continue;
        }
        if (++load.skipped <= kReportedSkips)
            load.firstSkipped.push_back({lines.Number(), Reason(*fault, gbk)});
    }
    return load;
}
} // namespace

SegmentTableLoad LoadSegmentTable(const std::filesystem::path &path, SegmentTable base) {
    FileBytes bytes;
    std::string error = bytes.Read(path, kMaxFileBytes);
    if (!error.empty())
        return Failed(std::move(error), std::move(base));
    if (LooksLikePhoneDat(bytes.View()))
        return ReadPhoneDat(bytes.View(), std::move(base));
    return ParseSegmentTable(bytes.View(), std::move(base));
}

std::string DescribeLoad(const SegmentTableLoad &load) {
    if (load.phoneDat)
        return "phone.dat of " + load.dataDate + ", " + std::to_string(load.loaded) +
               (load.loaded == 1 ? " block loaded" : " blocks loaded");
    std::string text = load.encoding + ", " + std::to_string(load.loaded) +
                       (load.loaded == 1 ? " row loaded, " : " rows loaded, ") +
                       std::to_string(load.skipped) + " skipped";
    for (size_t i = 0; i < load.firstSkipped.size(); ++i) {
        const SkippedRow &row = load.firstSkipped[i];
        text.append(i == 0 ? " (" : "; ")
            .append("line ")
            .append(std::to_string(row.line))
            .append(": ")
            .append(row.reason);
    }
    if (load.skipped > load.firstSkipped.size())
        text.append("; …");
    if (!load.firstSkipped.empty())
        text.append(")");
    return text;
}
