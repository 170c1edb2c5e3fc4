#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// A mobile number written in a cell (pasted, in a CSV file or in a workbook)
// the ways people write one: with the country code +86, 86 or 0086 before
// it, with or without a blank or a dash after the code; with blanks or
// dashes between its groups ("138 0013 8000", "138-0013-8000"); in
// full-width digits; with blanks around it. Gives its 11 digits, which are
// what the row holds from then on; a null text when the cell is not a
// mobile number written so (it may still be one by the plain rule of a
// line, which keeps a text as it stands).
QString WrittenMobileNumber(QStringView cell);

// The number one cell gives: its 11 digits when it is a mobile number written
// as above, else the cell as it stands when isNumber takes it (as a line of
// a text file is taken), else a null text.
QString NumberOfCell(QStringView cell, const std::function<bool(QStringView)> &isNumber);

// How surely a column's header names the column of phone numbers: 0 when it
// does not (an empty cell, 姓名, 身份证号码, 邮编), 1 for a bare "号码", 2 for a
// phone of any kind (电话, 联系电话, 联系方式, phone, tel), 3 for a mobile phone
// (手机, 手机号, 手机号码, 移动电话, mobile, cell). Of several columns the one named
// most surely is the number column.
int PhoneHeaderRank(QStringView cell);
