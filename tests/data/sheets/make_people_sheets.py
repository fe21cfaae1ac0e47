#!/usr/bin/python3
# Writes the workbooks of this folder that people keep as they keep them (see README): books of the
# subscriber and measurement imports' own kinds as they are written by hand (row numbers "1.", a title
# above the headings, a station shown by its number format, unit signs that Windows-1251 lacks), and books of other kinds that must replace no base (a meter
# readings statement, a billing list, a load book of powers and currents). Run from this folder with
# Debian's python3-openpyxl, python3-xlsxwriter, libreoffice-calc and gnumeric:
#     /usr/bin/python3 make_people_sheets.py
import os
import shutil
import subprocess
import tempfile

import openpyxl
import xlsxwriter

# An industrial sheet whose row numbers are written "1.", "2."; a title row, the headings.
POINTS_HEAD = [["Ведомость учета за ноябрь"],
               ["№ п/п", "Договор", "Абонент", "Точка учета", "Адрес", "ТП", "Часы", "P", "Счетчик", "Тип", "Ксч",
                "Вид", "W", "Доля"]]
DOTTED = POINTS_HEAD + [
    ["1.", "Д-17", "Завод ЖБИ", "Ввод 1", "ул. Лесная, 1", "ТП-42.Т1", 720, 100, "0123", "СЭТ-4ТМ", 1, "АЕ спож.", 5000, 2],
    ["2.", "Д-18", "Школа", "Ввод 1", "ул. Лесная, 3", "ТП-7.Т1.Л8", 720, 50, "0456", "СЭТ-4ТМ", 1, "АЕ спож.", 700, 2]]
# The station column numbered 115 and 7, shown "ЗТП-115" and "ЗТП-7" by the format "ЗТП-"0.
FORMATTED = POINTS_HEAD + [
    [1, "Д-17", "Завод ЖБИ", "Ввод 1", "ул. Лесная, 1", 115, 720, 100, "0123", "СЭТ-4ТМ", 1, "АЕ спож.", 5000, 2],
    [2, "Д-18", "Школа", "Ввод 1", "ул. Лесная, 3", 7, 720, 50, "0456", "СЭТ-4ТМ", 1, "АЕ спож.", 700, 2]]
STATION_FORMAT = '"ЗТП-"0'

# A technical book: a title row above the headings; one feeder's W1 not yet filled in.
TECHNICAL = [["Технический учет за ноябрь"], ["Наименование", "W1", "W2", "W3", "W4"],
             ["Ввод 1", 1825.5, 600, 0, 0], ["Ф-2", None, 120, 0, 0], ["Л8", 300, None, 0, 0]]

# Station measurements under headings with a multiplication sign that Windows-1251 lacks.
STATIONS_DOT = [["ТП", "Sном, кВ⋅А", "P, кВт"], ["ТП-42", 400, 120], ["ТП-7", 250, 80]]
STATIONS_CROSS = [["ТП", "S, кВ×А", "P, кВт"], ["ТП-42", 400, 120], ["ТП-7", 250, 80]]
# Feeder measurements under a heading row whose energy unit holds the same sign.
FEEDERS_DOT = [[None, None, "Наименование", None, None, None, None, "P, кВт⋅ч", None, None, None, "P2", None, None,
                None, None, None, "Q1", None, None, None, "Q2"],
               [None, None, "Ввод 1", None, None, None, None, 1825.5, None, None, None, 10, None, None, None, None,
                None, 600, None, None, None, 5]]

# A meter readings statement as a billing clerk keeps it: the headings, then a row per meter.
STATEMENT = [["№ п/п", "Абонент", "№ договора", "Точка учета", "№ счетчика", "Тип счетчика", "Показание пред.",
              "Показание тек.", "Ктт", "Расход"],
             [1, "ООО Лесное", "Д-17", "Ввод 1", "011070123", "МЕРКУРИЙ 230", 12500, 12750, 40, 10000],
             [2, "ИП Котов", "Д-18", "Магазин", "011070456", "МЕРКУРИЙ 230", 3400, 3520, 1, 120],
             [3, "Школа № 2", "Д-19", "Котельная", "011070789", "СЭТ-4ТМ.03М", 800, 950, 1, 150]]
# A billing list: the subscribers' accounts and what they owe.
BILLING = [["№", "Лицевой счет", "ФИО", "Адрес", "Тариф", "Начислено, руб."],
           [1, "0042017", "Иванов И. И.", "ул. Лесная, 1", 5.47, 1367.5],
           [2, "0042018", "Петров П. П.", "ул. Лесная, 3", 5.47, 820.5],
           [3, "0042019", "Сидорова А. В.", "ул. Садовая, 7", 3.83, 410.2]]
# A load book of the stations: the power in kW and the current, no rated power.
LOADS = [["ТП", "Мощность, кВт", "Ток, А"], ["ТП-42", 120, 175], ["ТП-7", 80, 116]]


def openpyxl_book(name, rows, merges=(), formats=None):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Лист1"
    for r, row in enumerate(rows, 1):
        for c, value in enumerate(row, 1):
            if value is not None:
                cell = sheet.cell(r, c, value)
                if formats and (r, c) in formats:
                    cell.number_format = formats[(r, c)]
    for merge in merges:
        sheet.merge_cells(merge)
    book.save(name)


def xlsxwriter_book(name, rows, merges=(), formats=None):
    book = xlsxwriter.Workbook(name)
    sheet = book.add_worksheet("Лист1")
    made = {}
    firsts = {m.split(":")[0]: m for m in merges}
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            ref = xlsxwriter.utility.xl_rowcol_to_cell(r, c)
            style = None
            if formats and (r + 1, c + 1) in formats:
                code = formats[(r + 1, c + 1)]
                style = made.setdefault(code, book.add_format({"num_format": code}))
            if ref in firsts:
                lr, lc = xlsxwriter.utility.xl_cell_to_rowcol(firsts[ref].split(":")[1])
                sheet.merge_range(r, c, lr, lc, value)
            elif value is not None:
                sheet.write(r, c, value, style)
    book.close()


def formats_of(rows, col, code):
    return {(r, col): code for r in range(3, len(rows) + 1)}


def run(args, env):
    subprocess.run(args, check=True, env=env)


def main():
    books = [
        ("industrial_dotted", DOTTED, (), None),
        ("industrial_formatted", FORMATTED, (), formats_of(FORMATTED, 6, STATION_FORMAT)),
        ("technical_titled", TECHNICAL, (), None),
        ("stations_dot", STATIONS_DOT, (), None),
        ("stations_cross", STATIONS_CROSS, (), None),
        ("inputs_dot", FEEDERS_DOT, (), None),
        ("statement", STATEMENT, (), None),
        ("billing", BILLING, (), None),
        ("loads", LOADS, (), None),
    ]
    for kind, rows, merges, formats in books:
        openpyxl_book(kind + "_openpyxl.xlsx", rows, merges, formats)
        xlsxwriter_book(kind + "_xlsxwriter.xlsx", rows, merges, formats)
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    office = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile"]
    try:
        for kind, _, _, _ in books:
            source = kind + "_openpyxl.xlsx"
            for ext in ("xls", "xlsx"):
                run(office + ["--convert-to", ext, "--outdir", work, source], env)
                shutil.copyfile(os.path.join(work, kind + "_openpyxl." + ext), kind + "_libreoffice." + ext)
            run(["ssconvert", source, kind + "_gnumeric.xls"], env)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
