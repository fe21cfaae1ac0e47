#include "core/catalogs/import_lb.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
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

// Why the record's name is none that this format writes (empty when it is one).
std::string NameFault(const unsigned char* record, std::string& name) {
  const int length = record[2];
  if (length > kLBNameLength)
    return "длина названия " + std::to_string(length) + " больше " + std::to_string(kLBNameLength);
  if (length == 0) return "у графика нет названия";
  name = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(record + 3), static_cast<std::size_t>(length)));
  return ImportControlFault(name);
}

}  // namespace

TGraphsRead ReadLBFile(const std::string& fileName, const TDataFile& catalog) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw Error("Ошибка чтения файла \"" + fileName + "\"");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Error("Ошибка чтения файла \"" + fileName + "\"");

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
  for (std::size_t at = kLBHeaderSize; at + kLBRecordSize <= bytes.size(); at += kLBRecordSize) {
    const unsigned char* record = data + at;
    ++index;
    const std::string where = "Ошибка чтения файла \"" + fileName + "\": запись " + std::to_string(index);
    // The whole record is looked at, also that of a number the catalogue holds: a file in which one
    // record is none of this format is another kind of file.
    std::string name;
    if (const std::string fault = NameFault(record, name); !fault.empty())
      throw Error(where + ": " + fault + ": это не каталог графиков *.LB");
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
  return read;
}

}  // namespace ld
