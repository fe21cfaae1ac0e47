#pragma once
// The block clipboard shared by every grid of the process: a table of the copied rows with arrays only
// for the copied columns, and the numbers of those columns in the source layout.
#include <vector>

#include "core/tables/layout.h"

namespace ld::gui {

class TBlockClipboard {
public:
  TBlockClipboard() = default;
  ~TBlockClipboard() { FreeTable(table_); }
  TBlockClipboard(const TBlockClipboard&) = delete;
  TBlockClipboard& operator=(const TBlockClipboard&) = delete;

  // Replaces the contents by rows r1..r2 of the given columns; columns the user may not edit are
  // carried empty.
  void Copy(const TDataFile& source, const std::vector<int>& columns, int r1, int r2);

  const TDataFile& Table() const { return table_; }
  const std::vector<int>& Columns() const { return columns_; }

private:
  TDataFile table_;
  std::vector<int> columns_;
};

TBlockClipboard& BlockClipboard();

// The layout part of a table record (name, extension, columns' attributes, key order), no title and
// no rows.
void CopyLayout(const TDataFile& source, TDataFile& target);

}  // namespace ld::gui
