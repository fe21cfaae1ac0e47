#pragma once
// The scheme of the measurement import benchmarks: nodes of the substation "ПС1", numbered from 1, named
// by the caller, and no branches.
#include <functional>
#include <string>

#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"

namespace ld::bench {

inline void WriteMeasuredScheme(const std::string& stem, int count, const std::function<std::string(int)>& name) {
  MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, count);
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (int r = 1; r <= count; ++r) n.Name->SetItem(r, name(r)), (*n.NS)[r] = r;
  WriteTableFile(stem + GetMaketExtention(LayoutNodes), nodes);
  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, 0);
  WriteTableFile(stem + GetMaketExtention(LayoutBranches), branches);
}

}  // namespace ld::bench
