# Writes the sample district base "Образец" of the program folder: a small made-up district of two
# substations and four 10 kV feeders that a newcomer forms into a scheme and calculates.
#   python3 scripts/make_sample_base.py [data]
# The tables are written through their layouts in maket.zr, so a layout change regenerates them. Every
# mark used here (lines, transformers) is a row of the shipped catalogues sprav_ln.cat and sprav_t2.cat.
import os, sys

from make_catalogs import HERE, read_layout, write_table

STEM = 'Образец'

# ---- 6-10 kV lines: Sign "П" starts a feeder at a substation bus, "+" rows form a tap-off group whose
# digit-named points get the group's number, "ШСВ" is the bus-section switch.
LINE_FIELDS = ['Nr', 'Sign', 'Name1', 'Name2', 'KodLine', 'Un', 'Commut', 'Normal', 'MarkCom1', 'MarkCom2', 'DSNum']
LINES = [
    # feeder 1 from section 1 of ПС-1, with a tap-off to ТП-4
    ('1', 'П', 'ПС-1.1', 'Ф-1', '150*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-1'),
    ('', '', 'Ф-1', 'ТП-1', '1200*АС-70', '10', '', '', '', 'Разъединитель', ''),
    ('', '', 'ТП-1', 'ТП-2', '900*АС-70', '10', '', '', '', '', ''),
    ('', '', 'ТП-2', '1', '400*АС-50', '10', '', '', 'Разъединитель', '', ''),
    ('', '+', '1', '2', '600*АС-35', '10', '', '', '', '', ''),
    ('', '+', '2', 'ТП-4', '300*АС-35', '10', '', '', '', '', ''),
    ('', '', 'ТП-2', 'ТП-3', '700*АС-50', '10', '', '', '', '', ''),
    # feeder 3 from section 1
    ('3', 'П', 'ПС-1.1', 'Ф-3', '150*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-3'),
    ('', '', 'Ф-3', 'ТП-5', '1000*АС-70', '10', '', '', '', '', ''),
    ('', '', 'ТП-5', 'ТП-6', '800*АС-50', '10', '', '', '', '', ''),
    ('', '', 'ТП-6', 'ТП-7', '600*АС-50', '10', '', '', '', '', ''),
    # feeder 2 from section 2
    ('2', 'П', 'ПС-1.2', 'Ф-2', '150*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-2'),
    ('', '', 'Ф-2', 'ТП-8', '700*ААБл-95', '10', '', '', '', '', ''),
    ('', '', 'ТП-8', 'ТП-9', '500*АС-50', '10', '', '', '', '', ''),
    ('', '', 'ТП-9', 'ТП-10', '900*АС-50', '10', '', '', '', '', ''),
    # feeder 4 from ПС-2
    ('4', 'П', 'ПС-2.1', 'Ф-4', '200*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-4'),
    ('', '', 'Ф-4', 'ТП-11', '1500*АС-70', '10', '', '', '', '', ''),
    ('', '', 'ТП-11', 'ТП-12', '800*АС-50', '10', '', '', '', '', ''),
    ('', '', 'ТП-12', 'ТП-13', '600*АС-50', '10', '', '', '', '', ''),
    ('', '', 'ТП-13', 'ТП-14', '400*АС-35', '10', '', '', '', '', ''),
    ('', '', 'ТП-14', 'ТП-15', '500*АС-35', '10', '', '', '', '', ''),
    # the bus-section switch of ПС-1, open
    ('', '', 'ПС-1.1', 'ПС-1.2', 'ШСВ', '10', 'О', 'О', 'Выключатель', 'Выключатель', 'ШСВ-10'),
    # the normally open point between feeders 2 and 4
    ('', '', 'ТП-10', 'ТП-15', '1100*АС-50', '10', 'Н', 'Н', 'Разъединитель', 'Разъединитель', 'РЛ-7'),
]

