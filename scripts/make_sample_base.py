# Writes the sample district base "Образец" of the program folder: a small made-up 10 kV district of two
# 110/10 kV substations, four feeders and fifteen transformer stations, with the measurements of one month
# (November, 720 hours), that a newcomer forms into a scheme, calculates, balances and checks for losses.
#   python3 scripts/make_sample_base.py [data]
# The tables are written through their layouts in maket.zr, so a layout change regenerates them. Every
# mark used here (lines, transformers) is a row of the shipped catalogues sprav_ln.cat and sprav_t2.cat.
#
# Units are those the program keeps: energies in kW·h and kvar·h, powers in kW and kvar. The stations'
# loads are the month's energies, so the scheme is calculated over the month of the meters. The feeder meters are the powers measured at the substation buses, which load
# balancing fits the station loads to; the input meters are the month's energies received from the
# 110 kV network, which the technological consumption and the energy balance by metering areas start from.
import math, os, sys

from make_catalogs import HERE, read_layout, write_table

STEM = 'Образец'
HOURS = 720  # November


def number(value, digits=0):
    text = f'{value:.{digits}f}'
    return text.rstrip('0').rstrip('.') if '.' in text else text


# ---- 6-10 kV lines: Sign "П" starts a feeder at a substation bus, "+" rows form a tap-off group whose
# digit-named points get the group's number, "ШСВ" is the bus-section switch. Nr is the district (here the
# feeder's number) on every row, so that losses sum by district.
LINE_FIELDS = ['Nr', 'Sign', 'Name1', 'Name2', 'KodLine', 'Un', 'Commut', 'Normal', 'MarkCom1', 'MarkCom2', 'DSNum']
LINES = [
    # feeder 1 from section 1 of ПС-1, with a tap-off to ТП-4
    ('1', 'П', 'ПС-1.1', 'Ф-1', '150*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-1'),
    ('1', '', 'Ф-1', 'ТП-1', '1200*АС-70', '10', '', '', '', 'Разъединитель', ''),
    ('1', '', 'ТП-1', 'ТП-2', '900*АС-70', '10', '', '', '', '', ''),
    ('1', '', 'ТП-2', '1', '400*АС-50', '10', '', '', 'Разъединитель', '', ''),
    ('1', '+', '1', '2', '600*АС-35', '10', '', '', '', '', ''),
    ('1', '+', '2', 'ТП-4', '300*АС-35', '10', '', '', '', '', ''),
    ('1', '', 'ТП-2', 'ТП-3', '700*АС-50', '10', '', '', '', '', ''),
    # feeder 3 from section 1
    ('3', 'П', 'ПС-1.1', 'Ф-3', '150*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-3'),
    ('3', '', 'Ф-3', 'ТП-5', '1000*АС-70', '10', '', '', '', '', ''),
    ('3', '', 'ТП-5', 'ТП-6', '800*АС-50', '10', '', '', '', '', ''),
    ('3', '', 'ТП-6', 'ТП-7', '600*АС-50', '10', '', '', '', '', ''),
    # feeder 2 from section 2
    ('2', 'П', 'ПС-1.2', 'Ф-2', '150*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-2'),
    ('2', '', 'Ф-2', 'ТП-8', '700*ААБл-95', '10', '', '', '', '', ''),
    ('2', '', 'ТП-8', 'ТП-9', '500*АС-50', '10', '', '', '', '', ''),
    ('2', '', 'ТП-9', 'ТП-10', '900*АС-50', '10', '', '', '', '', ''),
    # feeder 4 from ПС-2
    ('4', 'П', 'ПС-2.1', 'Ф-4', '200*ААБл-120', '10', '', '', 'Выключатель', '', 'Ф-4'),
    ('4', '', 'Ф-4', 'ТП-11', '1500*АС-70', '10', '', '', '', '', ''),
    ('4', '', 'ТП-11', 'ТП-12', '800*АС-50', '10', '', '', '', '', ''),
    ('4', '', 'ТП-12', 'ТП-13', '600*АС-50', '10', '', '', '', '', ''),
    ('4', '', 'ТП-13', 'ТП-14', '400*АС-35', '10', '', '', '', '', ''),
    ('4', '', 'ТП-14', 'ТП-15', '500*АС-35', '10', '', '', '', '', ''),
    # the bus-section switch of ПС-1, open
    ('1', '', 'ПС-1.1', 'ПС-1.2', 'ШСВ', '10', 'О', 'О', 'Выключатель', 'Выключатель', 'ШСВ-10'),
    # the normally open point between feeders 2 and 4
    ('2', '', 'ТП-10', 'ТП-15', '1100*АС-50', '10', 'Н', 'Н', 'Разъединитель', 'Разъединитель', 'РЛ-7'),
]

