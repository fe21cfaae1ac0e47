// Text documents filled as templates: cells found as a word processor counts them, new texts keeping the
// cell's formatting, the rest of the file untouched, and damaged files refused with their name.
#include <expat.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/docx.h"
#include "support/full_disk.h"
#include "support/fuzz_mutations.h"
#include "support/test_env.h"
#include "support/zip_builder.h"

namespace ld::test {
namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

void Zip(const Parts& parts, const std::string& path) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
  }
  ASSERT_EQ(zip_close(zip), 0);
}

std::string Entry(const std::string& path, const std::string& name) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return "<no zip>";
  std::string data;
  if (zip_file_t* file = zip_fopen(zip, name.c_str(), 0)) {
    char buf[4096];
    for (zip_int64_t n; (n = zip_fread(file, buf, sizeof buf)) > 0;) data.append(buf, static_cast<std::size_t>(n));
    zip_fclose(file);
  } else {
    data = "<missing>";
  }
  zip_discard(zip);
  return data;
}

// Table 1: a cell of two paragraphs with two formatted runs, a cell holding a nested table, a paragraph
// without a run. Table 2 follows the nested one in the text but is the document's second table.
const std::string kBody =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)"
    R"(<w:p><w:r><w:t>Ведомость</w:t></w:r></w:p>)"
    R"(<w:tbl><w:tblPr/><w:tr><w:tc><w:tcPr><w:tcW w:w="2000"/></w:tcPr>)"
    R"(<w:p><w:pPr><w:jc w:val="right"/><w:rPr><w:i/></w:rPr></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>Схема</w:t></w:r>)"
    R"(<w:r><w:rPr><w:u/></w:rPr><w:t xml:space="preserve"> 1</w:t></w:r></w:p><w:p><w:r><w:t>&amp; ещё</w:t></w:r></w:p></w:tc>)"
    R"(<w:tc><w:tbl><w:tr><w:tc><w:p><w:r><w:t>вложенная</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc></w:tr>)"
    R"(<w:tr><w:tc><w:p><w:pPr><w:rPr><w:sz w:val="18"/></w:rPr></w:pPr></w:p></w:tc></w:tr></w:tbl>)"
    R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>Период</w:t><w:tab/><w:t>x</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
    R"(<w:sectPr/></w:body></w:document>)";

Parts DocumentParts() {
  std::string picture(300, '\0');
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>(i * 7);
  return {{"[Content_Types].xml", R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)"},
          {"_rels/.rels", R"(<Relationships><Relationship Id="rId1" Type="http://x/officeDocument" Target="word/document.xml"/></Relationships>)"},
          {"word/document.xml", kBody},
          {"word/media/image1.bin", picture}};
}

// The template "Шаблон.docx" in dir, of the parts of DocumentParts with body as its main part.
std::string TemplateOfBody(const TempDir& dir, const std::string& body) {
  Parts parts = DocumentParts();
  parts[2].second = body;
  const std::string source = dir / "Шаблон.docx";
  Zip(parts, source);
  return source;
}

const std::string kMain = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// A main part as a word processor reads it, with its namespaces: whether it is well-formed with every
// prefix bound, the texts of its cells of the main namespace (paragraphs joined by "\n") and every
// element and attribute name met, as "<namespace>|<local name>".
struct NamespacedPart {
  bool sound = false;
  std::string failure;
  std::vector<std::string> cells;
  std::vector<std::string> names;
  int paragraphs = 0;  // of the cell being read
  bool inText = false;
  int touchingTables = 0;  // tables that follow another with nothing between them
  bool tableEnded = false;

  explicit NamespacedPart(const std::string& xml) {
    XML_Parser parser = XML_ParserCreateNS("UTF-8", '|');
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    sound = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
    if (!sound) failure = XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
  }
  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto& part = *static_cast<NamespacedPart*>(data);
    const std::string element = name;
    part.names.push_back(element);
    if (element == kMain + "|tbl" && part.tableEnded) ++part.touchingTables;
    part.tableEnded = false;
    for (int i = 0; atts[i] != nullptr; i += 2) part.names.push_back(atts[i]);
    if (element == kMain + "|tc") {
      part.cells.emplace_back();
      part.paragraphs = 0;
    } else if (part.cells.empty()) {
    } else if (element == kMain + "|p" && part.paragraphs++ > 0) {
      part.cells.back() += '\n';
    } else if (element == kMain + "|br") {
      part.cells.back() += '\n';
    } else if (element == kMain + "|tab") {
      part.cells.back() += '\t';
    } else if (element == kMain + "|t") {
      part.inText = true;
    }
  }
  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    auto& part = *static_cast<NamespacedPart*>(data);
    part.inText = false;
    part.tableEnded = name == kMain + "|tbl";
  }
  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto& part = *static_cast<NamespacedPart*>(data);
    if (part.inText) part.cells.back().append(text, static_cast<std::size_t>(length));
  }
  bool Has(const std::string& name) const { return std::find(names.begin(), names.end(), name) != names.end(); }
};

