#!/usr/bin/python3
"""Writes into the folder given the import tests' workbooks: customers.xlsx
(openpyxl) and .xls (xlwt), 200 customers whose numbers are written every way
people write them, customers.txt the numbers they hold; sheets.xls, whose
second sheet's 联系电话 is the column."""
import os
import sys

import openpyxl
import xlwt

FULL_WIDTH = str.maketrans("0123456789", "０１２３４５６７８９")


def written(digits, way):
    """How row `way` writes the number: (value, number format or None)."""
    forms = [
        (int(digits), None),  # typed into a cell: a number
        (int(digits), "0.00E+00"),  # shown as 1.38E+10
        (int(digits), "#,##0"),  # shown as 13,800,138,000
        ("+86 " + digits[:3] + " " + digits[3:7] + " " + digits[7:], None),
        ("+86" + digits, None),
        ("86" + digits, None),
        ("0086-" + digits, None),
        (digits[:3] + "-" + digits[3:7] + "-" + digits[7:], None),
        (digits[:3] + " " + digits[3:7] + " " + digits[7:], None),
        (digits.translate(FULL_WIDTH), None),
        (digits, None),  # text as it stands
        ("+86-" + digits, None),
    ]
    return forms[way % len(forms)]


def customers():
    numbers = [str(13800000000 + i * 1234567 % 199999999) for i in range(200)]
    return [(f"客户{i + 1:03d}", *written(digits, i), f"北京市朝阳区建国路{i + 1}号，{i % 7 + 1}层", digits)
            for i, digits in enumerate(numbers)]


def write_xlsx(path, rows):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "客户名单"
    sheet.append(["姓名", "手机", "地址"])
    for row, (name, value, number_format, address, _) in enumerate(rows, start=2):
        sheet.cell(row=row, column=1, value=name)
        cell = sheet.cell(row=row, column=2, value=value)
        if number_format:
            cell.number_format = number_format
        sheet.cell(row=row, column=3, value=address)
    book.save(path)


def write_xls(path, rows):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("客户名单")
    for column, title in enumerate(["姓名", "手机", "地址"]):
        sheet.write(0, column, title)
    for row, (name, value, number_format, address, _) in enumerate(rows, start=1):
        sheet.write(row, 0, name)
        style = xlwt.easyxf(num_format_str=number_format) if number_format else xlwt.Style.default_style
        sheet.write(row, 1, value, style)
        sheet.write(row, 2, address)
    book.save(path)


def write_sheets_xls(path):
    book = xlwt.Workbook(encoding="utf-8")
    notes = book.add_sheet("说明")
    notes.write(0, 0, "这张表没有号码")
    notes.write(1, 0, 12345)
    numbers = book.add_sheet("名单")
    for column, title in enumerate(["编号", "联系电话", "备注"]):
        numbers.write(0, column, title)
    for row in range(1, 6):
        numbers.write(row, 0, 10000000000 + row)  # 11 digits, but no mobile number's
        numbers.write(row, 1, 13900000000 + row)
        numbers.write(row, 2, "13700000000")
    numbers.write(6, 1, "010-12345678")
    later = book.add_sheet("以后")
    later.write(0, 0, "手机")
    later.write(1, 0, 13600000000)
    book.save(path)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rows = customers()
    write_xlsx(os.path.join(folder, "customers.xlsx"), rows)
    write_xls(os.path.join(folder, "customers.xls"), rows)
    with open(os.path.join(folder, "customers.txt"), "w", encoding="utf-8") as expected:
        expected.write("".join(digits + "\n" for *_, digits in rows))
    write_sheets_xls(os.path.join(folder, "sheets.xls"))


if __name__ == "__main__":
    main()
