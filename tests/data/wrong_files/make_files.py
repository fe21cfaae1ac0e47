#!/usr/bin/python3
# Writes the wrong files of this folder (see README) as the programs that people use write them. Run
# from this folder with Debian's python3-openpyxl, python3-dbf and LibreOffice:
#     /usr/bin/python3 make_files.py
# The kind of a file is its name up to the first dot; an import of that kind of file is not fed it.
import os
import shutil
import subprocess
import tempfile

import dbf
import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))

STAFF = [
    ["№ п/п", "Фамилия, имя, отчество", "Должность", "Телефон", "Оклад, руб."],
    [1, "Иванов Иван Петрович", "Начальник участка", "8-912-345-67-01", 68500],
    [2, "Петрова Анна Сергеевна", "Инженер", "8-912-345-67-02", 52300.5],
    [3, "Сидоров Олег Ильич", "Мастер", "8-912-345-67-03", 47800],
    [4, "Кузнецов Павел Андреевич", "Электромонтер", "8-912-345-67-04", 41250],
    [5, "Орлова Мария Викторовна", "Диспетчер", "8-912-345-67-05", 44900],
    [6, "Волков Денис Юрьевич", "Водитель", "8-912-345-67-06", 38000],
    [7, "Лебедева Ольга Николаевна", "Бухгалтер", "8-912-345-67-07", 49750],
]

# The heading row of a sheet of metering points, as a billing department heads it, with no point below.
HEADING = ["№", "Договор", "Абонент", "Точка учета", "Адрес", "ТП.Тр.Фидер", "Время работы", "Мощность, кВт",
           "Номер счетчика", "Тип счетчика", "Коэффициент", "Вид энергии", "Энергия, кВт*ч", "Потери, кВт*ч"]

HOUSEHOLDS_FIELDS = "NAME_TP C(20); FIDER C(10); COUNTAB N(6,0); PAYAB N(6,0); W N(12,2); WS N(12,2)"


def soffice(source, target_format, out_dir):
    """Converts a file with LibreOffice in a profile of its own, so that no running office is asked."""
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
                        target_format, "--outdir", out_dir, source], check=True, stdout=subprocess.DEVNULL)


def both_formats(title, rows, stem):
    """A sheet of those rows as openpyxl writes it (.xlsx) and as LibreOffice Calc saves that workbook (.xls)."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = title
    for row in rows:
        sheet.append(row)
    book.save(os.path.join(HERE, stem + ".xlsx"))
    with tempfile.TemporaryDirectory() as out:
        soffice(os.path.join(HERE, stem + ".xlsx"), "xls:MS Excel 97", out)
        shutil.copy(os.path.join(out, stem + ".xls"), os.path.join(HERE, stem + ".xls"))


def staff_workbooks():
    """A staff list of the district's office: numbers, names, posts, phones and salaries."""
    both_formats("Сотрудники", STAFF, "staff")


def heading_workbooks():
    """The heading row of a sheet of metering points and nothing below it: a template saved before it
    was filled."""
    both_formats("Точки учета", [HEADING], "heading")