TEST(Docx, CellsAreReadAndRewrittenInTheirFormattingAndTheRestOfTheFileStays) {
  TempDir dir;
  const std::string source = dir / "Шаблон.docx";
  Zip(DocumentParts(), source);
  DocxDocument doc = DocxDocument::Open(source);
  ASSERT_EQ(doc.TableCount(), 2);
  EXPECT_EQ(doc.RowCount(1), 2);
  EXPECT_EQ(doc.CellCount(1, 1), 2);
  EXPECT_EQ(doc.CellCount(1, 2), 1);
  EXPECT_EQ(doc.CellText(1, 1, 1), "Схема 1\n& ещё");
  EXPECT_EQ(doc.CellText(1, 1, 2), "");  // the nested table's text belongs to it, not to the cell
  EXPECT_EQ(doc.CellText(2, 1, 1), "Период\tx");

  doc.SetCellText(1, 1, 1, "Фидер <3> & \"Юг\"");
  doc.SetCellText(1, 2, 1, "12 345\nстрока");
  doc.SetCellText(2, 1, 1, "01.03.2024 - 31.03.2024");
  EXPECT_EQ(doc.CellText(1, 1, 1), "Фидер <3> & \"Юг\"");
  const std::string target = dir / "Потери Юг.docx";
  WriteBytes(target, "old");
  doc.SaveAs(target);

  const DocxDocument back = DocxDocument::Open(target);
  EXPECT_EQ(back.CellText(1, 1, 1), "Фидер <3> & \"Юг\"");
  EXPECT_EQ(back.CellText(1, 2, 1), "12 345\nстрока");
  EXPECT_EQ(back.CellText(2, 1, 1), "01.03.2024 - 31.03.2024");
  const std::string xml = Entry(target, "word/document.xml");
  // The cell keeps its width, the paragraph's alignment and the first run's bold face; the second run
  // and paragraph are gone; the unchanged cell with its nested table is copied as it was.
  EXPECT_NE(xml.find(R"(<w:tc><w:tcPr><w:tcW w:w="2000"/></w:tcPr><w:p><w:pPr><w:jc w:val="right"/><w:rPr><w:i/></w:rPr></w:pPr>)"
                     R"(<w:r><w:rPr><w:b/></w:rPr><w:t xml:space="preserve">Фидер &lt;3&gt; &amp; "Юг"</w:t></w:r></w:p></w:tc>)"),
            std::string::npos)
      << xml;
  EXPECT_EQ(xml.find("<w:u/>"), std::string::npos);
  EXPECT_NE(xml.find(R"(<w:tc><w:tbl><w:tr><w:tc><w:p><w:r><w:t>вложенная</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc>)"),
            std::string::npos);
  // A cell without a run writes in the font of its paragraph mark.
  EXPECT_NE(xml.find(R"(<w:pPr><w:rPr><w:sz w:val="18"/></w:rPr></w:pPr><w:r><w:rPr><w:sz w:val="18"/></w:rPr>)"
                     R"(<w:t xml:space="preserve">12 345</w:t><w:br/><w:t xml:space="preserve">строка</w:t></w:r></w:p>)"),
            std::string::npos);
  EXPECT_EQ(xml.substr(0, 300), kBody.substr(0, 300));
  EXPECT_EQ(Entry(target, "word/media/image1.bin"), DocumentParts()[3].second);
  EXPECT_EQ(Entry(target, "[Content_Types].xml"), DocumentParts()[0].second);
  EXPECT_FALSE(std::filesystem::exists(target + ".~tmp"));

  // Out of range: the document and the missing place are named, nothing breaks.
  const auto refusal = [&](auto&& action) {
    try {
      action();
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  const std::string head = "В документе \"" + source + "\" ";
  EXPECT_EQ(refusal([&] { doc.CellText(3, 1, 1); }), head + "нет таблицы 3");
  EXPECT_EQ(refusal([&] { doc.SetCellText(1, 3, 1, "x"); }), head + "в таблице 1 нет строки 3");
  EXPECT_EQ(refusal([&] { doc.CellText(1, 2, 2); }), head + "в таблице 1 нет ячейки (2, 2)");
  EXPECT_EQ(refusal([&] { doc.CellText(0, 1, 1); }), head + "нет таблицы 0");
  // A template that a person gave a stamp "УТВЕРЖДАЮ" as a table before the first, saved by LibreOffice
  // (tests/data/docx): each table the statement fills is the one before it, and the missing cell says so.
  // A template whose tables the suite joined names the first it lacks before anything is filled.
  const std::string stamped = (TestDataDir() / "docx" / "loss_template_stamp_libreoffice.docx").string();
  DocxDocument statement = DocxDocument::Open(stamped);
  statement.ExpectTables(5, "ведомость потерь");
  EXPECT_EQ(statement.TableCount(), 6);
  EXPECT_EQ(statement.CellText(1, 1, 2), "УТВЕРЖДАЮ\nГлавный инженер РЭС ____________");
  EXPECT_EQ(refusal([&] { statement.SetCellText(4, 1, 3, "1825,2"); }),
            "В документе \"" + stamped + "\" в таблице 4 нет ячейки (1, 3). Таблиц в шаблоне 6, а ведомость потерь "
            "заполняет 5 по их номерам: если в шаблон добавлена таблица (например, штамп «УТВЕРЖДАЮ» перед первой), "
            "заполняемые таблицы сдвинуты. Уберите ее или наберите ее текст абзацами");
  const std::string joined = (TestDataDir() / "docx" / "loss_template_joined_libreoffice.docx").string();
  EXPECT_EQ(refusal([&] { DocxDocument::Open(joined).ExpectTables(5, "ведомость потерь"); }),
            "В шаблоне \"" + joined + "\" нет таблицы 4, которую заполняет ведомость потерь: таблиц в шаблоне 3, а "
            "нужно 5. Таблицы, между которыми нет абзаца, текстовый редактор при сохранении соединяет в одну");

  // A folder that is not there: the error names the file, no half-written file stays.
  const std::string nowhere = dir / "нет/Потери.docx";
  EXPECT_EQ(refusal([&] { doc.SaveAs(nowhere); }), "Ошибка записи файла \"" + nowhere + "\": папка не найдена");
  // A disk that fills in the middle of the document keeps the one saved before.
  const std::string saved = ReadBytes(target);
  doc.SetCellText(1, 1, 1, "другой текст");
  {
    test::FullDisk disk(saved.size() / 2);
    EXPECT_EQ(refusal([&] { doc.SaveAs(target); }), test::FullDiskMessage(target));
  }
  EXPECT_EQ(ReadBytes(target), saved);

  const std::string broken = dir / "broken.docx";
  WriteBytes(broken, "PK\x03\x04 no archive");
  EXPECT_EQ(refusal([&] { DocxDocument::Open(broken); }),
            "Ошибка чтения файла \"" + broken + "\": файл не является документом или поврежден");
  const std::string bare = dir / "bare.docx";
  Zip({{"word/other.xml", "<a/>"}}, bare);
  EXPECT_EQ(refusal([&] { DocxDocument::Open(bare); }),
            "Ошибка чтения файла \"" + bare + "\": в файле нет текста документа (\"word/document.xml\")");
  EXPECT_EQ(refusal([&] { DocxDocument::Open(dir / "missing.docx"); }),
            "Ошибка чтения файла \"" + (dir / "missing.docx") + "\": файл не найден или недоступен");

  // A document type is refused where it is declared, in the text or in the package's relationships,
  // before an entity of it grows a cell's text; character references are text as usual.
  const std::string typed = dir / "typed.docx";
  Parts parts = DocumentParts();
  const std::string entityCell = "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>&e;&#1070;г</w:t></w:r></w:p></w:tc></w:tr></w:tbl>";
  parts[2].second = R"(<?xml version="1.0"?><!DOCTYPE w:document [<!ENTITY e "ТП">]><w:document><w:body>)" +
                    entityCell + "</w:body></w:document>";
  Zip(parts, typed);
  EXPECT_EQ(refusal([&] { DocxDocument::Open(typed); }),
            "Ошибка чтения файла \"" + typed + "\": файл поврежден (в части \"word/document.xml\" объявлен тип документа)");
  parts[2].second = "<w:document xmlns:w=\"w\"><w:body>" + entityCell.substr(0, entityCell.find("&e;")) + "ТП" +
                    entityCell.substr(entityCell.find("&#")) + "</w:body></w:document>";
  Zip(parts, typed);
  EXPECT_EQ(DocxDocument::Open(typed).CellText(1, 1, 1), "ТПЮг");
  // a document type that declares nothing is refused all the same, in either part
  const std::string text = parts[2].second;
  parts[2].second = "<!DOCTYPE w:document>" + text;
  Zip(parts, typed);
  EXPECT_EQ(refusal([&] { DocxDocument::Open(typed); }),
            "Ошибка чтения файла \"" + typed + "\": файл поврежден (в части \"word/document.xml\" объявлен тип документа)");
  parts[2].second = text;
  parts[1].second = "<!DOCTYPE Relationships>" + parts[1].second;
  Zip(parts, typed);
  EXPECT_EQ(refusal([&] { DocxDocument::Open(typed); }),
            "Ошибка чтения файла \"" + typed + "\": файл поврежден (в части \"_rels/.rels\" объявлен тип документа)");
}

// Cells written with the main namespace declared on themselves, under another prefix, or with
// declarations of their own or of the elements a new text leaves out: the saved document is well-formed
// for a reader of namespaces, every prefix it uses is bound to what it was bound to, and the new texts
// stand in cells of the main namespace. Elements of other namespaces named as the document's own (a
// drawing's table, an equation's text) are no part of its tables.
TEST(Docx, CellsAreWrittenWithTheNamespacesTheyWereWrittenIn) {
  TempDir dir;
  const std::string ext = "urn:district:mark";
  const std::string body =
      R"(<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w=")" + kMain + R"("><w:body>)"
      // a drawing's table before the document's first, its rows and cells named as the document's
      R"(<w:p><w:r><w:drawing><a:graphic xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:graphicData>)"
      R"(<a:tbl><a:tr><a:tc><a:txBody><a:p><a:r><a:t>рисунок</a:t></a:r></a:p></a:txBody></a:tc></a:tr></a:tbl>)"
      R"(</a:graphicData></a:graphic></w:drawing></w:r></w:p><w:tbl><w:tr>)"
      // the main namespace as the cell's default, its paragraph written with the document's prefix
      R"(<tc xmlns=")" + kMain + R"("><tcPr><w:tcW w:w="2000"/></tcPr><w:p><w:r><w:rPr><b/></w:rPr><t>Схема</t></w:r></w:p></tc>)"
      // another prefix for the main namespace, on the cell alone
      R"(<x:tc xmlns:x=")" + kMain + R"("><x:p><x:pPr><x:jc x:val="center"/></x:pPr><x:r><x:t>Фидер</x:t></x:r></x:p></x:tc>)"
      // a prefix declared on the cell, used in its properties and on its paragraph; an equation after the
      // paragraph's text, its run and text named as the document's
      R"(<w:tc xmlns:e=")" + ext + R"("><w:tcPr><e:mark e:v="1"/></w:tcPr><w:p e:id="7"><w:r><w:t>Период</w:t></w:r>)"
      R"(<m:oMath xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math"><m:r><m:t>x</m:t></m:r></m:oMath></w:p></w:tc>)"
      R"(</w:tr><w:tr>)"
      // a prefix declared on the run, used in its properties; another on the paragraph's properties, used
      // in its mark's; another on a content control around the paragraph, used on the paragraph
      R"(<w:tc><w:p><w:r xmlns:q="urn:q"><w:rPr><q:font q:name="a"/></w:rPr><w:t>ТП</w:t></w:r></w:p></w:tc>)"
      R"(<w:tc><w:p><w:pPr xmlns:m="urn:m"><w:rPr><m:size m:v="9"/></w:rPr></w:pPr></w:p></w:tc>)"
      R"(<w:tc><w:sdt xmlns:s="urn:s"><w:sdtContent><w:p s:id="3"><w:r><w:t>Л-1</w:t></w:r></w:p></w:sdtContent></w:sdt></w:tc>)"
      // one prefix declared on both elements between the cell and its paragraph: the inner binds it
      R"(<w:tc><w:sdt xmlns:s="urn:s"><w:sdtContent xmlns:s="urn:s2"><w:p s:id="4"><w:r><w:t>Л-3</w:t></w:r></w:p>)"
      R"(</w:sdtContent></w:sdt></w:tc>)"
      R"(</w:tr><w:tr>)"
      // the last row, model of the added ones: a cell of the default namespace with no paragraph, an
      // empty cell that declares its prefix
      R"(<tc xmlns=")" + kMain + R"("/><y:tc xmlns:y=")" + kMain + R"("/>)"
      R"(</w:tr></w:tbl></w:body></w:document>)";
  ASSERT_TRUE(NamespacedPart(body).sound);
  DocxDocument doc = DocxDocument::Open(TemplateOfBody(dir, body));
  ASSERT_EQ(doc.TableCount(), 1);
  ASSERT_EQ(doc.RowCount(1), 3);
  EXPECT_EQ((std::vector<std::string>{doc.CellText(1, 1, 1), doc.CellText(1, 1, 2), doc.CellText(1, 1, 3),
                                      doc.CellText(1, 2, 1), doc.CellText(1, 2, 3), doc.CellText(1, 2, 4)}),
            (std::vector<std::string>{"Схема", "Фидер", "Период", "ТП", "Л-1", "Л-3"}));
  const std::vector<std::string> texts = {"Юг <1>", "Ф-2\nзапад", "01.11.2026 - 30.11.2026", "ТП-7", "без\tпрогона",
                                          "Л-2", "Л-4", "a", "b", "c", "d"};
  const std::vector<std::pair<int, int>> cells = {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3},
                                                  {2, 4}, {3, 1}, {3, 2}, {4, 1}, {4, 2}};
  doc.AddRow(1);
  for (std::size_t i = 0; i < texts.size(); ++i) doc.SetCellText(1, cells[i].first, cells[i].second, texts[i]);
  const std::string target = dir / "Потери.docx";
  doc.SaveAs(target);

  const std::string xml = Entry(target, "word/document.xml");
  const NamespacedPart saved(xml);
  ASSERT_TRUE(saved.sound) << saved.failure << "\n" << xml;
  EXPECT_EQ(saved.cells, texts) << xml;
  // What the properties and the paragraphs carried keeps its namespace, and so does the formatting.
  for (const std::string& name : {ext + "|mark", ext + "|v", ext + "|id", std::string("urn:q|font"),
                                  std::string("urn:q|name"), std::string("urn:m|size"), std::string("urn:s|id"),
                                  std::string("urn:s2|id"),
                                  kMain + "|b", kMain + "|jc", kMain + "|tcW"})
    EXPECT_TRUE(saved.Has(name)) << name << "\n" << xml;
  EXPECT_NE(xml.find(R"(<tc xmlns=")" + kMain + R"("><tcPr><w:tcW w:w="2000"/></tcPr><w:p><w:r><w:rPr><b/></w:rPr>)"
                     R"(<w:t xml:space="preserve">Юг &lt;1&gt;</w:t></w:r></w:p></tc>)"),
            std::string::npos)
      << xml;

  const DocxDocument back = DocxDocument::Open(target);
  ASSERT_EQ(back.RowCount(1), 4);
  for (std::size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(back.CellText(1, cells[i].first, cells[i].second), texts[i]) << i;
}

// A start tag and a comment that span many of the pieces the parser is handed: the parser is called less
// often while such a token lasts, and every cell must still be found and written back where it stands.
TEST(Docx, TokensSpanningManyPiecesLeaveTheCellsWhereTheyStand) {
  TempDir dir;
  const std::string note(300000, 'n');
  const std::string body =
      R"(<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w=")" + kMain + R"("><w:body><!--)" + note +
      R"(--><w:tbl><w:tr><w:tc><w:p w:note=")" + note + R"("><w:r><w:t>Схема</w:t></w:r></w:p></w:tc>)"
      R"(<w:tc><w:p><w:r><w:t>Фидер</w:t></w:r></w:p></w:tc></w:tr></w:tbl></w:body></w:document>)";
  DocxDocument doc = DocxDocument::Open(TemplateOfBody(dir, body));
  ASSERT_EQ(doc.TableCount(), 1);
  EXPECT_EQ(doc.CellText(1, 1, 1), "Схема");
  EXPECT_EQ(doc.CellText(1, 1, 2), "Фидер");
  doc.SetCellText(1, 1, 1, "Юг");
  doc.SetCellText(1, 1, 2, "Ф-2");
  const std::string target = dir / "Потери.docx";
  doc.SaveAs(target);
  const std::string xml = Entry(target, "word/document.xml");
  const NamespacedPart saved(xml);
  ASSERT_TRUE(saved.sound) << saved.failure;
  EXPECT_EQ(saved.cells, (std::vector<std::string>{"Юг", "Ф-2"}));
  EXPECT_NE(xml.find("<!--" + note + "-->"), std::string::npos);
  EXPECT_NE(xml.find("w:note=\"" + note + "\""), std::string::npos);
}

// The templates the program ships keep a paragraph between any two of their tables: an office suite that
// opens and saves a template joins tables that touch into one, and the statements fill tables by number.
TEST(Docx, ShippedTemplatesKeepAParagraphBetweenTheirTables) {
  for (const auto& [name, tables] : {std::pair<std::string, int>{"Потери.docx", 5}, {"ЭЭРМ.docx", 1}}) {
    const std::string path = (DataDir() / name).string();
    EXPECT_EQ(DocxDocument::Open(path).TableCount(), tables) << name;
    const NamespacedPart part(Entry(path, "word/document.xml"));
    EXPECT_TRUE(part.sound) << name;
    EXPECT_EQ(part.touchingTables, 0) << name;
  }
}

TEST(Docx, DamagedDocumentsAreRefusedWithTheirName) {
  TempDir dir;
  const std::string path = dir / "Потери.docx";
  Zip(DocumentParts(), dir / "valid.docx");
  const std::string valid = ReadBytes(dir / "valid.docx");
  std::mt19937 random(20240331);
  const std::string prefix = "Ошибка чтения файла \"" + path + "\": ";
  constexpr int kRounds = 800;
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      WriteBytes(path, Mutate(valid, random));
    } else {
      // Damage inside the document's text, past the package's own checks.
      Parts damaged = DocumentParts();
      damaged[2].second = Mutate(damaged[2].second, random);
      Zip(damaged, path);
    }
    try {
      DocxDocument doc = DocxDocument::Open(path);
      for (int t = 1; t <= doc.TableCount(); ++t)
        for (int r = 1; r <= doc.RowCount(t); ++r)
          for (int c = 1; c <= doc.CellCount(t, r); ++c) doc.SetCellText(t, r, c, doc.CellText(t, r, c) + "1");
      doc.SaveAs(dir / "out.docx");
    } catch (const Error& e) {
      ++refused;
      const std::string text = e.what();
      ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
      ASSERT_GT(text.size(), prefix.size());
    }
  }
  EXPECT_GT(refused, kRounds / 10);
  EXPECT_LT(refused, kRounds);

  // New texts are written as UTF-8 bytes: a main part in UTF-16 (with its byte-order mark, either
  // order, or without one; with a declaration of its encoding or without one, as the mark alone names
  // it) or declaring Windows-1251, a UTF-8 byte-order mark before it or not, is refused before a cell of
  // it is read.
  const auto refusal = [&](const std::string& mainPart) {
    Parts parts = DocumentParts();
    parts[2].second = mainPart;
    Zip(parts, path);
    try {
      DocxDocument::Open(path);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  const std::string cell = "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>TP-41</w:t></w:r></w:p></w:tc></w:tr></w:tbl>";
  const std::string document = "<w:document xmlns:w=\"" + kMain + "\"><w:body>" + cell + "</w:body></w:document>";
  const auto utf16 = [](const std::string& ascii, bool bigEndian) {
    std::string bytes;
    for (const char c : ascii) bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
  };
  const std::string declared16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + document;
  const std::string notUtf8 = prefix + "документ записан не в кодировке UTF-8";
  EXPECT_EQ(refusal("\xFF\xFE" + utf16(declared16, false)), notUtf8);
  EXPECT_EQ(refusal("\xFE\xFF" + utf16(declared16, true)), notUtf8);
  EXPECT_EQ(refusal(utf16(document, false)), notUtf8);
  EXPECT_EQ(refusal("\xFF\xFE" + utf16(document, false)), notUtf8);
  EXPECT_EQ(refusal("\xFE\xFF" + utf16(document, true)), notUtf8);
  const std::string cyrillic = Utf8ToCp1251(kBody.substr(kBody.find("<w:document")));
  for (const std::string name : {"windows-1251", "cp1251", "x-cp1251", "WINDOWS-1251"})
    for (const std::string bom : {"", "\xEF\xBB\xBF"})
      EXPECT_EQ(refusal(bom + "<?xml version=\"1.0\" encoding=\"" + name + "\"?>" + cyrillic), notUtf8) << name << bom.size();
  EXPECT_EQ(refusal("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + document), "opened");
  // A prefix that no declaration binds is no document a word processor opens, nor one to write again.
  EXPECT_EQ(refusal("<w:document><w:body>" + cell + "</w:body></w:document>"),
            prefix + "файл поврежден (часть \"word/document.xml\")");
  EXPECT_EQ(refusal("<w:document xmlns:w=\"" + kMain + "\"><w:body><w:tbl><w:tr><w:tc><w:tcPr><e:mark/></w:tcPr>" +
                    "</w:tc></w:tr></w:tbl></w:body></w:document>"),
            prefix + "файл поврежден (часть \"word/document.xml\")");

  // The main document comes once and from inside the package: of two, either would be a guess (the
  // one whose Id sorts first used to be taken), and an external target is no part of the file.
  const auto withRelationships = [&](const std::string& rels) {
    Parts parts = DocumentParts();
    parts[1].second = "<Relationships>" + rels + "</Relationships>";
    parts.push_back({"word/other.xml", document});
    Zip(parts, path);
    try {
      DocxDocument doc = DocxDocument::Open(path);
      return doc.CellText(1, 1, 1);
    } catch (const Error& e) {
      return std::string(e.what());
    }
  };
  const std::string mainRel = R"(Type="http://x/officeDocument" Target=")";
  EXPECT_EQ(withRelationships(R"(<Relationship Id="rId2" )" + mainRel + R"(word/document.xml"/>)" +
                              R"(<Relationship Id="rId10" )" + mainRel + R"(word/other.xml"/>)"),
            prefix + "файл поврежден (часть \"_rels/.rels\": две связи \"officeDocument\": \"rId10\" и \"rId2\")");
  EXPECT_EQ(withRelationships(R"(<Relationship Id="rId1" TargetMode="External" )" + mainRel + R"(word/other.xml"/>)"),
            prefix + "файл поврежден (часть \"_rels/.rels\": связь \"rId1\" ведет за пределы файла (\"word/other.xml\"))");
  EXPECT_EQ(withRelationships(R"(<Relationship Id="rId1" )" + mainRel + R"(word/other.xml"/>)"), "TP-41");

  // A small file whose one row holds a million empty cells, or 200,000 (each cell kept costs its place
  // in its row as well as its element): what the document's tables would take is bounded by the file's
  // size, and the file is refused before it is taken.
  for (const std::uint64_t count : {1000000u, 200000u}) {
    const ZipStream cells{R"(<w:document xmlns:w="w"><w:body><w:tbl><w:tr>)",
                          kTrueSize,
                          {{"<w:tc/>", count}, {"</w:tr></w:tbl></w:body></w:document>", 1}}};
    WriteBytes(path, BuildZip({cells}, {{"word/document.xml", 0}}));
    try {
      DocxDocument::Open(path);
      ADD_FAILURE() << count << " cells taken from a file of " << std::filesystem::file_size(path) << " bytes";
    } catch (const Error& e) {
      const std::string text = e.what(), why = " МБ (предел: 32 МБ и 200 байт на каждый байт файла размером " +
                                                  std::to_string(std::filesystem::file_size(path)) + " байт)";
      EXPECT_EQ(text.rfind(prefix + "таблицы документа занимают в памяти больше ", 0), 0u) << text;
      EXPECT_EQ(text.substr(text.size() - std::min(text.size(), why.size())), why) << text;
    }
  }
}

// Rows and cells where no word processor puts them: the document is refused when it is opened, with its
// name and the table, so no save can write a cell over its neighbours.
TEST(Docx, TablesOfAStructureNotUnderstoodAreRefusedWithTheirName) {
  TempDir dir;
  const std::string path = dir / "Потери.docx";
  const std::string head = R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)";
  const std::string cell = "<w:tc><w:p><w:r><w:t>a</w:t></w:r></w:p></w:tc>";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<w:tbl><w:tr><w:tc><w:tr>" + cell + "</w:tr></w:tc>" + cell + "</w:tr></w:tbl>",
       "таблица 1 устроена так, что ее не заполнить: строка находится в элементе \"tc\", а не в таблице"},
      {"<w:tbl><w:tr>" + cell + "</w:tr></w:tbl><w:tbl>" + cell + "</w:tbl>",
       "таблица 2 устроена так, что ее не заполнить: ячейка находится в элементе \"tbl\", а не в строке"},
      {"<w:tbl><w:sdt><w:sdtContent><w:tr>" + cell + "</w:tr></w:sdtContent></w:sdt></w:tbl>",
       "таблица 1 устроена так, что ее не заполнить: строка находится в элементе \"sdtContent\", а не в таблице"},
  };
  for (const auto& [body, reason] : cases) {
    Parts parts = DocumentParts();
    parts[2].second = head + body + "</w:body></w:document>";
    Zip(parts, path);
    const std::string expected = "Ошибка чтения файла \"" + path + "\": " + reason;
    try {
      DocxDocument::Open(path);
      ADD_FAILURE() << expected;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), expected);
    }
  }
}

