#!/usr/bin/python3
# Workbooks of the kinds that the district's, the catalogue's and the regime's imports read, as openpyxl
# and XlsxWriter write them: each import is fed every other one's, and its own must still be taken.
import datetime
import openpyxl
import xlsxwriter


def book_openpyxl(name, rows, merges=()):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Лист1"
    for r, row in enumerate(rows, 1):
        for c, value in enumerate(row, 1):
            if value is not None:
                ws.cell(r, c, value)
    for m in merges:
        ws.merge_cells(m)
    wb.save(name)


def book_xlsxwriter(name, rows):
    wb = xlsxwriter.Workbook(name)
    ws = wb.add_worksheet("Лист1")
    day = wb.add_format({"num_format": "dd.mm.yyyy"})
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if isinstance(value, datetime.date):
                ws.write_datetime(r, c, datetime.datetime(value.year, value.month, value.day), day)
            elif value is not None:
                ws.write(r, c, value)
    wb.close()


# first metering system: a head row (title, unit, number), a row not read, then day rows
hours = [round(10 + h * 0.5, 2) for h in range(24)]
sve = [["ТП-42 Ввод 1", "кВт", 101], ["Дата"] + ["%d:00" % h for h in range(24)],
       [datetime.date(2026, 5, 1)] + hours, [datetime.date(2026, 5, 2)] + hours]
# second metering system: one row per graph, the hours of a typical day
koe = [["ТП-42 Ввод 1", "кВт", 201] + hours, ["ТП-7 Ввод 2", "кВт", 202] + hours]
# station measurements, one row per station, under the headings people write
stations = lambda heading: [["ТП", heading, "P, кВт"], ["ТП-42", 400, 120], ["ТП-7", 250, 80]]
# the regime's measurements: the value in I, the substation in N, the node in P, its kind in Q
regime = [[None] * 8 + [4, None, None, None, None, "ПС1", None, "ТП-42", "1"]]

for name, rows in (("metering_sve", sve), ("metering_koe", koe), ("regime_measurements", regime)):
    book_openpyxl(name + "_openpyxl.xlsx", rows)
    book_xlsxwriter(name + "_xlsxwriter.xlsx", rows)
book_openpyxl("stations_kva_openpyxl.xlsx", stations("кВ*А"))
book_xlsxwriter("stations_ust_xlsxwriter.xlsx", stations("Уст. мощ."))
# a network workbook whose transformer power is merged down over the stations of two rows
book_openpyxl("network_merged_openpyxl.xlsx",
              [[10], ["Начало", "Конец", "L, км", "Марка"], [], ["ПС-1.Ф5", None, 0.25, "АС-50"],
               ["ТП-1", "ТП-2", 0.1, "АС-35", 0, 400, 0, 0, 0], ["ТП-1", "ТП-3", 0.2, "АС-35", 0, 400, 0, 0, 0]],
              ["F5:F6"])
# transformer measurements whose rated power with its unit is merged down over two transformers
book_openpyxl("transformers_merged_openpyxl.xlsx",
              [[None, None, "ТП-42", "Т1", "400 кВА", None, None, 120],
               [None, None, "ТП-42", "Т2", "400 кВА", None, None, 80]], ["E1:E2"])
