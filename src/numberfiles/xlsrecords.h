#pragma once

// What xls-reader (tools/xls-reader) writes on its standard output for the
// import, which reads an .xls through it: records of one byte naming them,
// then their fields, little-endian.
namespace XlsRecord {
// A sheet begins; its cells follow, row by row, left to right.
constexpr char kSheet = 'S';
// A number cell: row (4 bytes), column (2), value (a double, 8).
constexpr char kNumber = 'N';
// A cell of text: row (4 bytes), column (2), length (4), that many bytes of
// UTF-8.
constexpr char kText = 'T';
// The last sheet has ended.
constexpr char kEnd = 'E';
// The workbook cannot be read: one byte, a WorkbookFault's value; nothing
// follows.
constexpr char kFault = 'F';
} // namespace XlsRecord
