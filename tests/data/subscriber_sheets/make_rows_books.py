#!/usr/bin/python3
# Writes the workbooks of this folder whose rows are laid out as people lay them out (see README): an
# industrial sheet without its title row and one without its heading row; a households sheet whose feeder
# numbers below the first are formulas (=A2+1), as gnumeric keeps them without calculating them; a
# households sheet whose feeders are written with their letter. Run from this folder with Debian's
# python3-openpyxl, python3-xlsxwriter, python3-xlwt, libreoffice-calc and gnumeric:
#     /usr/bin/python3 make_rows_books.py
import os
import shutil
import subprocess
import tempfile

import openpyxl
import xlsxwriter
import xlwt

TITLE = ["Ведомость учета за ноябрь"]
HEADINGS = ["№", "Договор", "Абонент", "Точка учета", "Адрес", "ТП", "Часы", "P", "Счетчик", "Тип", "Ксч",
            "Вид", "W", "Доля"]
POINTS = [
    [1, "Д-17", "Завод ЖБИ", "Ввод 1", "ул. Лесная, 1", "ТП-42.Т1", 720, 100, "0123", "СЭТ-4ТМ", 1,
     "АЕ спож.", 5000, 2],
    [2, "Д-17", "Завод ЖБИ", "Ввод 2", "ул. Лесная, 1", "ТП-42.Т2", 720, 50, "0456", "СЭТ-4ТМ", 1,
     "АЕ спож.", 700, 3],
    [3, "Д-18", "Школа", "Ввод", "ул. Мира, 5", "ТП-43", 720, 20, "0789", "СЭТ-4ТМ", 1, "АЕ спож.", 300, 0],
]


def openpyxl_book(name, title, rows):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = title
    for row in rows:
        sheet.append(row)
    book.save(name)
    return sheet


def households_formulas(name):
    """A station, then five feeders numbered 1 and =A2+1 on down: xlwt stores the empty text as the
    result of every formula, as a book never calculated."""
    book = xlwt.Workbook()
    sheet = book.add_sheet("Бытовые")
    sheet.write(0, 0, "ТП-42")
    for c, value in enumerate([1, 8, 40, 9800]):
        sheet.write(1, c, value)
    for r in range(2, 6):
        sheet.write(r, 0, xlwt.Formula("A%d+1" % r))
        for c, value in enumerate([r + 7, r + 1, 100 * (r + 1)], start=1):
            sheet.write(r, c, value)
    book.save(name)


def households_numbered_if_filled(name):
    """The same feeders numbered by =IF(B3="","",A2+1) on down, a formula that may give "": gnumeric's
    copy cannot tell a result it kept from one never calculated."""
    book = xlwt.Workbook()
    sheet = book.add_sheet("Бытовые")
    sheet.write(0, 0, "ТП-42")
    for c, value in enumerate([1, 8, 40, 9800]):
        sheet.write(1, c, value)
    for r in range(2, 6):
        sheet.write(r, 0, xlwt.Formula('IF(B%d="","",A%d+1)' % (r + 1, r)))
        for c, value in enumerate([r + 7, r + 1, 100 * (r + 1)], start=1):
            sheet.write(r, c, value)
    book.save(name)


def households_letters(name):
    """Feeders written with their letter in other ways: "Л-8", "Л 1", "л.1", "Ф-3", and 8 under the
    number format "Л-"0 (shown "Л-8")."""
    book = xlsxwriter.Workbook(name)
    sheet = book.add_worksheet("Бытовые")
    shown = book.add_format({"num_format": '"Л-"0'})
    sheet.write(0, 0, "ТП-42")
    rows = [[1, "Л-8", 40, 9800], [2, "Л 1", 5, 120.5], [3, "л.1", 7, 300], [4, "Ф-3", 2, 50], [5, 8, 3, 45]]
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row):
            if r == 5 and c == 1:
                sheet.write_number(r, c, value, shown)
            else:
                sheet.write(r, c, value)
    book.close()


def run(args, env):
    subprocess.run(args, check=True, env=env)


def main():
    openpyxl_book("points_untitled_openpyxl.xlsx", "Промышленные", [HEADINGS] + POINTS)
    openpyxl_book("points_unheaded_openpyxl.xlsx", "Промышленные", [TITLE] + POINTS)
    households_formulas("households_formulas_xlwt.xls")
    households_numbered_if_filled("households_numbered_xlwt.xls")
    households_letters("households_letters_xlsxwriter.xlsx")
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    try:
        for kind in ("untitled", "unheaded"):
            source = "points_%s_openpyxl.xlsx" % kind
            run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile", "--convert-to",
                 "xls", "--outdir", work, source], env)
            shutil.move(os.path.join(work, "points_%s_openpyxl.xls" % kind), "points_%s_libreoffice.xls" % kind)
        for ext in ("xls", "xlsx"):
            run(["ssconvert", "households_formulas_xlwt.xls", "households_formulas_gnumeric." + ext], env)
            run(["ssconvert", "households_numbered_xlwt.xls", "households_numbered_gnumeric." + ext], env)
        run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile", "--convert-to", "xls",
             "--outdir", work, "households_letters_xlsxwriter.xlsx"], env)
        shutil.move(os.path.join(work, "households_letters_xlsxwriter.xls"), "households_letters_libreoffice.xls")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
