# Builds data/Потери.docx, the loss statement template with its five tables: python3 scripts/make_loss_template.py data/Потери.docx
import sys
from docx_template import cell, para, table, write_docx

NONE = '—'
parts = []
parts.append(para('ВЕДОМОСТЬ', True, 'center', 28))
parts.append(para('технических потерь электроэнергии в электрических сетях', True, 'center', 24))
parts.append(para())
for i, label in enumerate(('Схема', 'Период', 'Дата расчета')):
    # Tables that touch are joined into one by an office suite that opens and saves the template, and
    # the program fills its tables by their number: a paragraph of a point's height keeps them apart.
    if i > 0: parts.append(para(size=2))
    parts.append(table([[cell(label + ':', 2800, True), cell('', 9000)]], [2800, 9000], borders=False))
parts.append(para())
parts.append(para('1. Баланс электроэнергии по учетам', True))
balance = [
    ('Прием электроэнергии в сеть', 'кВт·ч', ''),
    ('Выдача электроэнергии из сети', 'кВт·ч', ''),
    ('Генерация электроэнергии', 'кВт·ч', ''),
    ('Собственные нужды', 'кВт·ч', ''),
    ('Отпуск электроэнергии в сеть', 'кВт·ч', ''),
    ('Полезный отпуск (потребление)', 'кВт·ч', ''),
    ('Фактические (отчетные) потери', 'кВт·ч', ''),
    ('Фактические потери в % от отпуска в сеть', '%', NONE),
]
parts.append(table([[cell(a, 7800), cell(u, 1400, align='center'), cell(v, 2600, align='right')] for a, u, v in balance],
                   [7800, 1400, 2600]))
parts.append(para())
parts.append(para('2. Структура технических потерь электроэнергии', True))
widths = [500, 4300] + [1150] * 9
head1 = [cell('№', 500, True, 'center'), cell('Составляющие потерь', 4300, True, 'center'),
         cell('Всего', 3450, True, 'center', 3), cell('Сети выше 0,4 кВ', 3450, True, 'center', 3),
         cell('Сети 0,4 кВ', 3450, True, 'center', 3)]
sub = ['всего', 'сети предприятия', 'абонентские']
head2 = [cell('', 500), cell('', 4300)] + [cell(s, 1150, True, 'center', size=18) for _ in range(3) for s in sub]
items = [
    ('1', 'Потери холостого хода в трансформаторах, кВт·ч', ''),
    ('', 'Нагрузочные потери в трансформаторах:', None),
    ('2', 'всего, кВт·ч', ''),
    ('3', 'в т.ч. от перетоков реактивной мощности, кВт·ч', ''),
    ('', 'Потери в трансформаторах:', None),
    ('4', 'всего (1 + 2), кВт·ч', ''),
    ('5', 'в % от отпуска в сеть', NONE),
    ('', 'Потери в линиях:', None),
    ('6', 'всего, кВт·ч', ''),
    ('7', 'в % от отпуска в сеть', NONE),
    ('', 'Нагрузочные потери в линиях от перетоков реактивной мощности:', None),
    ('8', 'всего, кВт·ч', ''),
    ('9', 'в % от отпуска в сеть', NONE),
    ('', 'Технические потери в сети:', None),
    ('10', 'всего (4 + 6), кВт·ч', ''),
    ('11', 'в % от отпуска в сеть', NONE),
]
rows = [head1, head2]
for no, label, value in items:
    if value is None:
        rows.append([cell('', 500), cell(label, 4300 + 9 * 1150, True, span=10)])
    else:
        rows.append([cell(no, 500, align='center'), cell(label, 4300)] +
                    [cell(value, 1150, align='right', size=18) for _ in range(9)])
parts.append(table(rows, widths))
parts.append(para())
sect = ('<w:sectPr><w:pgSz w:w="16838" w:h="11906" w:orient="landscape"/>'
        '<w:pgMar w:top="1134" w:right="850" w:bottom="1134" w:left="1134" w:header="708" w:footer="708" w:gutter="0"/></w:sectPr>')
write_docx(sys.argv[1], parts, sect)
