#include "core/district/pnt_lin_import.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/base/settings.h"
#include "core/district/outside_readers.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

// The scheme's branch table, or an empty one of the layout when the scheme has none yet.
void ReadBranchesOrEmpty(const std::string& branchFile, TDataFile& branches) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(FamilyFile(branchFile), ec)) {
    ReadTableFile(branchFile, branches);
  } else {
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, 0);
  }
}

}  // namespace

void ExportPntLinPair(const std::string& pntFile, const std::string& schemePath, const TDataFile& shownNodes,
                      const TPntLinWriteOptions& options) {
  TDataFile branches;
  ReadBranchesOrEmpty(schemePath + GetMaketExtention(LayoutBranches), branches);
  WritePntLin(pntFile, shownNodes, branches, options);
}

void ImportPntLinPair(const std::string& pntFile, const std::string& schemePath, const TDataFile& shownNodes) {
  const std::string nodeFile = schemePath + GetMaketExtention(LayoutNodes);
  const std::string branchFile = schemePath + GetMaketExtention(LayoutBranches);
  TDataFile nodesRead, branchesRead;
  RunFileImport({pntFile,
                 [&] {
                   TDataFile branches;
                   ReadBranchesOrEmpty(branchFile, branches);
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
