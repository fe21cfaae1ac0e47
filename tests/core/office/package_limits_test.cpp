// Packages of a few kilobytes that stand for hundreds of megabytes: each is refused by the limit it
// breaks, naming the file, before the bytes are made; a sound package near the limits is read.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/office/docx.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/zip_part.h"
#include "support/test_env.h"
#include "support/xls_builder.h"
#include "support/zip_builder.h"

namespace ld::test {
namespace {

const std::string kRootRels =
    R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)";

// Blank space that a sheet may hold between its elements: it packs a thousandfold and costs the
// parser next to nothing.
std::string BlankSheet(std::size_t bytes) { return "<worksheet>" + std::string(bytes, ' ') + "</worksheet>"; }

// A sheet of `rows` rows of ten number cells, the same in every row: it packs a few hundredfold.
std::string SheetXml(int rows) {
  std::string row = "<row>";
  for (int c = 0; c < 10; ++c) row += "<c><v>1</v></c>";
  row += "</row>";
  std::string xml = "<worksheet><sheetData>";
  xml.reserve(xml.size() + row.size() * static_cast<std::size_t>(rows) + 40);
  for (int r = 0; r < rows; ++r) xml += row;
  return xml + "</sheetData></worksheet>";
}

// A workbook of `sheets` sheets; the relationships name sheet parts 1..parts, sheet i taking part
// (i - 1) % parts + 1.
std::string WorkbookXml(int sheets, int parts) {
  std::string book = R"(<workbook xmlns:r="r"><sheets>)";
  for (int i = 1; i <= sheets; ++i)
    book += "<sheet name=\"Л" + std::to_string(i) + "\" r:id=\"rId" + std::to_string((i - 1) % parts + 1) + "\"/>";
  book += "</sheets></workbook>";
  return book;
}

std::string Rels(int parts) {
  std::string rels = "<Relationships>";
  for (int i = 1; i <= parts; ++i)
    rels += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"x/worksheet\" Target=\"worksheets/sheet" +
            std::to_string(i) + ".xml\"/>";
  return rels + "</Relationships>";
}

std::string ErrorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(PackageLimits, BombsAreRefusedByTheLimitTheyBreak) {
  TempDir dir;
  const std::string path = dir / "бомба.xlsx";
  const std::string prefix = "Ошибка чтения файла \"" + path + "\": ";
  const std::string total = "(предел распакованного объёма: 16 МБ и 100 байт на каждый байт файла размером ";
  const auto byTotal = [&](const std::string& error) {
    return error.rfind(prefix + "распакованные части вместе больше ", 0) == 0 && error.find(total) != std::string::npos;
  };

  // Two thousand sheets naming one part of 480 KB: each read of it counts.
  WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(2000, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/worksheets/sheet1.xml", BlankSheet(480 << 10)}}));
  std::string error = ErrorOf([&] { ReadWorkbook(path); });
  EXPECT_TRUE(byTotal(error)) << error;

  // Thirty sheet parts that are one compressed stream of 4.8 MB.
  {
    std::vector<ZipEntry> entries = {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2}};
    for (int i = 1; i <= 30; ++i) entries.push_back({"xl/worksheets/sheet" + std::to_string(i) + ".xml", 3});
    WriteBytes(path, BuildZip({{kRootRels}, {WorkbookXml(30, 30)}, {Rels(30)}, {BlankSheet(4800 << 10)}}, entries));
  }
  error = ErrorOf([&] { ReadWorkbook(path); });
  EXPECT_TRUE(byTotal(error)) << error;

  // One sheet of 32 MB of cells.
  WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(1, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/worksheets/sheet1.xml", SheetXml(200000)}}));
  error = ErrorOf([&] { ReadWorkbook(path); });
  EXPECT_TRUE(byTotal(error)) << error;

  // A document part of 129 MB is more than any one part may be, whatever the file's size.
  const std::string docx = dir / "бомба.docx";
  WriteBytes(docx, BuildZip({{"word/document.xml", BlankSheet(129u << 20)}}));
  error = ErrorOf([&] { DocxDocument::Open(docx); });
  EXPECT_EQ(error, "Ошибка чтения файла \"" + docx +
                       "\": часть \"word/document.xml\" в распакованном виде больше 128 МБ (предел одной части)");

  // A part read as a stream (a sheet, a table of texts) is bounded by what all parts together may
  // unpack to, not by the size of one part: 3 GB of sheet from a file of 40 MB passes, the 129th MB of a
  // part held whole does not, and the file's 100 bytes a byte stop the sheet at 4016 MB.
  const std::string sheet = "xl/worksheets/sheet1.xml";
  office::TUnpackBudget budget(path, 40u << 20, std::uint64_t{64} << 30);
  EXPECT_EQ(ErrorOf([&] { budget.Take(sheet, 0, std::uint64_t{3000} << 20, false); }), "<no error>");
  EXPECT_EQ(ErrorOf([&] { budget.Take(sheet, 128u << 20, 1u << 20, true); }),
            prefix + "часть \"" + sheet + "\" в распакованном виде больше 128 МБ (предел одной части)");
  EXPECT_EQ(ErrorOf([&] { budget.Take(sheet, 0, std::uint64_t{1017} << 20, false); }),
            prefix + "распакованные части вместе больше 4016 МБ " + total + "41943040 байт)");
  EXPECT_EQ(ErrorOf([&] { budget.Check(sheet, std::uint64_t{1017} << 20, false); }),
            prefix + "распакованные части вместе больше 4016 МБ " + total + "41943040 байт)");
  // and never more than the machine's memory: a file of 1 GB on a machine of 2 GB
  office::TUnpackBudget memory(path, 1u << 30, std::uint64_t{2} << 30);
  EXPECT_EQ(ErrorOf([&] { memory.Take(sheet, 0, (std::uint64_t{2} << 30) + 1, false); }),
            prefix + "распакованные части вместе больше 2048 МБ (предел распакованного объёма: память компьютера)");
  EXPECT_EQ(ErrorOf([&] { memory.Take(sheet, 0, std::uint64_t{2} << 30, false); }), "<no error>");

  // A sheet is read as a stream, so it may be larger than a part held whole: beside a picture that packs
  // not at all, a file of 1.5 MB may unpack to 166 MB, and its sheet of 129 MB reads.
  std::string picture(1536u << 10, '\0');
  std::mt19937 random(7);
  for (char& c : picture) c = static_cast<char>(random());
  WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(1, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/media/image1.png", picture},
                             {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c><v>7</v></c></row>" +
                                                              std::string(129u << 20, ' ') + "</sheetData></worksheet>"}}));
  picture.clear();
  EXPECT_EQ(ReadWorkbook(path).sheets.at(0).CellText(1, 1), "7");

