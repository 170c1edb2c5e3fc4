#include "bareworkbook.h"

#include "resultlistmodel.h"

#include <xlsxwriter.h>

BareWorkbook::BareWorkbook(const ResultListModel &lv) {
    m_cells.reserve(std::size_t(lv.Count()) * 4);
    for (int i = 1; i <= lv.Count(); ++i) {
        const RowAnswer &answer = lv.Answer(i);
        for (const QString &cell : {lv.Number(i), answer.province, answer.city, answer.carrier})
            m_cells.push_back(cell.toStdString());
    }
}

void BareWorkbook::Write(const QByteArray &path, QByteArray folder) const {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    const char *header[] = {"序号", "手机号码", "省份", "城市", "运营商"};
    lxw_worksheet *sheet = nullptr;
    std::size_t at = 0;
    const lxw_row_t perSheet = 1'048'575;
    const lxw_row_t rows = lxw_row_t(m_cells.size() / 4);
    for (lxw_row_t i = 0; i < rows; ++i) {
        if (i % perSheet == 0) {
            const std::string name = i == 0 ? std::string("查询结果")
                                            : "查询结果 (" + std::to_string(i / perSheet + 1) + ")";
            sheet = workbook_add_worksheet(book, name.c_str());
            for (lxw_col_t col = 0; col < 5; ++col)
                worksheet_write_string(sheet, 0, col, header[col], nullptr);
        }
        const lxw_row_t row = i % perSheet + 1;
        worksheet_write_number(sheet, row, 0, double(i + 1), nullptr);
        for (lxw_col_t col = 1; col < 5; ++col, ++at) {
            if (!m_cells[at].empty())
                worksheet_write_string(sheet, row, col, m_cells[at].c_str(), nullptr);
        }
    }
    workbook_close(book);
}
