# Builds data/ЭЭРМ.docx, the statement template of the nodes' economic equivalents: its first table has a
# header row and one row for the first node, which the program repeats for every further node:
#   python3 scripts/make_eerm_template.py data/ЭЭРМ.docx
import sys
from docx_template import cell, para, write_docx

widths = [1300, 5000, 1600, 1700]
borders = '<w:tblBorders>' + ''.join(f'<w:{s} w:val="single" w:sz="4" w:space="0" w:color="000000"/>'
                                     for s in ('top', 'left', 'bottom', 'right', 'insideH', 'insideV')) + '</w:tblBorders>'
grid = ''.join(f'<w:gridCol w:w="{w}"/>' for w in widths)
head = ['№ узла', 'Наименование узла', 'Uном, кВ', 'ЭЭРМ, кВт/квар']
header = '<w:tr><w:trPr><w:tblHeader/></w:trPr>' + ''.join(cell(t, w, True, 'center') for t, w in zip(head, widths)) + '</w:tr>'
first = '<w:tr>' + ''.join(cell('', w, align=a) for w, a in zip(widths, ('center', None, 'right', 'right'))) + '</w:tr>'
table = (f'<w:tbl><w:tblPr><w:tblW w:w="{sum(widths)}" w:type="dxa"/>{borders}<w:tblLayout w:type="fixed"/></w:tblPr>'
         f'<w:tblGrid>{grid}</w:tblGrid>{header}{first}</w:tbl>')
parts = [para('ВЕДОМОСТЬ', True, 'center', 28),
         para('экономических эквивалентов реактивной мощности узлов (ЭЭРМ)', True, 'center', 24),
         para(), table, para()]
sect = ('<w:sectPr><w:pgSz w:w="11906" w:h="16838"/>'
        '<w:pgMar w:top="1134" w:right="850" w:bottom="1134" w:left="1418" w:header="708" w:footer="708" w:gutter="0"/></w:sectPr>')
write_docx(sys.argv[1], parts, sect)
