#!/usr/bin/python3
# Writes the workbooks of this folder that Python writers make, and the text source gnumeric reads.
# Run from this folder: /usr/bin/python3 make_sheets.py (openpyxl 3.0.9, xlwt 1.3.0).
import openpyxl
import xlwt

SHEET = "Замеры"
# Row by row: the name in column C, the active values in H and L, the reactive ones in R and V, as a
# measurement sheet of substation inputs and feeders holds them. Values beginning with "=" are formulas.
ROWS = [
    {3: "Наименование", 8: "P1", 12: "P2", 18: "Q1", 22: "Q2"},
    {3: "Ввод 1", 8: "=1825000+200", 18: 600},
    {3: "Ввод 2", 8: "=1/0", 18: "=NA()"},
    {3: "Ф-2", 8: "=2750.25*2", 12: '=IF(1,"",1)', 18: 10},
]

book = openpyxl.Workbook()
sheet = book.active
sheet.title = SHEET
for r, row in enumerate(ROWS, start=1):
    for c, value in row.items():
        sheet.cell(row=r, column=c, value=value)
book.save("inputs_openpyxl.xlsx")

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet(SHEET)
for r, row in enumerate(ROWS):
    for c, value in row.items():
        if isinstance(value, str) and value.startswith("="):
            sheet.write(r, c - 1, xlwt.Formula(value[1:]))
        else:
            sheet.write(r, c - 1, value)
book.save("inputs_xlwt.xls")

# gnumeric reads formulas and error values from text: "#N/A" there is an error value, not a formula.
with open(SHEET, "w", encoding="utf-8") as out:
    for row in ROWS:
        cells = [""] * 22
        for c, value in row.items():
            cells[c - 1] = "#N/A" if value == "=NA()" else str(value)
        out.write(",".join('"' + v.replace('"', '""') + '"' if "," in v or '"' in v else v for v in cells) + "\n")