// Whatever damage a document's text has, a save that reports success has written a document that
// opens again with the new texts in the same cells.
TEST(Docx, EverySaveThatSucceedsOpensAgain) {
  TempDir dir;
  const std::string path = dir / "Потери.docx";
  const std::string out = dir / "out.docx";
  std::mt19937 random(20261207);
  int saved = 0;
  for (int round = 0; round < 600; ++round) {
    Parts damaged = DocumentParts();
    damaged[2].second = Mutate(damaged[2].second, random);
    Zip(damaged, path);
    std::filesystem::remove(out);
    std::vector<std::vector<std::vector<std::string>>> texts;
    try {
      DocxDocument doc = DocxDocument::Open(path);
      for (int t = 1; t <= doc.TableCount(); ++t) {
        texts.emplace_back();
        for (int r = 1; r <= doc.RowCount(t); ++r) {
          texts.back().emplace_back();
          for (int c = 1; c <= doc.CellCount(t, r); ++c) {
            texts.back().back().push_back("№" + std::to_string(t) + "." + std::to_string(r) + "." + std::to_string(c));
            doc.SetCellText(t, r, c, texts.back().back().back());
          }
        }
      }
      doc.SaveAs(out);
    } catch (const Error&) {
      EXPECT_FALSE(std::filesystem::exists(out)) << round;
      continue;
    }
    ++saved;
    const NamespacedPart written(Entry(out, "word/document.xml"));
    EXPECT_TRUE(written.sound) << round << ": " << written.failure;
    const DocxDocument again = DocxDocument::Open(out);
    ASSERT_EQ(again.TableCount(), static_cast<int>(texts.size())) << round;
    for (int t = 1; t <= again.TableCount(); ++t) {
      ASSERT_EQ(again.RowCount(t), static_cast<int>(texts[t - 1].size())) << round;
      for (int r = 1; r <= again.RowCount(t); ++r) {
        ASSERT_EQ(again.CellCount(t, r), static_cast<int>(texts[t - 1][r - 1].size())) << round;
        for (int c = 1; c <= again.CellCount(t, r); ++c)
          EXPECT_EQ(again.CellText(t, r, c), texts[t - 1][r - 1][c - 1]) << round;
      }
    }
  }
  EXPECT_GT(saved, 0);  // most damage breaks the XML itself
}

}  // namespace
}  // namespace ld::test
