#!/usr/bin/python3
# Writes the dBase files of this folder (see README). Run from this folder with Debian's python3-dbf and
# LibreOffice (libreoffice-calc and libreoffice-base-drivers, whose dBase driver writes Calc's bases):
#     /usr/bin/python3 make_files.py
import csv
import os
import shutil
import struct
import subprocess
import tempfile

import dbf

HERE = os.path.dirname(os.path.abspath(__file__))

# A long address: 290 characters, past the 255 that one length byte holds.
LONG_ADDRESS = ("Лесная улица, дом 5, корпус 2, подъезд 3; " * 7)[:290]


def clipper_households():
    """A household base as a Clipper 5 program keeps it: the DOS code page, an address of 300 characters
    between the station and the feeder, and one record deleted."""
    path = os.path.join(HERE, "clipper_households.dbf")
    table = dbf.Table(path, "NAME_TP C(20); ADRES C(300); FIDER C(10); COUNTAB N(6,0); W N(12,2)",
                      dbf_type="clp", codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    table.append(("ТП-17", LONG_ADDRESS, "1", 12, 2750.25))
    table.append(("ТП-99", "удалена", "4", 1, 1.0))
    table.append(("ТП-17", "", "2", 5, 120.5))
    table.append(("ТП-3", "Садовая, 1", "1", 7, 300.0))
    dbf.delete(table[1])
    table.close()


def vfp_households():
    """A household base as Visual FoxPro 9 keeps it: the Windows code page, the station and the feeder
    in varchar fields (type V). python3-dbf 0.96 writes Visual FoxPro tables but has no varchar type, so
    it writes the fields as character fields and the table's null flags; each is then made a varchar
    field as Visual FoxPro 9 lays one out: the type letter V, and for a value shorter than the field its
    length in the field's last byte and the field's "varlength" bit set in the null flags (one bit per
    varchar field, then one per nullable field, in the fields' order from the lowest bit). A value as
    long as the field fills it, its bit clear."""
    path = os.path.join(HERE, "vfp_households.dbf")
    fields = [("NAME_TP", 6), ("FIDER", 8)]  # the varchar fields, in order, with their widths
    rows = [("ТП-41", "Л-1", 12, 2750.25),   # one character shorter than its field
            ("ТП-410", "Л-2", 5, 120.5),    # as long as its field
            ("ТП-4", "", 7, 300.0),         # shorter, and an empty feeder
            ("тп-5", "Ф-1234Ж", 3, 45.0)]
    table = dbf.Table(path, "NAME_TP C(6); FIDER C(8); COUNTAB N(6,0); W N(12,2) null",
                      dbf_type="vfp", codepage="cp1251")
    table.open(mode=dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    table.close()

    data = bytearray(open(path, "rb").read())
    header_length, record_length = struct.unpack_from("<HH", data, 8)
    records = struct.unpack_from("<I", data, 4)[0]
    descriptors = {}
    at = 32
    while data[at] != 0x0D:
        name = bytes(data[at:at + 11]).split(b"\0")[0].decode("ascii").upper()
        descriptors[name] = (at, struct.unpack_from("<I", data, at + 12)[0], data[at + 16])
        at += 32
    _, null_offset, _ = descriptors["_NULLFLAGS"]
    data[0] = 0x32  # a table with varchar fields
    for bit, (name, width) in enumerate(fields):
        descriptor, _, stored = descriptors[name]
        assert stored == width
        data[descriptor + 11] = ord("V")
        for r in range(records):
            record = header_length + r * record_length
            value = rows[r][fields.index((name, width))].encode("cp1251")
            if len(value) < width:
                start = record + descriptors[name][1]
                data[start:start + width] = value + b"\0" * (width - 1 - len(value)) + bytes([len(value)])
                data[record + null_offset] |= 1 << bit
    open(path, "wb").write(bytes(data))


# A name long enough to take a second block of a dBase III memo file (512 bytes a block).
LONG_NAME = ("Общество с ограниченной ответственностью \"Светлый путь\", цех № 2; " * 10)[:600]


def contracts_dbase3():
    """A contracts list as a dBase III table with a memo file (.dbt): the subscribers' names in a memo
    field, one of them over two blocks and one empty; the second street with a tab between its words, as
    a billing export copies an address."""
    path = os.path.join(HERE, "contracts_dbase3.dbf")
    table = dbf.Table(path, "NDOGOV C(10); NAME_POTR M; TOWN C(20); STREET C(30)", dbf_type="db3",
                      codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    table.append(("Д-101", "Иванов Иван Иванович", "Лесное", "Лесная, 5"))
    table.append(("Д-102", LONG_NAME, "", "Садовая,\t1"))
    table.append(("Д-103", "", "Лесное", "Полевая, 12"))
    table.append(("Д-104", "Петров П.П.", "", ""))
    table.close()


def lines04_foxpro():
    """A 0.4 kV line base as FoxPro 2 keeps it (header 0xF5, memo file .fpt of 128-byte blocks): the notes
    in a memo field, one with a tab inside."""
    path = os.path.join(HERE, "lines04_foxpro.dbf")
    table = dbf.Table(path, "NAMETP C(10); ABON C(1); NTR C(4); FIDER C(6); LEN_MARK C(20); PRIM M",
                      dbf_type="fp", codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    table.append(("ТП-42", "", "Т1", "Ф-1", "350*А-50", "опоры заменены в 2019 г."))
    table.append(("", "А", "", "Ф-2", "120*СИП-2А", ""))
    table.append(("ТП-43", "", "Т2", "Ф-1", "80*А-35", "вдоль\tдороги"))
    table.close()


def contracts_vfp():
    """The contracts list as a Visual FoxPro 9 table in the Windows code page: the memo field holds its
    block number in four bytes."""
    path = os.path.join(HERE, "contracts_vfp.dbf")
    table = dbf.Table(path, "NDOGOV C(10); NAME_POTR M; TOWN C(20); STREET C(30)", dbf_type="vfp",
                      codepage="cp1251")
    table.open(mode=dbf.READ_WRITE)
    table.append(("Д-201", "Сидорова Анна", "Лесное", "Лесная, 7"))
    table.append(("Д-202", "", "", "Садовая, 3"))
    table.append(("Д-203", LONG_NAME, "Лесное", ""))
    table.close()


def households_harbour():
    """A household base as a Harbour program keeps it with its FoxPro driver: header 0xF5, a memo file
    .fpt, and an address of 300 characters, the width's high byte in the decimal-count byte. python3-dbf
    writes no character field over 255 for FoxPro, so it writes the address 44 wide (300 - 256) and the
    script widens it as Harbour lays it out: the decimal-count byte 1, the record and the later fields'
    offsets 256 bytes on, the address written whole."""
    path = os.path.join(HERE, "households_harbour.dbf")
    rows = [("ТП-17", LONG_ADDRESS, "1", 12, 2750.25, "счетчик в подъезде"),
            ("ТП-3", "Садовая, 1", "2", 7, 300.0, "")]
    table = dbf.Table(path, "NAME_TP C(20); ADRES C(44); FIDER C(10); COUNTAB N(6,0); W N(12,2); PRIM M",
                      dbf_type="fp", codepage="cp866")
    table.open(mode=dbf.READ_WRITE)
    for row in rows:
        table.append((row[0], row[1][:44]) + row[2:])
    table.close()

    data = bytes(open(path, "rb").read())
    records = struct.unpack_from("<I", data, 4)[0]
    header_length, record_length = struct.unpack_from("<HH", data, 8)
    head = bytearray(data[:header_length])
    at, address = 32, None
    while head[at] != 0x0D:
        name = bytes(head[at:at + 11]).split(b"\0")[0].decode("ascii").upper()
        offset = struct.unpack_from("<I", head, at + 12)[0]
        if name == "ADRES":
            address = offset
            head[at + 17] = 1
        elif address is not None:
            struct.pack_into("<I", head, at + 12, offset + 256)
        at += 32
    struct.pack_into("<H", head, 10, record_length + 256)
    out = bytearray(head)
    for r in range(records):
        record = data[header_length + r * record_length:header_length + (r + 1) * record_length]
        wide = rows[r][1].encode("cp866").ljust(300, b" ")
        out += record[:address] + wide + record[address + 44:]
    out += data[header_length + records * record_length:]
    open(path, "wb").write(bytes(out))


def libreoffice_bases():
    """Bases as LibreOffice Calc saves a sheet as dBase: the header names no code page (byte 0) whichever
    it writes. A contracts list in Windows-1251 whose long names make a memo column (.dbt, block numbers
    as ten digits); a household base in DOS 866; one in Windows-1251 of lower-case names only."""
    bases = {
        "contracts_libreoffice_1251": (34, [["NDOGOV", "NAME_POTR", "TOWN"],
                                            ["Д-301", LONG_NAME, "Лесное"],
                                            ["Д-302", "Кузнецов К.К.", ""]]),
        "households_libreoffice_866": (30, [["NAME_TP", "FIDER", "COUNTAB", "W"],
                                            ["ТП-42", "Л-1", "12", "2750.25"],
                                            ["ТП-7", "Л-2", "5", "120.5"]]),
        "households_libreoffice_lower": (34, [["NAME_TP", "FIDER", "COUNTAB", "W"],
                                              ["тп-42", "л-1", "12", "2750.25"],
                                              ["тп-7", "ф-2", "5", "120.5"]]),
    }
    convert(bases)


def libreoffice_notes_and_unnamed_code_pages():
    """More bases as LibreOffice Calc saves them, the header naming no code page. A 0.4 kV line base in
    DOS 866 whose notes are a memo column (the header "PRIM,M" makes one), a note typed over two lines with
    Alt+Enter, which LibreOffice writes as CR LF into the memo file. Contracts lists whose few names read
    as names in both code pages: in DOS 866 "тёс" and "уч. №5" (Windows-1251 reads "всб" and "гз. ь5"),
    "№8", and the one record "ёлка"; in Windows-1251 "дом" and "5" parted by a no-break space, and lower-case
    names in curly quotes ("кафе ‘арлекино’")."""
    bases = {
        "lines04_libreoffice_notes": (30, [["NAMETP", "ABON", "NTR", "FIDER", "LEN_MARK", "PRIM,M"],
                                           ["ТП-42", "", "Т1", "Ф-1", "350*А-50", "опоры заменены\nв 2019 г."],
                                           ["", "А", "", "Ф-2", "120*СИП-2А", ""],
                                           ["ТП-43", "", "Т2", "Ф-1", "80*А-35", "вдоль дороги\n\nдо моста"]]),
        "contracts_libreoffice_866_yo": (30, [["NDOGOV", "NAME_POTR", "STREET"], ["1", "тёс", "уч. №5"]]),
        "contracts_libreoffice_866_number": (30, [["NDOGOV", "NAME_POTR"], ["8", "№8"]]),
        "contracts_libreoffice_866_yolka": (30, [["NDOGOV", "NAME_POTR"], ["1", "ёлка"]]),
        "contracts_libreoffice_1251_nbsp": (34, [["NDOGOV", "STREET"], ["5", "дом\u00A05"]]),
        "contracts_libreoffice_1251_quotes": (34, [["NDOGOV", "NAME_POTR"], ["7", "кафе ‘арлекино’"]]),
    }
    convert(bases)


def unnamed_code_pages_of_rare_signs():
    """Bases in DOS 866 whose header names no code page and whose names are letters in both code pages,
    three of them or more rare in DOS: "тёс" and "ёрш" (Windows-1251 reads "всб" and "саи"), "№8" (Windows-1251
    "ь8"). Two as LibreOffice Calc saves them, and two written by python3-dbf as dBase III and Clipper tables,
    their header's code page byte then set to 0 (python3-dbf names the code page it writes; the programs of
    the districts that leave it 0 write the same bytes)."""
    rows = [["NDOGOV", "NAME_POTR", "STREET"], ["1", "тёс", "№8"], ["2", "ёрш", "уч. №9"]]
    convert({"contracts_libreoffice_866_rare": (30, rows),
             "households_libreoffice_866_rare": (30, [["NAME_TP", "FIDER", "COUNTAB", "W"],
                                                      ["тёс", "№1", "12", "2750.25"],
                                                      ["ёрш", "№2", "5", "120.5"]])})
    for name, kind in (("contracts_dbase3_866_rare", "db3"), ("contracts_clipper_866_rare", "clp")):
        path = os.path.join(HERE, name + ".dbf")
        table = dbf.Table(path, "NDOGOV C(10); NAME_POTR C(20); STREET C(20)", dbf_type=kind, codepage="cp866")
        table.open(mode=dbf.READ_WRITE)
        for row in rows[1:]:
            table.append(tuple(row))
        table.close()
        data = bytearray(open(path, "rb").read())
        data[29] = 0
        open(path, "wb").write(bytes(data))


def libreoffice_utf8():
    """Bases as LibreOffice Calc saves a sheet as dBase in UTF-8 (encoding 76): the header names no code
    page (byte 0), as for every other. A household base of station names with quotes, and a contracts list
    whose one name holds signs that Windows-1251 lacks ("мм²", "×")."""
    convert({"households_libreoffice_utf8": (76, [["NAME_TP", "FIDER", "COUNTAB", "W"],
                                                  ["ТП-2", "Л-1", "12", "2750.25"],
                                                  ["ТП-7 «Лесная»", "ф-2", "5", "120.5"]]),
             "contracts_libreoffice_utf8_sign": (76, [["NDOGOV", "NAME_POTR"], ["9", "кабель 3×95 мм²"]])})


def vfp_double():
    """An industrial base's metering points as a Visual FoxPro 9 table whose point number is a double field
    (B): the first holds 2.0000000000000004, as a sum computed by a spreadsheet may leave it, which
    a program showing it gives as 2; the second 3."""
    path = os.path.join(HERE, "industrial_vfp_double.dbf")
    table = dbf.Table(path, "NDOG C(10); NUMPOINT B; W B", dbf_type="vfp", codepage="cp1251")
    table.open(mode=dbf.READ_WRITE)
    table.append(("Д-1", 2.0000000000000004, 1500.25))
    table.append(("Д-2", 3.0, 0.1 + 0.2))
    table.close()


def convert(bases):
    """Each base written by LibreOffice from a CSV file of its rows (encoding 34 Windows-1251, 30 DOS 866, 76 UTF-8)."""
    work = tempfile.mkdtemp()
    try:
        for name, (encoding, rows) in bases.items():
            source = os.path.join(work, name + ".csv")
            with open(source, "w", encoding="utf-8", newline="") as f:
                csv.writer(f).writerows(rows)
            subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                            "--infilter=CSV:44,34,76,1", "--convert-to", "dbf:dBase:%d" % encoding,
                            "--outdir", work, source], check=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
            for ext in (".dbf", ".dbt"):
                if os.path.exists(os.path.join(work, name + ext)):
                    shutil.copyfile(os.path.join(work, name + ext), os.path.join(HERE, name + ext))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    clipper_households()
    vfp_households()
    contracts_dbase3()
    lines04_foxpro()
    contracts_vfp()
    households_harbour()
    libreoffice_bases()
    libreoffice_notes_and_unnamed_code_pages()
    unnamed_code_pages_of_rare_signs()
    vfp_double()
    libreoffice_utf8()
