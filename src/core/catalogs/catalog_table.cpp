#include "core/catalogs/catalog_table.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <span>
#include <system_error>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld::catalog {

namespace fs = std::filesystem;

std::unique_ptr<TDataFile> LoadTable(const std::string& path, const std::string& layoutName,
                                     const std::string& title, bool sort) {
  auto table = std::make_unique<TDataFile>();
  const std::string fileName = FindFileNoCase(path);
  std::error_code ec;
  if (!fs::exists(fs::path(fileName), ec)) {
    ReadMaket(layoutName, *table);
    CreateColumns(*table, 0);
    table->Title = title;
    WriteTableFile(fileName, *table);
    return table;
  }
  ReadTableFile(fileName, *table);
  const int keyCount = std::clamp<int>(table->NOrder, 0, kMaxColumns);
  if (sort && keyCount > 0) {
    bool changed = false;
    SortTable(*table, keyCount, std::span<const std::uint8_t>(table->Order).subspan(1, keyCount), changed);
    // Keep the file in the order the user sees, so rows picked by index match the file.
    if (changed) WriteTableFile(fileName, *table);
  }
  return table;
}

const DAString& TextCol(const TDataFile& table, const char* field) {
  return *GetColumnAs<DAString>(field, table);
}

const DAsingle& NumCol(const TDataFile& table, const char* field) {
  return *GetColumnAs<DAsingle>(field, table);
}

const DAChar& CharCol(const TDataFile& table, const char* field) {
  return *GetColumnAs<DAChar>(field, table);
}

char32_t UpperCell(const DAChar& col, int row) {
  const char c = col.Get(row);
  return c == 0 ? 0 : UpperChar(Cp1251Char(static_cast<unsigned char>(c)));
}

std::string CaptionNumber(float value) { return FloatToStrGeneral(static_cast<double>(value), 7); }

bool ParseMarkNumber(std::string_view text, float& value) {
  double v = 0;
  try {
    v = StrToFloatZ(text);
  } catch (const ConvertError&) {
    return false;
  }
  if (!(std::abs(v) <= std::numeric_limits<float>::max())) return false;
  value = static_cast<float>(v);
  return true;
}

bool SplitMarkText(std::string_view text, char sep, std::size_t count, std::string& mark,
                   std::vector<float>& numbers) {
  numbers.assign(count, 0.0f);
  const std::size_t dash = text.find('-');
  mark = std::string(text.substr(0, dash));
  std::string_view rest = dash == std::string_view::npos ? std::string_view() : text.substr(dash + 1);
  for (std::size_t i = 0; i < count; ++i) {
    std::string_view field = rest;
    if (i + 1 < count) {
      const std::size_t p = rest.find(sep);
      if (p != std::string_view::npos) {
        field = rest.substr(0, p);
        rest = rest.substr(p + 1);
      } else {
        rest = {};
      }
    }
    if (!ParseMarkNumber(field, numbers[i])) return false;
  }
  return true;
}

}  // namespace ld::catalog
