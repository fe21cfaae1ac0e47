#include "core/regime/task_tg.h"

#include <array>

#include "core/base/numtext.h"
#include "core/base/strings.h"
#include "core/engine/electric_sums.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

}  // namespace

std::vector<std::string> TgByVoltageClassReport(const std::string& schemePath) {
  TDataFile nodes, branches;
  ReadTableFileOrEmpty(schemePath + GetMaketExtention(LayoutNodes), LayoutNodes, nodes);
  ReadTableFileOrEmpty(schemePath + GetMaketExtention(LayoutBranches), LayoutBranches, branches);
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(nodes, nc);
  FillBranchCols(branches, bc);
  const TClassPowers powers = CalcTgByVoltageClass(nc, bc);
  static const std::array<const char*, 3> kLabels{" 10 кВ", " 35 кВ", "110 кВ"};
  std::vector<std::string> lines{" Uном    P переток  Q переток  tg(ф)"};
  for (std::size_t k = 1; k <= 3; ++k) {
    const double p = powers.P[k], q = powers.Q[k];
    if (p == 0) continue;
    lines.push_back(std::string(kLabels[k - 1]) + ": " + FitLeft(FixedText(p, 3), 10) + " " +
                    FitLeft(FixedText(q, 3), 10) + " " + FitLeft(FixedText(q / p, 3), 6));
  }
  return lines;
}

}  // namespace ld
