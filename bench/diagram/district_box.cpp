#include "district_box.h"

#include <map>

#include "core/base/settings.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "engine/scheme_gen.h"

namespace ld::bench {

std::unique_ptr<diagram::TSchemBoxState> MakeDistrictBox(int nodeCount, const std::string& iniName) {
  const GenScheme g = GenerateScheme(nodeCount, 20261207);
  MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ConfigFileName = "/nonexistent/" + iniName;
  auto box = std::make_unique<diagram::TSchemBoxState>();
  box->LoadViewConfig("Graphic", "Colors");

  std::map<std::int32_t, std::int32_t> stationOf;  // 0.4 kV node -> its 10 kV node
  for (const auto& b : g.Branches)
    if (b.Kta != 0) stationOf[b.N2] = b.N1;
  box->NodeTable = std::make_unique<TDataFile>();
  ReadMaket(LayoutNodes, *box->NodeTable);
  CreateColumns(*box->NodeTable, static_cast<int>(g.Nodes.size()));
  FillNodeCols(*box->NodeTable, box->NodeCols);
  auto& n = box->NodeCols;
  int sources = 0;
  for (int row = 1; row <= static_cast<int>(g.Nodes.size()); ++row) {
    const auto& s = g.Nodes[row - 1];
    (*n.NS)[row] = s.NS;
    (*n.Sign)[row] = s.Sign;
    (*n.Um)[row] = s.Um;
    (*n.Pn)[row] = s.Pn;
    (*n.Qn)[row] = s.Qn;
    std::string name;
    if (s.Sign == 'B') {
      name = "ПС-" + std::to_string(sources / 2 + 1) + "." + std::to_string(sources % 2 + 1);
      ++sources;
    } else if (const auto it = stationOf.find(s.NS); it != stationOf.end()) {
      name = "ТП-" + std::to_string(it->second) + ".0,4";
    } else {
      name = "ТП-" + std::to_string(s.NS);
    }
    n.Name->SetItem(row, name);
    box->NodeSet.push_back(row);
  }
  box->BranchTable = std::make_unique<TDataFile>();
  ReadMaket(LayoutBranches, *box->BranchTable);
  CreateColumns(*box->BranchTable, static_cast<int>(g.Branches.size()));
  FillBranchCols(*box->BranchTable, box->BranchCols);
  auto& b = box->BranchCols;
  for (int row = 1; row <= static_cast<int>(g.Branches.size()); ++row) {
    const auto& s = g.Branches[row - 1];
    (*b.N1)[row] = s.N1;
    (*b.N2)[row] = s.N2;
    (*b.Kta)[row] = s.Kta;
    (*b.R)[row] = s.R;
    (*b.X)[row] = s.X;
    b.TypEqu->SetItem(row, s.Kta != 0 ? "T2|ТМ-400/10|" : "LN|АС-70|");
    b.Mark->SetItem(row, s.Kta != 0 ? "ТМ-400/10" : "АС-70");
    box->LineSet.push_back(row);
  }
  return box;
}

}  // namespace ld::bench
