#!/usr/bin/env python3
"""Checks with openpyxl that each workbook tst_numbersinout exported holds
what its note (W.json beside W.xlsx) says: the rows of a CSV file, a header
on every sheet, serials as numbers and phone numbers as text; in order on
查询结果, 查询结果 (2) ..., or by province: largest first (equal counts by
name), 未查到 last, "广东 (2)" for the overflow.

    check_export.py FOLDER
"""
import csv
import glob
import json
import os
import sys

import openpyxl

HEADER = ["序号", "手机号码", "省份", "城市", "运营商"]


def fail(message):
    print("check_export: " + message, file=sys.stderr)
    sys.exit(1)


def read_csv(path):
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        fail("%s has no UTF-8 byte-order mark" % path)
    if raw.replace(b"\r\n", b"").count(b"\n") or not raw.endswith(b"\r\n"):
        fail("the lines of %s do not all end in CR LF" % path)
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f))
    if rows[0] != HEADER:
        fail("%s: header %r" % (path, rows[0]))
    return rows[1:]


def sheet_rows(name, sheet):
    """The rows below the header, as the CSV writes them."""
    cells = [list(row) for row in sheet.iter_rows()]
    if not cells or [c.value for c in cells[0]] != HEADER:
        fail("sheet %s: header %r" % (name, cells and [c.value for c in cells[0]]))
    rows = []
    for number, row in enumerate(cells[1:], start=2):
        serial, phone = row[0], row[1]
        if serial.data_type != "n" or not isinstance(serial.value, int):
            fail("sheet %s, row %d: serial %r is no number" % (name, number, serial.value))
        if phone.data_type != "s":
            fail("sheet %s, row %d: number %r is no text" % (name, number, phone.value))
        answers = [c.value or "" for c in row[2:5]] + [""] * (3 - len(row[2:5]))
        rows.append([str(serial.value), phone.value] + answers)
    return rows


def expected_sheets(rows, by_province, per_sheet):
    """[(name, rows)] as the workbook is to hold them."""
    if not by_province:
        parts = [("查询结果", rows)]
    else:
        provinces, not_found = {}, []
        for row in rows:
            if row[2]:
                provinces.setdefault(row[2], []).append(row)
            else:
                not_found.append(row)
        parts = sorted(provinces.items(), key=lambda p: (-len(p[1]), p[0]))
        if not_found:
            parts.append(("未查到", not_found))
    sheets = []
    for name, part in parts:
        for start in range(0, max(len(part), 1), per_sheet):
            sheet_name = name if start == 0 else "%s (%d)" % (name, start // per_sheet + 1)
            sheets.append((sheet_name, part[start:start + per_sheet]))
    return sheets


def check(workbook_path):
    with open(workbook_path[:-5] + ".json", encoding="utf-8") as f:
        note = json.load(f)
    rows = read_csv(os.path.join(os.path.dirname(workbook_path), note["csv"]))
    want = expected_sheets(rows, note["byProvince"], note["rowsPerSheet"])
    book = openpyxl.load_workbook(workbook_path, read_only=True)
    if book.sheetnames != [name for name, _ in want]:
        fail("%s: sheets %r, not %r" % (workbook_path, book.sheetnames, [n for n, _ in want]))
    for name, part in want:
        got = sheet_rows(name, book[name])
        if got != part:
            for number, (g, w) in enumerate(zip(got, part), start=2):
                if g != w:
                    fail("%s, sheet %s, row %d: %r, the CSV has %r"
                         % (workbook_path, name, number, g, w))
            fail("%s, sheet %s: %d rows, not %d" % (workbook_path, name, len(got), len(part)))
    book.close()
    print("check_export: %s: %d rows alike on %d sheets"
          % (os.path.basename(workbook_path), len(rows), len(want)))


def main():
    workbooks = sorted(glob.glob(os.path.join(sys.argv[1], "*.xlsx")))
    if len(workbooks) < 5:
        fail("only %d workbooks in %s" % (len(workbooks), sys.argv[1]))
    for path in workbooks:
        check(path)


main()
