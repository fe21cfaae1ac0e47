#!/usr/bin/python3
# Writes the workbooks of this folder whose values their formats give (see README): meter numbers kept
# with their leading zeros by the format 000000000000000, durations of 24 hours and more, a book whose
# first sheet is hidden, durations typed into LibreOffice Calc and gnumeric, gnumeric's copy of a book of
# uncalculated formulas, XlsxWriter's formulas written with their values, a text document, and contracts
# whose numbers, times of day and counts of hours their formats give, a very hidden first sheet, and
# readings that formats with conditions, fractions and days without their year give. Run from this folder
# with Debian's python3-openpyxl, python3-xlsxwriter, python3-xlwt, libreoffice-calc and gnumeric:
#     /usr/bin/python3 make_shown_sheets.py
import os
import shutil
import subprocess
import tempfile

import openpyxl
import xlsxwriter
import xlwt

METER = "000000000000000"
HOURS = "[h]:mm"

# This month's measurements: the station, the feeder, W, the meter (the zeros its format shows), the hours
# of work (36:30, and 24:00 for round-the-clock work).
NOVEMBER = [
    ["ТП", "Фидер", "W", "Счетчик", "Часы"],
    ["ТП-42", "Л8", 2750.25, 11070123456789, 36.5 / 24],
    ["ТП-7", "Л2", 120.5, 42, 1.0],
]
# Last month's, hidden before this month's in the same book.
OCTOBER = [
    ["ТП", "Фидер", "W", "Счетчик", "Часы"],
    ["ТП-42", "Л8", 1111.11, 11070123456789, 12.0 / 24],
]


def fill(sheet, rows):
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row, start=1):
            cell = sheet.cell(row=r, column=c, value=value)
            if r > 1 and c == 4:
                cell.number_format = METER
            if r > 1 and c == 5:
                cell.number_format = HOURS


def sources():
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Ноябрь"
    fill(sheet, NOVEMBER)
    book.save("shown_openpyxl.xlsx")

    hidden_before("hidden", "hidden_openpyxl.xlsx")


def hidden_before(state, path):
    """Last month's sheet, in the given state, before this month's, which is the active one."""
    book = openpyxl.Workbook()
    october = book.active
    october.title = "Октябрь"
    fill(october, OCTOBER)
    fill(book.create_sheet("Ноябрь"), NOVEMBER)
    october.sheet_state = state
    book.active = 1
    book.save(path)


def run(args, env):
    subprocess.run(args, check=True, env=env)


def converted():
    """Each source as LibreOffice and gnumeric save it; the durations as the two take them typed."""
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    office = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile"]
    try:
        for name in ("shown", "hidden"):
            for ext in ("xls", "xlsx"):
                run(office + ["--convert-to", ext, "--outdir", work, name + "_openpyxl.xlsx"], env)
                shutil.copyfile(os.path.join(work, name + "_openpyxl." + ext), name + "_libreoffice." + ext)
                run(["ssconvert", name + "_openpyxl.xlsx", name + "_gnumeric." + ext], env)
        # "36:30" and "24:00" typed: a text file of one column that each program reads as typed cells
        typed = os.path.join(work, "typed.csv")
        with open(typed, "w", encoding="utf-8") as f:
            f.write("Часы\n36:30\n24:00\n")
        for ext in ("xls", "xlsx"):
            run(office + ["--infilter=CSV:44,34,76,1", "--convert-to", ext, "--outdir", work, typed], env)
            shutil.copyfile(os.path.join(work, "typed." + ext), "typed_libreoffice." + ext)
            run(["ssconvert", typed, "typed_gnumeric." + ext], env)
        # a sound text document, which a workbook import may be given by mistake
        note = os.path.join(work, "note.txt")
        with open(note, "w", encoding="utf-8") as f:
            f.write("Акт замеров ТП-42\n")
        run(office + ["--convert-to", "docx", "--outdir", work, note], env)
        shutil.copyfile(os.path.join(work, "note.docx"), "note_libreoffice.docx")
    finally:
        shutil.rmtree(work)


