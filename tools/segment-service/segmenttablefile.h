#pragma once

#include "segmenttable.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// A row of the file that was not taken, and why.
struct SkippedRow {
    size_t line; // 1-based, as an editor counts
    std::string reason;
};

// What reading a segment table gave.
struct SegmentTableLoad {
    // Non-empty when the file could not be used at all (unreadable, no
    // header naming the needed columns, a damaged phone.dat); the table is
    // the one given then.
    std::string error;
    SegmentTable table;
    bool phoneDat = false;
    std::string dataDate; // a phone.dat's: "2021-08"
    std::string encoding; // a CSV table's: "UTF-8" or "GBK"
    size_t loaded = 0;
    size_t skipped = 0;
    std::vector<SkippedRow> firstSkipped; // the first five
};

// Reads a segment table, a phone.dat (phonedatfile.h) or a CSV table, told
// apart by their bytes. A CSV table is comma-separated, in UTF-8 (with or without a
// byte-order mark) or GBK, its first row naming the columns. The block is
// the column named 号段, prefix, phone or segment; the province 省份, 省 or
// province; the city (optional) 城市, 市 or city; the carrier 运营商, 卡类型,
// isp, carrier or catName, in any order and letter case. Other columns are
// ignored. Rows that cannot be used are skipped and counted; the rest load.
// Either loads on top of `base`: a block in the file replaces the same block
// there.
SegmentTableLoad LoadSegmentTable(const std::filesystem::path &path, SegmentTable base = {});

// One line for the log: rows loaded and skipped, and the first skipped
// rows with their reasons; for a phone.dat its date and blocks.
std::string DescribeLoad(const SegmentTableLoad &load);