# ---- transformers of the stations. Load types: 0 by the load factor Pn (%), 1 P,Q in kW and kvar,
# 4 energies as loads in MW and Mvar.
STATION_FIELDS = ['Nr', 'Name1', 'Ntr', 'Transform', 'T', 'Pn', 'Qn', 'PM', 'Address']
STATIONS = [
    ('1', 'ТП-1', 'Т1', 'ТМ-400/10/0.4', '0', '35', '', 'П', 'ул. Полевая, 2'),
    ('1', 'ТП-2', 'Т1', 'ТМ-250/10/0.4', '1', '120', '55', 'П', 'ул. Полевая, 14'),
    ('1', 'ТП-3', 'Т1', 'ТМ-630/10/0.4', '4', '0.21', '0.09', 'П', 'ул. Садовая, 1'),
    ('1', 'ТП-3', 'Т2', 'ТМ-630/10/0.4', '4', '0.18', '0.08', 'П', 'ул. Садовая, 1'),
    ('1', 'ТП-4', 'Т1', 'ТМ-160/10/0.4', '0', '', '', 'П', 'пос. Ключи'),
    ('3', 'ТП-5', 'Т1', 'ТМ-400/10/0.4', '1', '160', '70', 'П', 'ул. Речная, 5'),
    ('3', 'ТП-6', 'Т1', 'ТМ-400/10/0.4', '0', '40', '', 'П', 'ул. Речная, 30'),
    ('3', 'ТП-6', 'Т2', 'ТМ-400/10/0.4', '0', '30', '', 'П', 'ул. Речная, 30'),
    ('3', 'ТП-7', 'Т1', 'ТМ-250/10/0.4', '4', '0.11', '0.05', 'П', 'ул. Лесная, 8'),
    ('2', 'ТП-8', 'Т1', 'ТМ-630/10/0.4', '1', '310', '140', 'П', 'Котельная'),
    ('2', 'ТП-9', 'Т1', 'ТМ-250/10/0.4', '0', '45', '', 'П', 'ул. Школьная, 3'),
    ('2', 'ТП-10', 'Т1', 'ТМ-400/10/0.4', '4', '0.15', '0.07', 'П', 'ул. Мира, 21'),
    ('2', 'ТП-10', 'Т2', 'ТМ-400/10/0.4', '4', '0.12', '0.05', 'П', 'ул. Мира, 21'),
    ('4', 'ТП-11', 'Т1', 'ТМ-630/10/0.4', '1', '280', '120', 'П', 'Насосная'),
    ('4', 'ТП-12', 'Т1', 'ТМ-250/10/0.4', '0', '', '', 'П', 'ул. Новая, 4'),
    ('4', 'ТП-13', 'Т1', 'ТМ-160/10/0.4', '1', '70', '30', 'П', 'ул. Новая, 40'),
    ('4', 'ТП-14', 'Т1', 'ТМ-400/10/0.4', '4', '0.14', '0.06', 'П', 'Ферма'),
    ('4', 'ТП-14', 'Т2', 'ТМ-250/10/0.4', '4', '0.06', '0.03', 'П', 'Ферма'),
    ('4', 'ТП-15', 'Т1', 'ТМ-250/10/0.4', '0', '30', '', 'П', 'с. Заречье'),
]

# ---- 0.4 kV lines: from the transformer's 0.4 kV node to a point of the station. Two stations carry
# their own loads on them; the others take theirs from the subscribers that load forming charges to them.
LINE04_FIELDS = ['NameTP', 'Ntr', 'Fider', 'KodLine', 'T', 'Pn', 'Qn', 'PM']
LINES04 = [
    ('ТП-1', 'Т1', 'Л1', '350*СИП2-70', '1', '40', '18', 'П'),
    ('ТП-1', 'Т1', 'Л2', '250*СИП2-50', '1', '25', '11', 'П'),
    ('ТП-11', 'Т1', 'Л1', '250*СИП2-70', '', '', '', 'П'),
    ('ТП-11', 'Т1', 'Л2', '300*СИП2-50', '', '', '', 'П'),
    ('ТП-14', 'Т1', 'Л1', '350*А-50', '', '', '', 'П'),
    ('ТП-15', 'Т1', 'Л1', '300*СИП2-50', '', '', '', 'П'),
    ('ТП-6', 'Т1', 'Л1', '300*СИП2-70', '', '', '', 'П'),
    ('ТП-8', 'Т1', 'Л1', '200*А-50', '', '', '', 'П'),
    ('ТП-9', 'Т1', 'Л1', '400*А-50', '1', '30', '14', 'П'),
]

# ---- substation feeds: each bus behind its substation node, with the measured bus voltage and the
# month's measurements (MW, Mvar, MWh, Mvarh).
FEED_FIELDS = ['Subst', 'NamePS', 'Uzam', 'T', 'P', 'Q', 'WPop', 'WQop']
FEEDS = [
    ('ПС-1', 'ПС-1.1', '10.5', '1', '2.05', '0.92', '1180', '520'),
    ('ПС-1', 'ПС-1.2', '10.5', '1', '0.93', '0.41', '540', '235'),
    ('ПС-2', 'ПС-2.1', '10.4', '1', '1.21', '0.53', '700', '305'),
]

