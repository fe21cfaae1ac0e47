#include "core/diagram/district_colors.h"

#include <filesystem>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/tables/table_file.h"

namespace ld::diagram {

namespace {
const std::string kLayout = "Районы схемы";
}  // namespace

TDistrictColors::TDistrictColors(const std::string& schemeBase)
    : fileName_(FamilyFile(schemeBase, GetMaketExtention(kLayout))) {
  std::error_code ec;
  exists_ = std::filesystem::is_regular_file(fileName_, ec);
  if (exists_) {
    ReadTableFile(fileName_, table_);
  } else {
    ReadMaket(kLayout, table_);
    CreateColumns(table_, 0);
  }
  FillSchemeAreaCols(table_, cols_);
}

std::string TDistrictColors::Number(int row) const { return IntToStr(cols_.Nr->Get(row)); }

std::string TDistrictColors::Name(int row) const { return cols_.Name->GetItem(row); }

std::int32_t TDistrictColors::Color(int row) const { return cols_.Color->Get(row); }

void TDistrictColors::SetColor(int row, std::int32_t color) { (*cols_.Color)[row] = color; }

void TDistrictColors::CopyColors(std::vector<std::int32_t>& areaColors) const {
  if (areaColors.size() < static_cast<std::size_t>(RowCount())) areaColors.resize(static_cast<std::size_t>(RowCount()));
  for (int row = 1; row <= RowCount(); ++row) areaColors[static_cast<std::size_t>(row - 1)] = Color(row);
}

void TDistrictColors::Save() {
  if (exists_) WriteTableFile(fileName_, table_);
}

}  // namespace ld::diagram