def gnumeric_uncalculated():
    """xlwt's book of formulas never calculated, as gnumeric saves it: it does not calculate them either,
    and writes each without a value, as it writes a formula that gives the empty text."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    for ext in ("xls", "xlsx"):
        run(["ssconvert", "inputs_xlwt.xls", "uncalculated_gnumeric." + ext], env)


def xlsxwriter_books():
    """The hidden first sheet as XlsxWriter writes it, and formulas written with their values: the book
    still asks to be calculated when it is opened."""
    book = xlsxwriter.Workbook("hidden_xlsxwriter.xlsx")
    meter = book.add_format({"num_format": METER})
    hours = book.add_format({"num_format": HOURS})
    for title, rows in (("Октябрь", OCTOBER), ("Ноябрь", NOVEMBER)):
        sheet = book.add_worksheet(title)
        sheet.write_row(0, 0, rows[0])
        for r, row in enumerate(rows[1:], start=1):
            sheet.write_row(r, 0, row[:3])
            sheet.write_number(r, 3, row[3], meter)
            sheet.write_number(r, 4, row[4], hours)
        if title == "Октябрь":
            october = sheet
        else:
            sheet.activate()
    october.hide()
    book.close()

    book = xlsxwriter.Workbook("valued_xlsxwriter.xlsx")
    sheet = book.add_worksheet("Абоненты")
    sheet.write_row(0, 0, ["ТП", "W", "Количество"])
    sheet.write(1, 0, "ТП-42")
    sheet.write_formula(1, 1, "=2750.25*2", None, 5500.5)
    sheet.write_formula(1, 2, "=40", None, 40)
    book.close()


# Contracts: the station, the contract number under "Д-"0000 (77 shows "Д-0077"), the hours of work as a
# sum of times under hh:mm (a day and 12:30 shows "12:30"), the days of work counted in hours under [h]
# (2 shows "48"), and the points by a formula whose result is a few units off 3 in a binary file.
CONTRACTS = [
    ["ТП", "Договор", "Часы", "Сутки", "Точек"],
    ["ТП-42", 77, 36.5 / 24, 2, "=0.1+2.7+0.2"],
    ["ТП-7", 1234, 0.75, 1, 5],
]
CONTRACT_FORMATS = {2: '"Д-"0000', 3: "hh:mm", 4: "[h]"}


def contracts():
    """The contracts as openpyxl writes them, and as LibreOffice and gnumeric save them (each calculates
    the formula when it reads the source)."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Договоры"
    for r, row in enumerate(CONTRACTS, start=1):
        for c, value in enumerate(row, start=1):
            cell = sheet.cell(row=r, column=c, value=value)
            if r > 1 and c in CONTRACT_FORMATS:
                cell.number_format = CONTRACT_FORMATS[c]
    book.save("contracts_openpyxl.xlsx")
    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    office = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile"]
    try:
        for ext in ("xls", "xlsx"):
            run(office + ["--convert-to", ext, "--outdir", work, "contracts_openpyxl.xlsx"], env)
            shutil.copyfile(os.path.join(work, "contracts_openpyxl." + ext), "contracts_libreoffice." + ext)
            run(["ssconvert", "contracts_openpyxl.xlsx", "contracts_gnumeric." + ext], env)
    finally:
        shutil.rmtree(work)


def very_hidden():
    """Last month's sheet very hidden before this month's (shown only to a macro): openpyxl's
    sheet_state "veryHidden" in .xlsx, xlwt's visibility 2 in .xls."""
    hidden_before("veryHidden", "veryhidden_openpyxl.xlsx")

    book = xlwt.Workbook(encoding="utf-8")
    for title, rows in (("Октябрь", OCTOBER), ("Ноябрь", NOVEMBER)):
        sheet = book.add_sheet(title)
        for r, row in enumerate(rows):
            for c, value in enumerate(row):
                sheet.write(r, c, value)
        if title == "Октябрь":
            sheet.visibility = 2
        else:
            sheet.set_selected(True)
            book.set_active_sheet(1)
    book.save("veryhidden_xlwt.xls")