# ---- feeders: the bus, the first point of the feeder and its measurements.
FEEDER_FIELDS = ['Name1', 'Name2', 'Line', 'T', 'P', 'Q', 'WPop', 'WQop']
FEEDERS = [
    ('ПС-1.1', 'Ф-1', 'Ф-1', '1', '0.98', '0.44', '565', '250'),
    ('ПС-1.1', 'Ф-3', 'Ф-3', '1', '1.07', '0.48', '615', '270'),
    ('ПС-1.2', 'Ф-2', 'Ф-2', '1', '0.93', '0.41', '540', '235'),
    ('ПС-2.1', 'Ф-4', 'Ф-4', '1', '1.21', '0.53', '700', '305'),
]

# ---- subscribers: the metering points of industrial subscribers and the household subscribers per
# 0.4 kV feeder of a station (energies of one month, kWh).
METER_FIELDS = ['NameTP', 'Ntr', 'Fider', 'Ndog', 'Abonent', 'NumPoint', 'NamePoint', 'Address', 'NumCounter',
                'MarkCounter', 'TypCounter', 'Device', 'Next', 'Prev', 'Ktok', 'Koef', 'W']
METERS = [
    ('ТП-8', 'Т1', 'Л1', '101', 'Котельная №3', '1', 'Ввод 0.4 кВ', 'ул. Школьная, 1', '0457812', 'Меркурий 230',
     '1', '+', '12540', '11890', '40', '40', '26000'),
    ('ТП-11', 'Т1', 'Л1', '102', 'Водоканал', '1', 'Насосная, ввод 1', 'ул. Новая, 2', '0612044', 'СЭТ-4ТМ',
     '1', '+', '8810', '8300', '60', '60', '30600'),
    ('ТП-11', 'Т1', 'Л2', '102', 'Водоканал', '2', 'Насосная, ввод 2', 'ул. Новая, 2', '0612045', 'СЭТ-4ТМ',
     '1', '+', '4220', '3950', '60', '60', '16200'),
    ('ТП-14', 'Т1', 'Л1', '103', 'Агрофирма "Колос"', '1', 'Ферма', 'с. Заречье', '0398120', 'Меркурий 230',
     '1', '+', '20310', '19650', '30', '30', '19800'),
]
HOUSEHOLD_FIELDS = ['NameTP', 'Fider', 'CountAb', 'PayAb', 'W', 'Ws']
HOUSEHOLDS = [
    ('ТП-1', 'Л1', '64', '61', '14200', '221.9'),
    ('ТП-1', 'Л2', '38', '36', '8300', '218.4'),
    ('ТП-6', 'Л1', '112', '105', '24700', '220.5'),
    ('ТП-9', 'Л1', '45', '44', '9800', '217.8'),
    ('ТП-15', 'Л1', '83', '77', '18100', '218.1'),
]

TABLES = [
    # layout, fields, rows (the file takes the layout's extension)
    ('Формат РЭС (линии)', LINE_FIELDS, LINES),
    ('Формат РЭС (ТП,РП)', STATION_FIELDS, STATIONS),
    ('Формат РЭС (0.4 кВ)', LINE04_FIELDS, LINES04),
    ('Формат РЭС (вводы п/ст)', FEED_FIELDS, FEEDS),
    ('Формат РЭС (фидеры п/ст)', FEEDER_FIELDS, FEEDERS),
    ('База промышленных абонентов', METER_FIELDS, METERS),
    ('База бытовых абонентов', HOUSEHOLD_FIELDS, HOUSEHOLDS),
]


def extension(maket, layout):
    lines = open(maket, encoding='cp1251').read().splitlines()
    start = lines.index('Name=' + layout)
    for line in lines[start + 1:]:
        if line.startswith('Extention='):
            return line[len('Extention='):]
    raise ValueError('no extension: ' + layout)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, '..', 'data')
    maket = os.path.join(folder, 'maket.zr')
    for layout, names, rows in TABLES:
        fields, _ = read_layout(maket, layout)
        known = {name for _, name in fields}
        unknown = [n for n in names if n not in known]
        if unknown:
            raise ValueError(layout + ': fields not in the layout: ' + ', '.join(unknown))
        dicts = [dict(zip(names, row)) for row in rows]
        target = os.path.join(folder, STEM + extension(maket, layout))
        write_table(fields, layout, STEM, dicts, target)
        print(f'{os.path.basename(target)}: {len(rows)}')


if __name__ == '__main__':
    main()