  // Headers that declare a few kilobytes for a part of 12 MB, which a file of a few kilobytes could
  // unpack to whole: every reader stops the part where it passes its declared size, a sheet streamed
  // (whole workbook or first sheet alone), a part read whole (the formats) and a document's part.
  const std::string cell = "<worksheet><sheetData><row><c><v>7</v></c></row>";
  const auto lyingBook = [&](ZipStream sheet, ZipStream styles) {
    return BuildZip({{kRootRels}, {WorkbookXml(1, 1)},
                     {"<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                      "<Relationship Id=\"rId2\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>"},
                     std::move(sheet), std::move(styles)},
                    {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2},
                     {"xl/worksheets/sheet1.xml", 3}, {"xl/styles.xml", 4}});
  };
  const ZipStream sheetLie{cell, 4096, {{" ", 12u << 20}, {"</sheetData></worksheet>", 1}}};
  const ZipStream stylesLie{"<styleSheet>", 100, {{" ", 12u << 20}, {"</styleSheet>", 1}}};
  const ZipStream sheetTrue{cell + "</sheetData></worksheet>"}, stylesTrue{"<styleSheet/>"};
  const auto lie = [&](const std::string& file, const std::string& part, std::uint32_t declared) {
    return "Ошибка чтения файла \"" + file + "\": часть \"" + part +
           "\" в распакованном виде больше указанного в файле размера (" + std::to_string(declared) + " байт)";
  };
  WriteBytes(path, lyingBook(sheetTrue, stylesTrue));
  ASSERT_EQ(ReadWorkbook(path).sheets.at(0).CellText(1, 1), "7");
  WriteBytes(path, lyingBook(sheetLie, stylesTrue));
  EXPECT_LT(ReadBytes(path).size(), 40u << 10);
  EXPECT_EQ(ErrorOf([&] { ReadWorkbook(path); }), lie(path, "xl/worksheets/sheet1.xml", 4096));
  EXPECT_EQ(ErrorOf([&] { TSheetReader().Open(path); }), lie(path, "xl/worksheets/sheet1.xml", 4096));
  WriteBytes(path, lyingBook(sheetTrue, stylesLie));
  EXPECT_EQ(ErrorOf([&] { ReadWorkbook(path); }), lie(path, "xl/styles.xml", 100));
  EXPECT_EQ(ErrorOf([&] { TSheetReader().Open(path); }), lie(path, "xl/styles.xml", 100));
  WriteBytes(docx, BuildZip({{"<w:document><w:body>", 2000, {{" ", 12u << 20}, {"</w:body></w:document>", 1}}}},
                            {{"word/document.xml", 0}}));
  EXPECT_EQ(ErrorOf([&] { DocxDocument::Open(docx); }), lie(docx, "word/document.xml", 2000));
  // and a sound part is read to its end, not one byte less: the declared size is no limit of its own
  office::TUnpackBudget exact(path, 1u << 20);
  EXPECT_EQ(ErrorOf([&] { exact.Take(sheet, 4000, 96, false, 4096); }), "<no error>");
  EXPECT_EQ(ErrorOf([&] { exact.Take(sheet, 4096, 1, false, 4096); }), lie(path, sheet, 4096));

  // A whole workbook's cells may take no more memory than 32 MB and 200 bytes a byte of the file: forty
  // cells naming one text of 1 MB are 40 MB from a file of two kilobytes. The first sheet alone keeps
  // the text once and reads it.
  const std::string sharedRels =
      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
  WriteBytes(path, BuildZip({{kRootRels},
                             {WorkbookXml(1, 1)},
                             {sharedRels},
                             {"<worksheet><sheetData><row>",
                              kTrueSize,
                              {{"<c t=\"s\"><v>0</v></c>", 40}, {"</row></sheetData></worksheet>", 1}}},
                             {"<sst><si><t>", kTrueSize, {{"a", 1u << 20}, {"</t></si></sst>", 1}}}},
                            {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2},
                             {"xl/worksheets/sheet1.xml", 3}, {"xl/strings.xml", 4}}));
  const std::uint64_t size = ReadBytes(path).size();
  ASSERT_LT(size, 4096u);
  EXPECT_EQ(ErrorOf([&] { ReadWorkbook(path); }),
            prefix + "ячейки книги занимают в памяти больше 33 МБ (предел: 32 МБ и 200 байт на каждый байт " +
                "файла размером " + std::to_string(size) + " байт)");
  {
    TSheetReader reader;
    reader.Open(path);
    EXPECT_EQ(office::TRawCells(reader).Cell(1, 40), std::string(1u << 20, 'a'));
  }

  // One number format of 4 MB (spreadsheet programs keep a code to 255 characters) that 5,000 cell formats
  // and 10,000 cells name, in a file of a few kilobytes: refused naming the file and the format by both
  // readers, before the code is copied for each cell format, compared for each cell or rendered for each
  // value. A legacy book's code of 256 characters alike; one of 255 characters is read.
  const std::string styledRels =
      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";
  const auto styledBook = [&](std::uint32_t zeros) {
    return BuildZip({{kRootRels},
                     {WorkbookXml(1, 1)},
                     {styledRels},
                     {"<worksheet><sheetData><row>",
                      kTrueSize,
                      {{"<c s=\"1\"><v>7</v></c>", 10000}, {"</row></sheetData></worksheet>", 1}}},
                     {"<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"",
                      kTrueSize,
                      {{"0", zeros}, {"\"/></numFmts><cellXfs><xf/>", 1}, {"<xf numFmtId=\"164\"/>", 5000},
                       {"</cellXfs></styleSheet>", 1}}}},
                    {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2},
                     {"xl/worksheets/sheet1.xml", 3}, {"xl/styles.xml", 4}});
  };
  const std::string tooLong = "формат чисел 164 длиннее 255 символов, а табличные программы не пишут таких";
  WriteBytes(path, styledBook(4u << 20));
  ASSERT_LT(ReadBytes(path).size(), 64u << 10);
  const std::string styledRefusal = prefix + "файл поврежден (часть \"xl/styles.xml\": " + tooLong + ")";
  EXPECT_EQ(ErrorOf([&] { ReadWorkbook(path); }), styledRefusal);
  EXPECT_EQ(ErrorOf([&] { TSheetReader().Open(path); }), styledRefusal);
  WriteBytes(path, styledBook(255));
  {
    TSheetReader reader;
    reader.Open(path);
    EXPECT_EQ(*reader.Value(1, 10000).Name(), std::string(252, '0') + "007");
  }
  const std::string legacy = dir / "формат.xls";
  for (const std::size_t length : {255u, 256u}) {
    std::string body = XlsLittle(164, 2) + XlsLittle(length, 2) + XlsLittle(0, 1) + std::string(length, '0');
    WriteBytes(legacy, XlsContainer(XlsRecord(0x0809, XlsLittle(0x0600, 2) + XlsLittle(5, 2) + XlsLittle(0, 8)) +
                                    XlsRecord(0x041E, body) + XlsRecord(0x000A, "")));
    EXPECT_EQ(ErrorOf([&] { TSheetReader().Open(legacy); }),
              "Ошибка чтения файла \"" + legacy + "\": " + (length == 255 ? "в книге нет листов" : tooLong));
  }

  // Within the limits a sheet of 20,000 rows reads whole.
  WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(1, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/worksheets/sheet1.xml", SheetXml(20000)}}));
  const ld::Workbook book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  EXPECT_EQ(book.sheets[0].Cells().size(), 200000u);
}

