#!/usr/bin/python3
# Writes loss_template_stamp_libreoffice.docx (see README.txt): the shipped loss statement template with a
# stamp "УТВЕРЖДАЮ" added as a table of one row and two cells before its first table, as a person adds
# one, then opened and saved by LibreOffice. Run from this folder:
#     /usr/bin/python3 make_stamp_template.py
import os
import shutil
import subprocess
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
TEMPLATE = os.path.join(HERE, "..", "..", "..", "data", "Потери.docx")
NAME = "loss_template_stamp_libreoffice"

STAMP = ('<w:tbl><w:tblPr><w:tblW w:w="11800" w:type="dxa"/></w:tblPr>'
         '<w:tblGrid><w:gridCol w:w="7000"/><w:gridCol w:w="4800"/></w:tblGrid>'
         '<w:tr><w:tc><w:tcPr><w:tcW w:w="7000" w:type="dxa"/></w:tcPr><w:p/></w:tc>'
         '<w:tc><w:tcPr><w:tcW w:w="4800" w:type="dxa"/></w:tcPr>'
         '<w:p><w:r><w:t>УТВЕРЖДАЮ</w:t></w:r></w:p>'
         '<w:p><w:r><w:t xml:space="preserve">Главный инженер РЭС ____________</w:t></w:r></w:p></w:tc></w:tr>'
         '</w:tbl><w:p/>')

work = tempfile.mkdtemp()
try:
    source = os.path.join(work, NAME + ".docx")
    with zipfile.ZipFile(TEMPLATE) as old, zipfile.ZipFile(source, "w", zipfile.ZIP_DEFLATED) as new:
        for item in old.infolist():
            data = old.read(item.filename)
            if item.filename == "word/document.xml":
                text = data.decode("utf-8")
                at = text.index("<w:tbl>")
                data = (text[:at] + STAMP + text[at:]).encode("utf-8")
            new.writestr(item, data)
    out = os.path.join(work, "out")
    subprocess.run(["soffice", "-env:UserInstallation=file://" + work + "/profile", "--headless",
                    "--convert-to", "docx", "--outdir", out, source], check=True)
    shutil.copyfile(os.path.join(out, NAME + ".docx"), os.path.join(HERE, NAME + ".docx"))
finally:
    shutil.rmtree(work)
