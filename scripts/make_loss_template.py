# Builds data/Потери.docx, the loss statement template with its five tables: python3 scripts/make_loss_template.py data/Потери.docx
import sys, zipfile
from xml.sax.saxutils import escape

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'

def rprops(bold=False, size=None):
    props = ''
    if bold: props += '<w:b/>'
    if size: props += f'<w:sz w:val="{size}"/>'
    return f'<w:rPr>{props}</w:rPr>' if props else ''

def para(text='', bold=False, align=None, size=None):
    # The paragraph mark carries the font too: a text typed into an empty cell takes it.
    rpr = rprops(bold, size)
    inner = (f'<w:jc w:val="{align}"/>' if align else '') + rpr
    ppr = f'<w:pPr>{inner}</w:pPr>' if inner else ''
    r = f'<w:r>{rpr}<w:t xml:space="preserve">{escape(text)}</w:t></w:r>' if text else ''
    return f'<w:p>{ppr}{r}</w:p>'

def cell(text, width, bold=False, align=None, span=1, size=None):
    tcpr = f'<w:tcW w:w="{width}" w:type="dxa"/>'
    if span > 1: tcpr += f'<w:gridSpan w:val="{span}"/>'
    return f'<w:tc><w:tcPr>{tcpr}<w:vAlign w:val="center"/></w:tcPr>{para(text, bold, align, size)}</w:tc>'

def table(rows, widths, borders=True):
    b = ''
    if borders:
        b = '<w:tblBorders>' + ''.join(f'<w:{s} w:val="single" w:sz="4" w:space="0" w:color="000000"/>'
                                       for s in ('top', 'left', 'bottom', 'right', 'insideH', 'insideV')) + '</w:tblBorders>'
    grid = ''.join(f'<w:gridCol w:w="{w}"/>' for w in widths)
    body = ''.join('<w:tr>' + ''.join(r) + '</w:tr>' for r in rows)
    return (f'<w:tbl><w:tblPr><w:tblW w:w="{sum(widths)}" w:type="dxa"/>{b}'
            f'<w:tblLayout w:type="fixed"/></w:tblPr><w:tblGrid>{grid}</w:tblGrid>{body}</w:tbl>')

NONE = '—'
parts = []
parts.append(para('ВЕДОМОСТЬ', True, 'center', 28))
parts.append(para('технических потерь электроэнергии в электрических сетях', True, 'center', 24))
parts.append(para())
for label in ('Схема', 'Период', 'Дата расчета'):
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
document = f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document {W}><w:body>{"".join(parts)}{sect}</w:body></w:document>'
styles = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:styles {W}><w:docDefaults><w:rPrDefault><w:rPr>'
          '<w:rFonts w:ascii="Times New Roman" w:hAnsi="Times New Roman" w:cs="Times New Roman"/><w:sz w:val="22"/>'
          '<w:lang w:val="ru-RU"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after="0" w:line="240" w:lineRule="auto"/>'
          '</w:pPr></w:pPrDefault></w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="a"><w:name w:val="Normal"/></w:style></w:styles>')
types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
         '<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/></Types>')
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>')
docrels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
           '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>')
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for name, text in (('[Content_Types].xml', types), ('_rels/.rels', rels), ('word/document.xml', document),
                       ('word/_rels/document.xml.rels', docrels), ('word/styles.xml', styles)):
        info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, text.encode('utf-8'))
