#pragma once

#include <QByteArray>

#include <string>
#include <vector>

class ResultListModel;

// The export's baseline: the same rows as 导出结果 writes, written by
// libxlsxwriter alone from UTF-8 made ready in memory beforehand, on sheets
// of 1,048,575 rows below their header: no list, no window, no copy into
// place.
class BareWorkbook {
public:
    explicit BareWorkbook(const ResultListModel &lv);
    // Writes the workbook at path, libxlsxwriter's temporary files in folder.
    void Write(const QByteArray &path, QByteArray folder) const;

private:
    std::vector<std::string> m_cells; // number, province, city, carrier of each row
};
