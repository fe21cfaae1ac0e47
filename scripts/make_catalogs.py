# Builds the equipment catalogues of the program folder from the readable tables in scripts/catalogs:
#   python3 scripts/make_catalogs.py [data]
# Each table names its sources in its comment lines ("#"); its header row names layout fields (a column
# the layout does not know, such as "Source", stays in the table only). Rows are written in the key order
# of the layout, so the program finds them sorted and never rewrites a shipped catalogue.
import csv, io, os, struct, sys

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGS = [
    # table, layout in maket.zr, title of the file
    ('sprav_UN', 'Номинальные напряжения', 'Список номинальных напряжений'),
    ('sprav_ln', 'Справочник КЛ,ВЛ', 'Каталог кабельных и воздушных линий'),
    ('sprav_t2', 'Справочник ТР(2)', 'Каталог двухобмоточных трансформаторов'),
    ('sprav_t3', 'Справочник ТР(3)', 'Каталог трехобмоточных трансформаторов'),
    ('sprav_RT', 'Справочник токоогр.реакторов', 'Каталог токоограничивающих реакторов'),
    ('sprav_KA', 'Коммутационные аппараты', 'Каталог коммутационных аппаратов'),
]
NUMERIC = {'b': '<B', 'i': '<h', 'w': '<H', 'l': '<i', 'n': '<q', 'f': '<f', 'd': '<d'}


def read_layout(maket, name):
    """(fields, order): fields as (type letter, field name); order as 1-based column numbers."""
    lines = open(maket, encoding='cp1251').read().splitlines()
    start = lines.index('Name=' + name)
    fields, order = [], []
    for line in lines[start + 1:]:
        if not line.strip():
            break
        if line.startswith('Order='):
            order = [int(k) for k in line[6:].split(',') if k.strip()]
        elif '=' not in line.split(',')[0]:
            parts = line.split(',')
            fields.append((parts[0], parts[8]))
    return fields, order


def short_string(text):
    data = text.encode('cp1251')
    if len(data) > 255:
        raise ValueError('text over 255 bytes: ' + text)
    return bytes([len(data)]) + data


def cell_bytes(kind, text):
    if kind == 's':
        return short_string(text)
    if kind == 'c':
        data = text.encode('cp1251')
        if len(data) > 1:
            raise ValueError('one character expected: ' + text)
        return data or b'\0'
    value = float(text) if text else 0.0
    return struct.pack(NUMERIC[kind], value if kind in 'fd' else int(value))


def sort_key(fields, order, row):
    key = []
    for col in order:
        kind, name = fields[col - 1]
        text = row.get(name, '')
        if kind in 'sc':
            key.append((0, text.upper().encode('cp1251'), 0.0))
        else:
            key.append((0, b'', float(text) if text else 0.0))
    return key


def write_catalog(table, maket, layout, title, target):
    text = open(os.path.join(HERE, 'catalogs', table + '.csv'), encoding='utf-8').read()
    body = '\n'.join(l for l in text.splitlines() if not l.startswith('#'))
    rows = list(csv.DictReader(io.StringIO(body)))
    fields, order = read_layout(maket, layout)
    known = {name for _, name in fields}
    header = csv.DictReader(io.StringIO(body)).fieldnames
    if not any(name in known for name in header):
        raise ValueError(table + ': no column of the layout ' + layout)
    rows.sort(key=lambda r: sort_key(fields, order, r))
    write_table(fields, layout, title, rows, target)
    return len(rows)


def write_table(fields, layout, title, rows, target):
    """Writes the rows (dicts of field texts) as a table file of the layout, in the order given."""
    out = bytearray(b'\x06ZREGIM')
    out += short_string(layout) + short_string(title)
    out += struct.pack('<i', len(rows))
    out += b'\x0cRESTRUCTURED'
    out += bytes(len(rows))  # row marks
    for kind, name in fields:
        data = b''.join(cell_bytes(kind, row.get(name, '').strip()) for row in rows)
        out += short_string(name) + kind.encode('ascii') + struct.pack('<i', len(data)) + data
    temp = target + '~'
    with open(temp, 'wb') as f:
        f.write(out)
    os.replace(temp, target)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, '..', 'data')
    maket = os.path.join(folder, 'maket.zr')
    for table, layout, title in CATALOGS:
        count = write_catalog(table, maket, layout, title, os.path.join(folder, table + '.cat'))
        print(f'{table}.cat: {count}')


if __name__ == '__main__':
    main()
