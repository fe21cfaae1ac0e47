#!/usr/bin/python3
# Writes the workbooks of this folder whose cells a prefix or a fraction of their format shows, whose
# merged ranges cover a block or reach past the data, and gnumeric's .xlsx of a sheet whose every formula
# gives "" (see README), with LibreOffice's own reading of each sheet as it shows it (the .csv files). Run
# from this folder with Debian's python3-openpyxl, python3-xlsxwriter, libreoffice-calc and gnumeric:
#     /usr/bin/python3 make_prefixed_sheets.py
import os
import shutil
import subprocess
import tempfile

import openpyxl
import xlsxwriter

# Contracts: the station, then the contract's number under a quoted prefix before #, General and #0000,
# the contract typed as the text "0077" under "Д-"@, the hours of work with tenths of a second under
# [h]:mm:ss.0, and a meter under [$-419]000000; a note left empty in F.
FORMATS = [None, '"Д-"#', '"Д-"General', '"Д-"#0000', '"Д-"@', None, "[h]:mm:ss.0", "[$-419]000000"]
CONTRACTS = [
    ["ТП", "Договор #", "Договор General", "Договор #0000", "Договор @", "Примечание", "Часы", "Счетчик"],
    ["ТП-42", 77, 77, 77, "0077", None, (36 * 3600 + 30 * 60 + 15.5) / 86400, 77],
    ["ТП-7", 1234, 1234.5, 5, "1234", None, 1.0, 1234567],
]

# Industrial subscribers: a title row, the headings, then the two metering points of one subscriber whose
# name (C3:C5) reaches into the empty row below the data, and whose first point's name is merged over its
# address and the second point's row (D3:E4); the stations each in its row.
POINTS = [
    ["Ведомость учета за ноябрь"],
    ["№", "Договор", "Абонент", "Точка учета", "Адрес", "ТП", "W"],
    [1, "Д-17", "Завод ЖБИ", "Ввод 1", None, "ТП-42.Т1", 5000],
    [2, "Д-17", None, None, None, "ТП-42.Т2", 700],
]
POINT_MERGES = ["C3:C5", "D3:E4"]


def run(args, env):
    subprocess.run(args, check=True, env=env)


def contracts_openpyxl(name):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Договоры"
    for r, row in enumerate(CONTRACTS, start=1):
        for c, value in enumerate(row, start=1):
            cell = sheet.cell(row=r, column=c, value=value)
            if r > 1 and FORMATS[c - 1]:
                cell.number_format = FORMATS[c - 1]
    book.save(name)


def points_openpyxl(name):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Промышленные"
    for row in POINTS:
        sheet.append(row)
    for merge in POINT_MERGES:
        sheet.merge_cells(merge)
    book.save(name)


def points_xlsxwriter(name):
    book = xlsxwriter.Workbook(name)
    sheet = book.add_worksheet("Промышленные")
    for r, row in enumerate(POINTS):
        for c, value in enumerate(row):
            if value is not None:
                sheet.write(r, c, value)
    # the ranges written with their values, their other cells blank, as XlsxWriter merges
    sheet.merge_range("C3:C5", "Завод ЖБИ")
    sheet.merge_range("D3:E4", "Ввод 1")
    book.close()


def main():
    contracts_openpyxl("prefixed_openpyxl.xlsx")
    points_openpyxl("industrial_blocks_openpyxl.xlsx")
    points_xlsxwriter("industrial_blocks_xlsxwriter.xlsx")
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    office = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile"]
    # the cells as LibreOffice shows them: comma-separated UTF-8, texts quoted, "as shown"
    shown = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,true"
    try:
        for kind in ("prefixed", "industrial_blocks"):
            source = kind + "_openpyxl.xlsx"
            for ext in ("xls", "xlsx"):
                run(office + ["--convert-to", ext, "--outdir", work, source], env)
                shutil.copyfile(os.path.join(work, kind + "_openpyxl." + ext), kind + "_libreoffice." + ext)
            run(office + ["--convert-to", shown, "--outdir", work, source], env)
            shutil.copyfile(os.path.join(work, kind + "_openpyxl.csv"), kind + "_libreoffice.csv")
            run(["ssconvert", source, kind + "_gnumeric.xls"], env)
            run(["ssconvert", source, kind + "_gnumeric.xlsx"], env)
        # gnumeric's .xlsx of LibreOffice's .xls of the households sheet whose every formula gives ""
        # (make_calc_sheets.py makes its .xls)
        run(["ssconvert", "empty_gnumeric.xls", "empty_gnumeric.xlsx"], env)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
