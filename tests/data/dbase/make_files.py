#!/usr/bin/python3
# Writes the dBase files of this folder (see README). Run from this folder with Debian's python3-dbf:
#     /usr/bin/python3 make_files.py
import os
import struct

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


if __name__ == "__main__":
    clipper_households()
    vfp_households()