# ---- transformers of the stations, one row per transformer: the rated power (kVA) in the mark, the
# average load of the month as a share of it and its power factor, and the share of the month's energy
# that the station's industrial subscribers take (the rest is households'). The load is given by the
# month's energies, its type the user's own, so that load forming keeps it: 4 WP and WQ in kW·h and
# kvar·h, 5 WP in kW·h and tg(f). The consumption of the period losses and of the technological
# consumption is these energies.
#   feeder (district), station, transformer, rated kVA, load %, cos(f), load type, industrial share, address
STATIONS = [
    (1, 'ТП-1', 'Т1', 400, 55, 0.92, 4, 0.10, 'ул. Полевая, 2'),
    (1, 'ТП-2', 'Т1', 250, 60, 0.90, 5, 0.30, 'ул. Полевая, 14'),
    (1, 'ТП-3', 'Т1', 630, 52, 0.88, 4, 0.60, 'ул. Садовая, 1'),
    (1, 'ТП-3', 'Т2', 630, 45, 0.88, 4, 0.60, 'ул. Садовая, 1'),
    (1, 'ТП-4', 'Т1', 160, 65, 0.93, 5, 0.00, 'пос. Ключи'),
    (3, 'ТП-5', 'Т1', 400, 58, 0.89, 4, 0.40, 'ул. Речная, 5'),
    (3, 'ТП-6', 'Т1', 400, 48, 0.91, 4, 0.20, 'ул. Речная, 30'),
    (3, 'ТП-6', 'Т2', 400, 42, 0.91, 4, 0.20, 'ул. Речная, 30'),
    (3, 'ТП-7', 'Т1', 250, 62, 0.90, 5, 0.15, 'ул. Лесная, 8'),
    (2, 'ТП-8', 'Т1', 630, 62, 0.86, 4, 1.00, 'Котельная'),
    (2, 'ТП-9', 'Т1', 250, 55, 0.92, 5, 0.25, 'ул. Школьная, 3'),
    (2, 'ТП-10', 'Т1', 400, 50, 0.90, 4, 0.30, 'ул. Мира, 21'),
    (2, 'ТП-10', 'Т2', 400, 44, 0.90, 4, 0.30, 'ул. Мира, 21'),
    (4, 'ТП-11', 'Т1', 630, 66, 0.85, 4, 1.00, 'Насосная'),
    (4, 'ТП-12', 'Т1', 250, 45, 0.91, 5, 0.10, 'ул. Новая, 4'),
    (4, 'ТП-13', 'Т1', 160, 65, 0.92, 4, 0.00, 'ул. Новая, 40'),
    (4, 'ТП-14', 'Т1', 400, 60, 0.87, 4, 0.85, 'Ферма'),
    (4, 'ТП-14', 'Т2', 250, 40, 0.87, 4, 0.85, 'Ферма'),
    (4, 'ТП-15', 'Т1', 250, 52, 0.93, 5, 0.05, 'с. Заречье'),
]


def station_load(s, load, cos):
    """(P kW, Q kvar, tg) of a transformer's average load."""
    tg = round(math.tan(math.acos(cos)), 2)
    p = round(s * load / 100 * cos)
    return p, round(p * tg), tg


