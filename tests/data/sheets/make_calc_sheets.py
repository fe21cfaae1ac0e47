#!/usr/bin/python3
# Writes the calculated households sheets of this folder (see README): a source written by openpyxl, the
# same sheet as LibreOffice Calc and gnumeric save it (each calculates the formulas when it reads the
# source), and a sheet written by XlsxWriter. Run from this folder with Debian's python3-openpyxl,
# python3-xlsxwriter, libreoffice-calc and gnumeric:
#     /usr/bin/python3 make_calc_sheets.py
import datetime
import os
import shutil
import subprocess
import tempfile

import openpyxl
import xlsxwriter

SHEET = "Абоненты"

# A households sheet: the station in A, its energy in B, in C a formula that gives "" for every row (no
# energy is over 1000), in D a boolean typed and one of a formula, in E a time typed as 8:00 and 17:30;
# row 4 a template row whose formula gives "" while its row is empty.
ROWS = [
    ["ТП", "W", "Итог", "Флаг", "Время"],
    ["ТП-42", 500, '=IF(B2>1000,"big","")', True, datetime.time(8, 0)],
    ["ТП-7", 700, '=IF(B3>1000,"big","")', "=TRUE()", datetime.time(17, 30)],
    ['=IF(B4="","",B4)'],
]


def source():
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = SHEET
    for r, row in enumerate(ROWS, start=1):
        for c, value in enumerate(row, start=1):
            cell = sheet.cell(row=r, column=c, value=value)
            if isinstance(value, datetime.time):
                cell.number_format = "HH:MM"
    book.save("calc_openpyxl.xlsx")


def converted():
    """The source as LibreOffice saves it (.xls, .xlsx, .ods) and as gnumeric saves it (.xls, .xlsx)."""
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    try:
        for ext in ("xls", "xlsx", "ods"):
            subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                            "--convert-to", ext, "--outdir", work, "calc_openpyxl.xlsx"], check=True, env=env)
            shutil.copyfile(os.path.join(work, "calc_openpyxl." + ext), "calc_libreoffice." + ext)
        for ext in ("xls", "xlsx"):
            subprocess.run(["ssconvert", "calc_openpyxl.xlsx", "calc_gnumeric." + ext], check=True, env=env)
    finally:
        shutil.rmtree(work)


def xlsxwriter_households():
    """Households as XlsxWriter writes them: every formula with the placeholder result 0, the book asking
    to be calculated when it is opened."""
    book = xlsxwriter.Workbook("households_xlsxwriter.xlsx")
    sheet = book.add_worksheet(SHEET)
    sheet.write_row(0, 0, ["ТП", "W", "Количество"])
    sheet.write(1, 0, "ТП-42")
    sheet.write_formula(1, 1, "=2750.25*2")
    sheet.write_formula(1, 2, "=40")
    sheet.write(2, 0, "ТП-7")
    sheet.write(2, 1, 120.5)
    sheet.write(2, 2, 5)
    book.close()


def gnumeric_empty():
    """A households sheet whose every formula gives "", as LibreOffice saves it in .xls (the empty result,
    its engine named) and as gnumeric saves that book, once and again (the empty result, no engine named)."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = SHEET
    for r, row in enumerate([row[:3] for row in ROWS[:3]] + [ROWS[3]], start=1):
        for c, value in enumerate(row, start=1):
            sheet.cell(row=r, column=c, value=value)
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    try:
        source = os.path.join(work, "empty.xlsx")
        book.save(source)
        subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                        "--convert-to", "xls", "--outdir", work, source], check=True, env=env)
        subprocess.run(["ssconvert", os.path.join(work, "empty.xls"), "empty_gnumeric.xls"], check=True, env=env)
        subprocess.run(["ssconvert", "empty_gnumeric.xls", "empty_gnumeric_resaved.xls"], check=True, env=env)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    source()
    converted()
    xlsxwriter_households()
    gnumeric_empty()
