#pragma once
// The districts of a scheme with their colours on the diagram: the scheme's table "Районы схемы",
// or an empty one of that layout when the scheme has no such file. Only a file that exists is
// written back, so a scheme without districts never gets one.
#include <cstdint>
#include <string>
#include <vector>

#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"

namespace ld::diagram {

class TDistrictColors {
public:
  // Reads "<schemeBase><extension of the layout>"; raises the table store's errors.
  explicit TDistrictColors(const std::string& schemeBase);

  bool FileExists() const { return exists_; }
  int RowCount() const { return cols_.RowCount; }
  // Row from 1.
  std::string Number(int row) const;
  std::string Name(int row) const;
  std::int32_t Color(int row) const;
  void SetColor(int row, std::int32_t color);
  // The colours of rows 1 .. RowCount into items 0 .. RowCount - 1, the list grown when shorter.
  void CopyColors(std::vector<std::int32_t>& areaColors) const;
  // Writes the table back to its file when the file exists; raises the table store's errors.
  void Save();

private:
  std::string fileName_;
  bool exists_ = false;
  TDataFile table_;
  TSchemeAreaCols cols_;
};

}  // namespace ld::diagram