def station_rows():
    rows = []
    for nr, name, ntr, s, load, cos, kind, industrial, address in STATIONS:
        p, q, tg = station_load(s, load, cos)
        wp = p * HOURS
        wq = q * HOURS if kind == 4 else round(wp * tg)
        wppr, wqpr = round(wp * industrial), round(wq * industrial)
        rows.append({'Nr': str(nr), 'Name1': name, 'Ntr': ntr, 'Transform': f'ТМ-{s}/10/0.4', 'T': str(kind),
                     'Pn': str(wp), 'Qn': str(wq) if kind == 4 else number(tg, 2), 'PM': 'П', 'Address': address,
                     'WPpr': str(wppr), 'WQpr': str(wqpr), 'WPbt': str(wp - wppr), 'WQbt': str(wq - wqpr)})
    return rows


# ---- 0.4 kV lines: from the transformer's 0.4 kV node to a point of the station. They carry no load of
# their own (the station's load is on its transformer); load forming charges households and industrial
# points with a 0.4 kV feeder to them. A station's feeders are numbered through its transformers (the
# household base names a station's feeder without its transformer), and each transformer with
# subscribers has lines of its own. The marks are sized for the peak of what they carry: the evening
# peak of households is some twice the month's average, that of the boiler house, the pumping station
# and the farm some one and a half times; the boiler house and the pumping station are fed by two cables
# per input.
LINE04_FIELDS = ['NameTP', 'Ntr', 'Fider', 'KodLine', 'PM']
LINES04 = [
    ('ТП-1', 'Т1', 'Л1', '420*СИП2-95', 'П'),
    ('ТП-1', 'Т1', 'Л2', '300*СИП2-70', 'П'),
    ('ТП-1', 'Т1', 'Л3', '380*СИП2-95', 'П'),
    ('ТП-6', 'Т1', 'Л1', '350*СИП2-95', 'П'),
    ('ТП-6', 'Т1', 'Л2', '400*СИП2-95', 'П'),
    ('ТП-6', 'Т2', 'Л3', '300*СИП2-95', 'П'),
    ('ТП-6', 'Т2', 'Л4', '250*СИП2-70', 'П'),
    ('ТП-8', 'Т1', 'Л1', '120*2ААБл-120', 'П'),
    ('ТП-8', 'Т1', 'Л2', '140*2ААБл-120', 'П'),
    ('ТП-9', 'Т1', 'Л1', '400*А-70', 'П'),
    ('ТП-9', 'Т1', 'Л2', '350*А-50', 'П'),
    ('ТП-11', 'Т1', 'Л1', '150*2ААБл-150', 'П'),
    ('ТП-11', 'Т1', 'Л2', '170*2ААБл-120', 'П'),
    ('ТП-14', 'Т1', 'Л1', '300*А-95', 'П'),
    ('ТП-14', 'Т1', 'Л2', '250*А-70', 'П'),
    ('ТП-14', 'Т2', 'Л3', '200*А-70', 'П'),
    ('ТП-15', 'Т1', 'Л1', '450*СИП2-70', 'П'),
    ('ТП-15', 'Т1', 'Л2', '400*СИП2-70', 'П'),
    ('ТП-15', 'Т1', 'Л3', '300*СИП2-50', 'П'),
]

# ---- feeders: the bus, the first point of the feeder and the powers measured there (kW, kvar), read to
# five kilowatts: the stations' loads, the losses of the feeder's lines and transformers (2-3 %) and what
# the given loads miss (1.5-2 %). Kind "Б": load balancing fits the loads to them.
FEEDER_FIELDS = ['Name1', 'Name2', 'Line', 'B', 'T', 'P', 'Q']
FEEDERS = [
    ('ПС-1.1', 'Ф-1', 'Ф-1', 'Б', '1', 1010, 570),
    ('ПС-1.1', 'Ф-3', 'Ф-3', 'Б', '1', 700, 380),
    ('ПС-1.2', 'Ф-2', 'Ф-2', 'Б', '1', 825, 480),
    ('ПС-2.1', 'Ф-4', 'Ф-4', 'Б', '1', 1010, 620),
]

# ---- substation inputs: each bus behind its substation node at the measured bus voltage, with the
# energies of the month received from the 110 kV network (load type 4, kW·h and kvar·h): what its feeder
# meters measured over the month. The two inputs of ПС-1 add up into one meter of the substation.
FEED_FIELDS = ['Subst', 'NamePS', 'Uzam', 'T', 'P', 'Q']
FEEDS = [('ПС-1', 'ПС-1.1', '10.5'), ('ПС-1', 'ПС-1.2', '10.5'), ('ПС-2', 'ПС-2.1', '10.4')]