# Readings whose cells their formats set among texts of their own, by conditions, as fractions and as days
# without their year: the station, the meter (77 under [<1000]"Д-"000;"Д-"0 shows "Д-077", 805 under
# [>=1000]0;"№ "0000 shows "№ 0805"), the hours (1.11.2026 under DD.MM shows "01.11", 2750 1/3 under
# # ?/? shows "2750 1/3", 28.2.2026 12:00 under D MMM shows "28 фев"), and numbers whose formats show
# other digits than the number's own (2750 1/3 under 0.00 shows "2750,33", 0.5 under 0% "50%", 1234
# under 0.00E+00 "1,23E+03").
FORMATTED = [
    ["ТП", "Счетчик", "Часы"],
    ["ТП-42", (77, '[<1000]"Д-"000;"Д-"0'), (46327, "DD.MM")],
    ["ТП-7", (805, '[>=1000]0;"№ "0000'), (2750 + 1 / 3, "# ?/?")],
    ["ТП-9", (1234, '[<1000]"Д-"000;"Д-"0'), (46081.5, "D MMM")],
    ["ТП-11", (2750 + 1 / 3, "0.00"), (12345.6, "#,##0")],
    ["ТП-12", (0.5, "0%"), (1234, "0.00E+00")],
    ["ТП-14", (2.675, "0.00"), (0.0125, "0.00%")],
]


def formatted():
    """The readings as openpyxl, XlsxWriter and xlwt write them, as LibreOffice and gnumeric save the
    openpyxl book, and the texts LibreOffice shows for them (a CSV of the cells as shown)."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Показания"
    for r, row in enumerate(FORMATTED, start=1):
        for c, value in enumerate(row, start=1):
            if isinstance(value, tuple):
                sheet.cell(row=r, column=c, value=value[0]).number_format = value[1]
            else:
                sheet.cell(row=r, column=c, value=value)
    book.save("formats_openpyxl.xlsx")

    book = xlsxwriter.Workbook("formats_xlsxwriter.xlsx")
    sheet = book.add_worksheet("Показания")
    for r, row in enumerate(FORMATTED):
        for c, value in enumerate(row):
            if isinstance(value, tuple):
                sheet.write_number(r, c, value[0], book.add_format({"num_format": value[1]}))
            else:
                sheet.write(r, c, value)
    book.close()

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Показания")
    for r, row in enumerate(FORMATTED):
        for c, value in enumerate(row):
            if isinstance(value, tuple):
                sheet.write(r, c, value[0], xlwt.easyxf(num_format_str=value[1]))
            else:
                sheet.write(r, c, value)
    book.save("formats_xlwt.xls")

    work = tempfile.mkdtemp()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    office = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile"]
    try:
        for ext in ("xls", "xlsx"):
            run(office + ["--convert-to", ext, "--outdir", work, "formats_openpyxl.xlsx"], env)
            shutil.copyfile(os.path.join(work, "formats_openpyxl." + ext), "formats_libreoffice." + ext)
            run(["ssconvert", "formats_openpyxl.xlsx", "formats_gnumeric." + ext], env)
        # the cells as shown, in UTF-8, under the Russian locale the users run
        shown = dict(os.environ, LANG="ru_RU.UTF-8", LC_ALL="ru_RU.UTF-8")
        run(office + ["--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,1049,false,true,true",
                      "--outdir", work, "formats_openpyxl.xlsx"], shown)
        shutil.copyfile(os.path.join(work, "formats_openpyxl.csv"), "formats_libreoffice.csv")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sources()
    converted()
    gnumeric_uncalculated()
    xlsxwriter_books()
    contracts()
    very_hidden()
    formatted()
