#include "core/catalogs/import_lb.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/text_lines.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"

namespace ld {

namespace {

std::uint16_t ReadU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

float ReadF32(const unsigned char* p) {
  const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                             static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return std::bit_cast<float>(bits);
}

// Why the record's name is none that this format writes (empty when it is one); name gets its bytes.
std::string NameFault(const unsigned char* record, std::string& name) {
  const int length = record[2];
  if (length > kLBNameLength)
    return "длина названия " + std::to_string(length) + " больше " + std::to_string(kLBNameLength);
  if (length == 0) return "у графика нет названия";
  // the bytes of a file of another kind are never quoted: they would read as signs of nothing
  for (int i = 0; i < length; ++i)
    if (const unsigned char c = record[3 + i]; c < 0x20 || c == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "U+%04X", c);
      return "в названии графика управляющий символ " + std::string(code) + " (байт " + std::to_string(i + 1) +
             " названия)";
    }
  name.assign(reinterpret_cast<const char*>(record + 3), static_cast<std::size_t>(length));
  return {};
}

}  // namespace

TGraphsRead ReadLBFile(const std::string& fileName, const TDataFile& catalog) {
  // a folder or a file without read rights is named, not met by the library's error
  if (const std::string fault = UnreadableFileFault(fileName); !fault.empty())
    throw Error("Ошибка чтения файла \"" + fileName + "\": " + fault);
  std::ifstream in(fileName, std::ios::binary);
  std::string bytes;
  try {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    in.setstate(std::ios::badbit);
  }
  if (in.bad()) throw Error("Ошибка чтения файла \"" + fileName + "\": файл не удается прочитать");

  TGraphsRead read;
  if (bytes.size() < static_cast<std::size_t>(kLBHeaderSize + kLBRecordSize)) {
    read.Taken.NotTaken(bytes.empty() ? std::string("файл пуст")
                                      : "файл короче заголовка и одной записи графика (в нем " +
                                            std::to_string(bytes.size()) + " из " +
                                            std::to_string(kLBHeaderSize + kLBRecordSize) + " байт)");
    return read;
  }
  DAdouble hours;  // the 24 points of a typical day
  std::string msg;
  CountGraphPoints(false, 3600, hours, msg, 0, 0);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  int index = 0;
  TCodePageTally titles;  // the titles are the texts of the file: they tell its code page
  for (std::size_t at = kLBHeaderSize; at + kLBRecordSize <= bytes.size(); at += kLBRecordSize) {
    const unsigned char* record = data + at;
    ++index;
    const std::string where = "Ошибка чтения файла \"" + fileName + "\": запись " + std::to_string(index);
    // The whole record is looked at, also that of a number the catalogue holds: a file in which one
    // record is none of this format is another kind of file.
    std::string name;
    if (const std::string fault = NameFault(record, name); !fault.empty())
      throw Error(where + ": " + fault + ": это не каталог графиков *.LB");
    titles.Add(name);
    const int number = ReadU16(record);
    TImportedGraph graph{number, name, kGraphTypical, 'P', "%", {}};
    for (int h = 0; h < 24; ++h) {
      const double v = ReadF32(record + 44 + 4 * h);
      if (const std::string fault = ImportNumberFault(v); !fault.empty())
        throw Error(where + ", график " + std::to_string(number) + ", час " + std::to_string(h + 1) + ": " + fault);
      // Kept to seven decimals: the single-precision digits beyond them are noise of the old format.
      graph.Points.emplace_back(hours.Get(h + 1), std::nearbyint(v * 1e7) * 1e-7);
    }
    if (read.IsNew(catalog, number)) read.Add(std::move(graph));
  }
  // the records fill the file to its end: a part of one after them is a record cut short (a copy that
  // stopped), and the graphs after it are lost
  if (const std::size_t rest = (bytes.size() - kLBHeaderSize) % kLBRecordSize; rest != 0)
    throw Error("Ошибка чтения файла \"" + fileName + "\": запись " +
                std::to_string((bytes.size() - kLBHeaderSize) / kLBRecordSize + 1) + " обрезана: в ней " +
                std::to_string(rest) + " из " + std::to_string(kLBRecordSize) +
                " байт; файл обрезан (недокопирован) или это не каталог графиков *.LB");
  // Windows-1251 as the format writes them, or as the bytes show them saved by another program
  const int codePage = TextCodePage(fileName, titles, false);
  for (TImportedGraph& graph : read.Graphs) graph.Title = DecodeText(graph.Title, codePage);
  // a file cut exactly at a record's end cannot be told from a whole one: the closing message counts
  read.Taken.Summary =
      "записей в файле " + std::to_string(index) + ", новых графиков из них " + std::to_string(read.Taken.Items);
  return read;
}

}  // namespace ld
