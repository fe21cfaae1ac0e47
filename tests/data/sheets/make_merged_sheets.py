#!/usr/bin/python3
# Writes the workbooks of this folder with merged cells (see README): an industrial subscriber sheet whose
# contract, subscriber and meter type are merged down over the subscriber's two metering points, and whose
# energy is merged over both; a households sheet whose feeder is merged down over two rows, and one whose
# station is merged down over an empty row. Run from this
# folder with Debian's python3-openpyxl, python3-xlsxwriter, libreoffice-calc and gnumeric:
#     /usr/bin/python3 make_merged_sheets.py
import os
import shutil
import subprocess
import tempfile

import openpyxl
import xlsxwriter

# Row 1 a title, row 2 the headings, then one metering point a row: number, contract, subscriber, point,
# address, station, working time, power, meter, meter type, meter factor, kind of energy, energy, part.
POINTS = [
    ["Ведомость учета за ноябрь"],
    ["№", "Договор", "Абонент", "Точка учета", "Адрес", "ТП", "Часы", "P", "Счетчик", "Тип", "Ксч", "Вид",
     "W", "Доля"],
    [1, "Д-17", "Завод ЖБИ", "Ввод 1", "ул. Лесная, 1", "ТП-42.Т1", 720, 100, "0123", "СЭТ-4ТМ", 1,
     "АЕ спож.", 5000, 2],
    [2, None, None, "Ввод 2", "ул. Лесная, 1", "ТП-42.Т2", 720, 50, "0456", None, 1, "АЕ спож.", None, 2],
]
# Merged down from the first point's row: the contract, the subscriber, the meter type (names each row
# shows) and the energy (one figure for both points).
POINT_MERGES = ["B3:B4", "C3:C4", "J3:J4", "M3:M4"]

# A station's row, then its feeders: number, feeder, subscribers, energy; feeder 8 serves two rows.
HOUSEHOLDS = [
    ["ТП-42"],
    [1, 8, 40, 9800],
    [2, None, 5, 120.5],
    [3, 9, 12, 300],
]
HOUSEHOLD_MERGES = ["B2:B3"]
# A station's name merged down over an empty row above its eight feeders.
STATION_ROWS = [["ТП-42"], []] + [[k, k, 10 * k, 100.5 * k] for k in range(1, 9)]
STATION_MERGES = ["A1:A2"]


def openpyxl_book(name, title, rows, merges):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = title
    for row in rows:
        sheet.append(row)
    for merge in merges:
        sheet.merge_cells(merge)
    book.save(name)


def xlsxwriter_book(name, title, rows, merges):
    book = xlsxwriter.Workbook(name)
    sheet = book.add_worksheet(title)
    merged = {}
    for merge in merges:
        first = merge.split(":")[0]
        merged[first] = merge
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            ref = xlsxwriter.utility.xl_rowcol_to_cell(r, c)
            if ref in merged:
                # the range written with its value, its other cells blank, as XlsxWriter merges
                last = merged[ref].split(":")[1]
                lr, lc = xlsxwriter.utility.xl_cell_to_rowcol(last)
                sheet.merge_range(r, c, lr, lc, value)
            elif value is not None:
                sheet.write(r, c, value)
    book.close()


def run(args, env):
    subprocess.run(args, check=True, env=env)


def main():
    make(("points", "Промышленные", POINTS, POINT_MERGES), ("households", "Бытовые", HOUSEHOLDS, HOUSEHOLD_MERGES),
         ("households_station", "Бытовые", STATION_ROWS, STATION_MERGES))


def make(*books):
    for kind, title, rows, merges in books:
        openpyxl_book(kind + "_merged_openpyxl.xlsx", title, rows, merges)
        xlsxwriter_book(kind + "_merged_xlsxwriter.xlsx", title, rows, merges)
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    office = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile"]
    try:
        for kind, _, _, _ in books:
            source = kind + "_merged_openpyxl.xlsx"
            for ext in ("xls", "xlsx"):
                run(office + ["--convert-to", ext, "--outdir", work, source], env)
                shutil.copyfile(os.path.join(work, kind + "_merged_openpyxl." + ext), kind + "_merged_libreoffice." + ext)
            run(["ssconvert", source, kind + "_merged_gnumeric.xls"], env)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
