#include "core/catalogs/import_lb.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_rows.h"

namespace ld {

namespace {

std::uint16_t ReadU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

float ReadF32(const unsigned char* p) {
  const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                             static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return std::bit_cast<float>(bits);
}

}  // namespace

int ImportLBFile(const std::string& fileName, TDataFile& catalog, const std::string& basePath) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw Error("Ошибка чтения файла \"" + fileName + "\"");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Error("Ошибка чтения файла \"" + fileName + "\"");

  DAdouble hours;
  std::string msg;
  CountGraphPoints(false, 3600, hours, msg, 0, 0);

  int added = 0;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t at = kLBHeaderSize; at + kLBRecordSize <= bytes.size(); at += kLBRecordSize) {
    const unsigned char* record = data + at;
    const int number = ReadU16(record);
    if (GraphNumberInCatalog(catalog, number)) continue;
    // Every value is looked at before the graph is added: a graph with a NaN or an infinity is not
    // stored at all, and the graphs before it stay.
    DAdouble values;
    for (int h = 0; h < 24; ++h) {
      const double v = ReadF32(record + 44 + 4 * h);
      if (const std::string fault = ImportNumberFault(v); !fault.empty())
        throw Error("Ошибка чтения файла \"" + fileName + "\": график " + std::to_string(number) + ", час " +
                    std::to_string(h + 1) + ": " + fault);
      // Kept to seven decimals: the single-precision digits beyond them are noise of the old format.
      values[h + 1] = std::nearbyint(v * 1e7) * 1e-7;
    }
    const std::size_t length = std::min<std::size_t>(record[2], 41);
    const std::string name = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(record + 3), length));
    AppendGraphCatalogRow(catalog, number, name, kGraphTypical, 3600, 'P', "%");
    ++added;
    values.Count = 24;
    StoreGraphValues(basePath, number, hours, values);
  }
  return added;
}

}  // namespace ld