def feed_rows():
    rows = []
    for subst, bus, uzam in FEEDS:
        p = sum(f[5] for f in FEEDERS if f[0] == bus) * HOURS
        q = sum(f[6] for f in FEEDERS if f[0] == bus) * HOURS
        rows.append((subst, bus, uzam, '4', str(p), str(q)))
    return rows


# ---- subscribers: the metering points of industrial subscribers (the month's readings; W in kW·h) and
# the household subscribers per 0.4 kV feeder of a station. Their energies are those of the station table,
# transformer by transformer: the meters of a transformer share its industrial energy, the households of
# its lines its household energy, so that no transformer's lines take more than it delivers.
METER_FIELDS = ['NameTP', 'Ntr', 'Fider', 'Ndog', 'Abonent', 'NumPoint', 'NamePoint', 'Address', 'NumCounter',
                'MarkCounter', 'TypCounter', 'Device', 'Next', 'Prev', 'Ktok', 'Koef', 'W']
#   station, transformer, 0.4 kV feeder, contract, subscriber, point, point name, address, meter number,
#   meter mark, current transformer ratio, share of the transformer's industrial energy, reading at month end
METERS = [
    ('ТП-8', 'Т1', 'Л1', '101', 'Котельная №3', '1', 'Котельная, ввод 1', 'ул. Школьная, 1', '0457812',
     'Меркурий 230', 120, 0.5, 48215.4),
    ('ТП-8', 'Т1', 'Л2', '101', 'Котельная №3', '2', 'Котельная, ввод 2', 'ул. Школьная, 1', '0457813',
     'Меркурий 230', 120, 0.5, 51380.2),
    ('ТП-11', 'Т1', 'Л1', '102', 'Водоканал', '1', 'Насосная, ввод 1', 'ул. Новая, 2', '0612044', 'СЭТ-4ТМ',
     120, 0.55, 30512.8),
    ('ТП-11', 'Т1', 'Л2', '102', 'Водоканал', '2', 'Насосная, ввод 2', 'ул. Новая, 2', '0612045', 'СЭТ-4ТМ',
     120, 0.45, 21940.2),
    ('ТП-14', 'Т1', 'Л1', '103', 'Агрофирма "Колос"', '1', 'Ферма, коровник', 'с. Заречье', '0398120',
     'Меркурий 230', 60, 0.55, 20310.6),
    ('ТП-14', 'Т1', 'Л2', '103', 'Агрофирма "Колос"', '2', 'Ферма, кормоцех', 'с. Заречье', '0398121',
     'Меркурий 230', 60, 0.45, 18744.3),
    ('ТП-14', 'Т2', 'Л3', '103', 'Агрофирма "Колос"', '3', 'Ферма, молочный блок', 'с. Заречье', '0398122',
     'Меркурий 230', 60, 1.0, 15622.9),
]
HOUSEHOLD_FIELDS = ['NameTP', 'Fider', 'CountAb', 'PayAb', 'W', 'Ws']
#   station, 0.4 kV feeder, share of the household energy of the line's transformer, households, households
#   that paid
HOUSEHOLDS = [
    ('ТП-1', 'Л1', 0.36, 205, 198),
    ('ТП-1', 'Л2', 0.30, 171, 165),
    ('ТП-1', 'Л3', 0.34, 194, 188),
    ('ТП-6', 'Л1', 0.52, 216, 208),
    ('ТП-6', 'Л2', 0.48, 200, 193),
    ('ТП-6', 'Л3', 0.53, 193, 186),
    ('ТП-6', 'Л4', 0.47, 171, 165),
    ('ТП-9', 'Л1', 0.55, 157, 152),
    ('ТП-9', 'Л2', 0.45, 129, 125),
    ('ТП-15', 'Л1', 0.40, 205, 195),
    ('ТП-15', 'Л2', 0.35, 179, 170),
    ('ТП-15', 'Л3', 0.25, 128, 121),
]


