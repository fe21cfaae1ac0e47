#!/usr/bin/python3
# Writes the workbooks of this folder (see README). Run from this folder with Debian's python3-openpyxl:
#     /usr/bin/python3 make_files.py
import os

import openpyxl
from openpyxl.styles import Alignment

HERE = os.path.dirname(os.path.abspath(__file__))


def households():
    """A households sheet as a person types it: a station's name ended by Alt+Enter (a line break kept
    in the cell, the cell set to wrap its text), a feeder likewise, and an empty row before the last
    station."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Быт"
    rows = [["ТП-42\n"], [1, "1", 12, 2750.25], [2, "2\n", 5, 120.5],
            ["ТП-43"], [1, "1", 7, 300],
            [],
            ["ТП-44"], [1, "1", 3, 45]]
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row, start=1):
            cell = sheet.cell(row=r, column=c, value=value)
            if isinstance(value, str) and "\n" in value:
                cell.alignment = Alignment(wrap_text=True)
    book.save(os.path.join(HERE, "households_line_breaks.xlsx"))


def households_pasted():
    """A households sheet pasted together from a web page and a billing report: a station's name ended by a
    no-break space, another by a tab, a feeder's number ended by a no-break space."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Быт"
    rows = [["ТП-42\u00a0"], [1, "1", 12, 2750.25], [2, "8\u00a0", 5, 120.5],
            ["КТП 7\t"], [1, "1", 7, 300]]
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row, start=1):
            sheet.cell(row=r, column=c, value=value)
    book.save(os.path.join(HERE, "households_pasted.xlsx"))


if __name__ == "__main__":
    households()
    households_pasted()