// A document type is refused wherever a part declares it, before any entity of it is expanded, by every
// reader; the parse's work is bounded by the file's size, empty cells, rows and sheets included.
TEST(PackageLimits, DocumentTypesAreRefusedAndParseWorkIsBoundedByTheFileSize) {
  TempDir dir;
  const std::string path = dir / "сущности.xlsx";
  const std::string prefix = "Ошибка чтения файла \"" + path + "\": ";
  const std::string doctype = R"(<?xml version="1.0"?><!DOCTYPE x [<!ENTITY a "ТП-1"><!ENTITY b "&a;&a;&a;">]>)";
  const std::string sharedRels =
      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
  const std::string sheet = R"(<worksheet><sheetData><row><c t="s"><v>0</v></c><c t="inlineStr"><is><t>&amp;&#1070;</t></is></c></row></sheetData></worksheet>)";
  const std::string strings = "<sst><si><t>&#1058;&lt;1&gt;</t></si></sst>";
  const auto write = [&](const std::string& rootRels, const std::string& book, const std::string& sheetXml,
                         const std::string& stringsXml) {
    WriteBytes(path, BuildZip({{"_rels/.rels", rootRels},
                               {"xl/workbook.xml", book},
                               {"xl/_rels/workbook.xml.rels", sharedRels},
                               {"xl/worksheets/sheet1.xml", sheetXml},
                               {"xl/strings.xml", stringsXml}}));
  };
  // predefined entities and character references are text as ever
  write(kRootRels, WorkbookXml(1, 1), sheet, strings);
  const Workbook sound = ReadWorkbook(path);
  EXPECT_EQ(sound.sheets.at(0).CellText(1, 1), "Т<1>");
  EXPECT_EQ(sound.sheets.at(0).CellText(1, 2), "&Ю");
  const auto typed = [&](const std::string& part) { return prefix + "файл поврежден (в части \"" + part + "\" объявлен тип документа)"; };
  const auto both = [&] {
    return std::vector<std::string>{ErrorOf([&] { ReadWorkbook(path); }), ErrorOf([&] { TSheetReader().Open(path); })};
  };
  write(kRootRels, WorkbookXml(1, 1), sheet, doctype + "<sst><si><t>&b;</t></si></sst>");
  EXPECT_EQ(both(), std::vector<std::string>(2, typed("xl/strings.xml")));
  write(kRootRels, WorkbookXml(1, 1), doctype + "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>&b;</t></is></c></row></sheetData></worksheet>", strings);
  EXPECT_EQ(both(), std::vector<std::string>(2, typed("xl/worksheets/sheet1.xml")));
  write(kRootRels, doctype + WorkbookXml(1, 1), sheet, strings);
  EXPECT_EQ(ErrorOf([&] { ReadSheetNames(path); }), typed("xl/workbook.xml"));
  // a document type that declares nothing is refused all the same
  write("<!DOCTYPE Relationships>" + kRootRels, WorkbookXml(1, 1), sheet, strings);
  EXPECT_EQ(ErrorOf([&] { ReadSheetNames(path); }), typed("_rels/.rels"));

  // 1,400,000 empty cells, or as many empty rows or elements the reader has no use for, from a file of some
  // thirty kilobytes (one short row, one row or one element over and over, which no limit of the sheet's
  // size stops): each read stops at a million elements and five for each byte of the file. A book of
  // 12,000 sheets costs as much. (The same cell or row again is refused at once, as the second of one place.)
  const auto bound = [&](std::uint64_t size) {
    return prefix + "элементов в частях книги больше " + std::to_string(1048576 + 5 * size) +
           " (предел: 1048576 и 5 на каждый байт файла размером " + std::to_string(size) + " байт)";
  };
  for (const auto& [empty, times] : std::vector<std::pair<std::string, std::uint64_t>>{
           {"</row><row><c/><c/><c/><c/><c/><c/><c/><c/><c/>", 140000},
           {"</row><row>", 1400000},
           {"<rowBreaks/>", 1400000}}) {
    WriteBytes(path, BuildZip({{kRootRels}, {WorkbookXml(1, 1)}, {Rels(1)},
                               {"<worksheet><sheetData><row>", kTrueSize, {{empty, times}, {"</row></sheetData></worksheet>", 1}}}},
                              {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2},
                               {"xl/worksheets/sheet1.xml", 3}}));
    const std::uint64_t size = ReadBytes(path).size();
    ASSERT_LT(size, 40u << 10);
    // a sheet of empty rows reaches the sheet's last row before it reaches the bound
    const std::string expected = empty == "</row><row>" ? prefix + "лист \"Л1\": строка за последней строкой листа (1048576)" : bound(size);
    EXPECT_EQ(both(), std::vector<std::string>(2, expected)) << empty;
  }
  WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(12000, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/worksheets/sheet1.xml", "<worksheet/>"}}));
  EXPECT_EQ(ErrorOf([&] { ReadSheetNames(path); }), bound(ReadBytes(path).size()));
  // a document counts the elements of every part it parses against the same bound, its package's
  // relationships too
  const std::string docx = dir / "связи.docx";
  WriteBytes(docx, BuildZip({{"<Relationships>", kTrueSize, {{"<a/>", 1400000}, {"</Relationships>", 1}}},
                             {"<w:document><w:body/></w:document>"}},
                            {{"_rels/.rels", 0}, {"word/document.xml", 1}}));
  const std::uint64_t docxSize = ReadBytes(docx).size();
  ASSERT_LT(docxSize, 40u << 10);
  EXPECT_EQ(ErrorOf([&] { DocxDocument::Open(docx); }),
            "Ошибка чтения файла \"" + docx + "\": элементов в частях документа больше " +
                std::to_string(1048576 + 5 * docxSize) + " (предел: 1048576 и 5 на каждый байт файла размером " +
                std::to_string(docxSize) + " байт)");
  // a thousand sheets are read
  WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(1000, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/worksheets/sheet1.xml", SheetXml(1)}}));
  EXPECT_EQ(ReadWorkbook(path).sheets.at(999).CellText(1, 10), "1");
}

// The entries of a package are found by name without regard to ASCII letter case; other letters compare
// as they are. Two entries of one name, in any letter case, leave which part is meant untold: the
// package is damaged, and every reader refuses it naming both.
TEST(PackageLimits, PartsAreFoundByTheirNameInAnyLetterCase) {
  TempDir dir;
  const std::string path = dir / "names.zip";
  WriteBytes(path, BuildZip({{"xl/Sheet.xml", "first"}, {"XL/SHEET.XML", "second"}, {"xl/Лист.xml", "третий"}}));
  int error = 0;
  const office::ZipPtr zip(zip_open(path.c_str(), ZIP_RDONLY, &error));
  ASSERT_NE(zip, nullptr);
  const office::TPackageNames names(zip.get());
  office::TUnpackBudget budget(path, 1u << 20);
  const auto read = [&](const std::string& name) {
    return office::ReadZipPart(zip.get(), names, name, budget).value_or("<missing>");
  };
  EXPECT_EQ((std::vector<std::string>{read("xl/sheet.xml"), read("Xl/sHeet.XML"), read("xl/Лист.xml"),
                                      read("XL/Лист.XML"), read("xl/лист.xml"), read("xl/sheet.xm")}),
            (std::vector<std::string>{"first", "first", "третий", "третий", "<missing>", "<missing>"}));
  EXPECT_EQ(names.Find("XL/SHEET.XML"), std::optional<zip_uint64_t>(0));
  EXPECT_EQ(names.Damage(), "файл поврежден (две части названы одним именем: \"xl/Sheet.xml\" и \"XL/SHEET.XML\")");

  // a relationship to "Sheet1.xml" beside "sheet1.xml"; a document whose picture is there twice by one name
  const std::string book = dir / "книга.xlsx", doc = dir / "документ.docx";
  const std::string cells = "<worksheet><sheetData><row><c><v>1</v></c></row></sheetData></worksheet>";
  WriteBytes(book, BuildZip({{"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", WorkbookXml(1, 1)},
                             {"xl/_rels/workbook.xml.rels", Rels(1)},
                             {"xl/worksheets/Sheet1.xml", cells},
                             {"xl/worksheets/sheet1.xml", cells}}));
  const std::string body = "<w:document><w:body/></w:document>";
  WriteBytes(doc, BuildZip({{"word/document.xml", body}, {"word/media/a.png", "1"}, {"word/media/a.png", "2"}}));
  EXPECT_EQ((std::vector<std::string>{ErrorOf([&] { ReadWorkbook(book); }), ErrorOf([&] { TSheetReader().Open(book); }),
                                      ErrorOf([&] { DocxDocument::Open(doc); })}),
            (std::vector<std::string>{
                "Ошибка чтения файла \"" + book + "\": файл поврежден (две части названы одним именем: " +
                    "\"xl/worksheets/Sheet1.xml\" и \"xl/worksheets/sheet1.xml\")",
                "Ошибка чтения файла \"" + book + "\": файл поврежден (две части названы одним именем: " +
                    "\"xl/worksheets/Sheet1.xml\" и \"xl/worksheets/sheet1.xml\")",
                "Ошибка чтения файла \"" + doc + "\": файл поврежден (две части названы одним именем: " +
                    "\"word/media/a.png\" и \"word/media/a.png\")"}));
}

// Every element still open costs the parser memory: a part nesting past 256 levels is refused naming it,
// in a workbook's sheet, table of texts and book part, in a document's text and its package's
// relationships, which are then damage rather than a reason to look for the text by convention. Sound
// parts of 256 levels are read.
TEST(PackageLimits, DeepNestingIsRefusedNamingThePart) {
  TempDir dir;
  const std::string path = dir / "глубоко.xlsx", docx = dir / "глубоко.docx";
  const auto nest = [](int levels) {
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
      open += "<a>";
      close += "</a>";
    }
    return open + close;
  };
  const std::string sharedRels =
      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
  const auto write = [&](int sheetLevels, int stringLevels, int bookLevels) {
    WriteBytes(path, BuildZip({{"_rels/.rels", kRootRels},
                               {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Л" r:id="rId1"/></sheets>)" +
                                                       nest(bookLevels) + "</workbook>"},
                               {"xl/_rels/workbook.xml.rels", sharedRels},
                               {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData>" +
                                                                nest(sheetLevels) + "</worksheet>"},
                               {"xl/strings.xml", "<sst><si><t>ТП-1</t></si>" + nest(stringLevels) + "</sst>"}}));
  };
  // the root and 255 levels below it
  write(255, 255, 255);
  EXPECT_EQ(ReadWorkbook(path).sheets.at(0).CellText(1, 1), "ТП-1");
  const auto deep = [](const std::string& file, const std::string& part) {
    return "Ошибка чтения файла \"" + file + "\": файл поврежден (в части \"" + part +
           "\" элементы вложены глубже 256 уровней)";
  };
  for (const auto& [levels, part] : std::vector<std::pair<std::vector<int>, std::string>>{
           {{256, 0, 0}, "xl/worksheets/sheet1.xml"}, {{0, 256, 0}, "xl/strings.xml"}, {{0, 0, 100000}, "xl/workbook.xml"}}) {
    write(levels[0], levels[1], levels[2]);
    EXPECT_EQ(ErrorOf([&] { ReadWorkbook(path); }), deep(path, part));
    EXPECT_EQ(ErrorOf([&] { TSheetReader().Open(path); }), deep(path, part));
  }

  const std::string rels = R"(<Relationships><Relationship Id="rId1" Type="x/officeDocument" Target="word/document.xml"/>)";
  const std::string cell = "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>ТП-1</w:t></w:r></w:p></w:tc></w:tr></w:tbl>";
  const auto document = [&](const std::string& rootRels, int levels) {
    std::string paragraphs;
    for (int i = 0; i < levels; ++i) paragraphs += "<w:p>";
    for (int i = 0; i < levels; ++i) paragraphs += "</w:p>";
    WriteBytes(docx, BuildZip({{"_rels/.rels", rootRels},
                               {"word/document.xml", "<w:document xmlns:w=\"w\"><w:body>" + cell + paragraphs + "</w:body></w:document>"}}));
  };
  document(rels + "</Relationships>", 254);
  EXPECT_EQ(DocxDocument::Open(docx).CellText(1, 1, 1), "ТП-1");
  document(rels + "</Relationships>", 255);
  EXPECT_EQ(ErrorOf([&] { DocxDocument::Open(docx); }), deep(docx, "word/document.xml"));
  document(rels + nest(256) + "</Relationships>", 1);
  EXPECT_EQ(ErrorOf([&] { DocxDocument::Open(docx); }), deep(docx, "_rels/.rels"));
  document(rels, 1);
  EXPECT_EQ(ErrorOf([&] { DocxDocument::Open(docx); }),
            "Ошибка чтения файла \"" + docx + "\": файл поврежден (часть \"_rels/.rels\")");
}

}  // namespace
}  // namespace ld::test