def transformer_energy(name, ntr, column):
    return next(int(r[column]) for r in station_rows() if r['Name1'] == name and r['Ntr'] == ntr)


def line_transformer(name, fider):
    return next(ntr for tp, ntr, f, _, _ in LINES04 if tp == name and f == fider)


def meter_rows():
    rows = []
    for tp, ntr, fider, ndog, abonent, point, pname, address, num, mark, ktok, share, nxt in METERS:
        # read to a tenth of the meter's dial, never above the share, so that the meters of a transformer
        # take no more than its industrial energy
        tenths = math.floor(transformer_energy(tp, ntr, 'WPpr') * share / ktok * 10)
        w = tenths * ktok / 10
        prev = nxt - tenths / 10
        rows.append((tp, ntr, fider, ndog, abonent, point, pname, address, num, mark, '1', '+',
                     number(nxt, 1), number(prev, 1), str(ktok), str(ktok), number(w, 0)))
    return rows


def household_rows():
    rows = []
    for k, (tp, fider, share, count, paid) in enumerate(HOUSEHOLDS):
        ntr = line_transformer(tp, fider)
        energy = transformer_energy(tp, ntr, 'WPbt')
        mates = [h for h in HOUSEHOLDS if h[0] == tp and line_transformer(h[0], h[1]) == ntr]
        # the transformer's last line takes what the others leave, so that its lines take all of it
        if mates[-1] is HOUSEHOLDS[k]:
            w = energy - sum(round(energy * h[2]) for h in mates[:-1])
        else:
            w = round(energy * share)
        rows.append((tp, fider, str(count), str(paid), str(w), number(w / count, 1)))
    return rows


# ---- the districts of the scheme formed from the base (the scheme's own table beside it): their names
# head the loss sums by district.
AREA_FIELDS = ['Nr', 'Name']
AREAS = [('1', 'Ф-1 ПС-1'), ('2', 'Ф-2 ПС-1'), ('3', 'Ф-3 ПС-1'), ('4', 'Ф-4 ПС-2')]


# ---- reactive sources of the scheme formed with the stations' transformers (the scheme's own table
# beside it): capacitor banks of 0.4 kV on the buses of the two stations with the poorest power factor,
# for the optimisation of reactive power. Nq is the number that forming gives the 0.4 kV node.
REACTIVE_FIELDS = ['Nq', 'Title', 'Qish', 'Qmin', 'Qmax']
REACTIVES = [('34', 'ТП-8.Т1', '0', '0', '150'), ('38', 'ТП-11.Т1', '0', '0', '200')]


def tables():
    # layout, fields, rows (the file takes the layout's extension)
    return [
        ('Формат РЭС (линии)', LINE_FIELDS, LINES),
        ('Формат РЭС (ТП,РП)', None, station_rows()),
        ('Формат РЭС (0.4 кВ)', LINE04_FIELDS, LINES04),
        ('Формат РЭС (вводы п/ст)', FEED_FIELDS, feed_rows()),
        ('Формат РЭС (фидеры п/ст)', FEEDER_FIELDS, [tuple(str(v) for v in f) for f in FEEDERS]),
        ('База промышленных абонентов', METER_FIELDS, meter_rows()),
        ('База бытовых абонентов', HOUSEHOLD_FIELDS, household_rows()),
        ('Районы схемы', AREA_FIELDS, AREAS),
        ('Оптимизация реактивов', REACTIVE_FIELDS, REACTIVES),
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
    for layout, names, rows in tables():
        fields, _ = read_layout(maket, layout)
        known = {name for _, name in fields}
        dicts = rows if names is None else [dict(zip(names, row)) for row in rows]
        unknown = sorted({n for d in dicts for n in d} - known)
        if unknown:
            raise ValueError(layout + ': fields not in the layout: ' + ', '.join(unknown))
        target = os.path.join(folder, STEM + extension(maket, layout))
        write_table(fields, layout, STEM, dicts, target)
        print(f'{os.path.basename(target)}: {len(rows)}')


if __name__ == '__main__':
    main()
