#include "core/district/pnt_lin_import.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/district/outside_readers.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

void ImportPntLinPair(const std::string& pntFile, const std::string& schemePath, const TDataFile& shownNodes) {
  const std::string nodeFile = schemePath + GetMaketExtention(LayoutNodes);
  const std::string branchFile = schemePath + GetMaketExtention(LayoutBranches);
  TDataFile nodesRead, branchesRead;
  RunFileImport({pntFile,
                 [&] {
                   TDataFile branches;
                   std::error_code ec;
                   if (std::filesystem::is_regular_file(branchFile, ec)) {
                     ReadTableFile(branchFile, branches);
                   } else {
                     ReadMaket(LayoutBranches, branches);
                     CreateColumns(branches, 0);
                   }
                   TOutsideRun run;
                   run.Nodes = &shownNodes;
                   run.Branches = &branches;
                   const TImportTaken taken = FindOutsideReader(kPntLinReader).ReadInto(pntFile, run);
                   nodesRead = std::move(run.Tables[0]);
                   branchesRead = std::move(run.Tables[1]);
                   // the pair replaces the scheme whole, under locks held since before the read
                   nodesRead.FileDate = branchesRead.FileDate = 0;
                   return taken;
                 },
                 {},
                 {},
                 {{nodeFile, &nodesRead}, {branchFile, &branchesRead}},
                 {}});
}

}  // namespace ld
