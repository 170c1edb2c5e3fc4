#!/usr/bin/env python3
"""Reads the workbook and the CSV file that tst_numbersinout exported after a
batch, the workbook with openpyxl as a spreadsheet user's tools would, and
checks that both hold the same table: the header, then every row, the serial
a number, the phone number a text cell, and the answers' province, city and
carrier as the CSV (checked byte for byte by the test) has them.

    check_export.py FOLDER   (holding 导出结果.xlsx and 导出结果.csv)
"""
import csv
import os
import sys

import openpyxl

HEADER = ["序号", "手机号码", "省份", "城市", "运营商"]


def fail(message):
    print("check_export: " + message, file=sys.stderr)
    sys.exit(1)


def main():
    folder = sys.argv[1]
    workbook_path = os.path.join(folder, "导出结果.xlsx")
    csv_path = os.path.join(folder, "导出结果.csv")

    with open(csv_path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        fail("the CSV has no UTF-8 byte-order mark")
    if raw.replace(b"\r\n", b"").count(b"\n") or not raw.endswith(b"\r\n"):
        fail("the CSV's lines do not all end in CR LF")
    with open(csv_path, encoding="utf-8-sig", newline="") as f:
        expected = list(csv.reader(f))

    sheet = openpyxl.load_workbook(workbook_path).worksheets[0]
    cells = [list(row) for row in sheet.iter_rows()]
    if [c.value for c in cells[0]] != HEADER:
        fail("header %r" % [c.value for c in cells[0]])
    if len(cells) != len(expected):
        fail("%d rows in the workbook, %d in the CSV" % (len(cells), len(expected)))
    for number, (row, want) in enumerate(zip(cells[1:], expected[1:]), start=2):
        serial, phone = row[0], row[1]
        if serial.data_type != "n" or serial.value != int(want[0]):
            fail("row %d: serial %r is not the number %s" % (number, serial.value, want[0]))
        if phone.data_type != "s" or phone.value != want[1]:
            fail("row %d: number %r is not the text %s" % (number, phone.value, want[1]))
        got = [c.value or "" for c in row[2:5]] + [""] * (3 - len(row[2:5]))
        if got != want[2:5]:
            fail("row %d: answers %r, the CSV has %r" % (number, got, want[2:5]))
    print("check_export: %d rows alike in the workbook and the CSV" % (len(cells) - 1))


main()