def industrial_workbook():
    """A sheet of the industrial subscribers' metering points as the billing department writes it: a
    title, a heading, then one point per row (contract, subscriber, point, address, station, working
    time, power, meter, its type and factor, kind of energy, energy, losses): another import's own file."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Промышленные"
    sheet.append(["Ведомость учета электроэнергии за ноябрь 2026 г."])
    sheet.append(HEADING)
    points = [[1, "Д-1023", "ООО \"Лесопилка\"", "Цех 1", "ул. Мира, 5", "ТП-5.Т1", "8-17", 120, "0123456",
               "СА4-И678", 30, "АЕ спож.", 15400, 210],
              [2, "Д-1023", "ООО \"Лесопилка\"", "Цех 2", "ул. Мира, 5", "ТП-5.Т1.Ф3", "8-17", 40, "0123457",
               "СА4-И678", 1, "РЕ спож.", 3900, 55],
              [3, "Д-2048", "Школа № 2", "Здание", "ул. Садовая, 1", "ТП-7", "8-20", 25, "7701542",
               "ЦЭ6803", 1, "АЕ спож.", 2750.25, 0]]
    for point in points:
        sheet.append(point)
    book.save(os.path.join(HERE, "industrial.xlsx"))


def document():
    """A memo written in LibreOffice Writer: a heading, a paragraph and a small table."""
    with tempfile.TemporaryDirectory() as out:
        source = os.path.join(out, "document.html")
        with open(source, "w", encoding="utf-8") as html:
            html.write("<html><head><meta charset='utf-8'></head><body>"
                       "<h1>Служебная записка</h1>"
                       "<p>Прошу выделить автотранспорт для осмотра ВЛ-10 кВ фидера Ф-5 с 12 по 14 ноября.</p>"
                       "<table border='1'><tr><td>ТП-42</td><td>ТМ-400/10</td><td>250</td></tr>"
                       "<tr><td>ТП-43</td><td>ТМ-250/10</td><td>180</td></tr></table>"
                       "</body></html>")
        with tempfile.TemporaryDirectory() as profile:
            subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless",
                            "--infilter=HTML (StarWriter)", "--convert-to", "docx:MS Word 2007 XML",
                            "--outdir", out, source], check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(out, "document.docx"), os.path.join(HERE, "document.docx"))


def other_fields_base():
    """A dBase base of the office's staff: none of the fields of a subscriber or line base."""
    path = os.path.join(HERE, "otherfields.dbf")
    table = dbf.Table(path, "FIO C(40); POST C(30); PHONE C(20); SALARY N(10,2)", codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    for _, name, post, phone, salary in STAFF[1:]:
        table.append((name, post, phone, salary))
    table.close()


def no_records_base():
    """A household base with every field the import reads and no record: an export of an empty month."""
    table = dbf.Table(os.path.join(HERE, "norecords.dbf"), HOUSEHOLDS_FIELDS, codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    table.close()


def households_base():
    """A household base of the billing department: another import's own file."""
    table = dbf.Table(os.path.join(HERE, "households.dbf"), HOUSEHOLDS_FIELDS, codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    table.append(("ТП-17", "1", 12, 11, 2750.25, 229.19))
    table.append(("ТП-17", "2", 5, 5, 120.5, 24.1))
    table.append(("ТП-3", "1", 7, 6, 300.0, 42.86))
    table.close()


def meter_points_base():
    """An industrial base of the billing department, the metering points with their stations, contracts
    and energies: another import's own file, whose station field a base of 0.4 kV lines shares."""
    table = dbf.Table(os.path.join(HERE, "meterpoints.dbf"),
                      "NAMETP C(20); NDOG C(10); ABONENT C(40); NUMPOINT N(4,0); W N(12,2)", codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    table.append(("ТП-5", "Д-1023", "ООО Лесопилка", 1, 15400.0))
    table.append(("ТП-7", "Д-2048", "Школа № 2", 1, 2750.25))
    table.close()


def hidden_first_workbook():
    """Last month's metering points on a hidden first sheet "Октябрь", this month's on "Ноябрь" after
    it, the sheet a person sees and the book's active one: shown, the hidden sheet would be the one read."""
    book = openpyxl.Workbook()
    october = book.active
    october.title = "Октябрь"
    november = book.create_sheet("Ноябрь")
    for sheet, energy in ((october, 14100), (november, 15400)):
        sheet.append(HEADING)
        sheet.append([1, "Д-1023", "ООО \"Лесопилка\"", "Цех 1", "ул. Мира, 5", "ТП-5.Т1", "8-17", 120, "0123456",
                      "СА4-И678", 30, "АЕ спож.", energy, 210])
    october.sheet_state = "hidden"
    book.active = 1
    book.save(os.path.join(HERE, "hidden.xlsx"))


if __name__ == "__main__":
    staff_workbooks()
    heading_workbooks()
    industrial_workbook()
    document()
    other_fields_base()
    no_records_base()
    households_base()
    meter_points_base()
    hidden_first_workbook()
