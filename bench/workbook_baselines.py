#!/usr/bin/python3
"""bench_import's bare baselines and its .xls: python3 workbook_baselines.py
  write-xls FILE ROWS   writes an .xls of ROWS rows (姓名, 手机, 地址) with xlwt
  openpyxl FILE         reads the .xlsx's second column, read-only
  xlrd FILE             reads the .xls's second column
A reader prints the seconds its read took and the numbers it found."""
import sys
import time


def write_xls(path, rows):
    import xlwt
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("客户名单")
    for column, title in enumerate(["姓名", "手机", "地址"]):
        sheet.write(0, column, title)
    for row in range(1, rows):
        sheet.write(row, 0, "客户%d" % row)
        sheet.write(row, 1, 13800000000 + row)
        sheet.write(row, 2, "北京市朝阳区建国路%d号" % row)
    book.save(path)


def read_openpyxl(path):
    import openpyxl
    start = time.perf_counter()
    book = openpyxl.load_workbook(path, read_only=True)
    found = 0
    for row in book.worksheets[0].iter_rows(min_col=2, max_col=2, values_only=True):
        if row[0] is not None:
            found += 1
    book.close()
    return time.perf_counter() - start, found


def read_xlrd(path):
    import xlrd
    start = time.perf_counter()
    book = xlrd.open_workbook(path)
    sheet = book.sheet_by_index(0)
    found = sum(1 for value in sheet.col_values(1) if value != "")
    return time.perf_counter() - start, found


def main():
    what, path = sys.argv[1], sys.argv[2]
    if what == "write-xls":
        write_xls(path, int(sys.argv[3]))
        return
    seconds, found = (read_openpyxl if what == "openpyxl" else read_xlrd)(path)
    print("%.6f %d" % (seconds, found))


if __name__ == "__main__":
    main()
