#pragma once
// A district base in a temporary folder, its catalogues, and one forming run over it with the formed
// tables looked up by node name.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/catalogs/catalog_units.h"
#include "core/district/form_scheme.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {

class FormTest : public ::testing::Test {
protected:
  FormTest() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    std::filesystem::create_directories(dir.Path() / "cat");
    IniRec.Path = Catalogs();
    WriteRows(Catalogs() + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
    ReadNominalVoltageList();
    WriteRows(Catalogs() + "sprav_ln.cat", "Справочник КЛ,ВЛ",
              {{"АС", "10", "50", "В", "0.6", "0.4", "0", "2.8", "210"},
               {"АС", "10", "70", "В", "0.42", "0.39", "0", "2.9", "265"},
               {"АВВГ", "0.4", "95", "К", "0.32", "0.08", "0", "0", "200"}});
    WriteRows(Catalogs() + "sprav_t2.cat", "Справочник ТР(2)",
              {{"ТМ", "400", "10", "0.4", "5.5", "4.5", "0.95", "2.1", "ВН-ПБВ-П-5-3-2.5"},
               {"ТМ", "630", "10", "0.4", "7.6", "5.5", "1.3", "2", "ВН-ПБВ-П-5-3-2.5"}});
    WriteRows(Catalogs() + "sprav_tr.cat", "Справочник ТР(р)",
              {{"ТРДН", "25000", "110", "10.5", "10.5", "120", "10.5", "25", "0.65", ""}});
    options.Kv = {1, 10, 10, 10, 10, 10};
    options.CutMark = false;
  }
  ~FormTest() override { MaketFileName = (DataDir() / "maket.zr").string(); }

  std::string Catalogs() const { return dir / "cat/"; }
  std::string Stem() const { return dir / "База"; }
  std::string File(const char* layout) const { return Stem() + GetMaketExtention(layout); }
  void Base(const char* layout, const Rows& rows) { WriteRows(File(layout), layout, rows); }

  // Forms the scheme with the caller's locks on the base tables, as the forming command takes them.
  void Form(const std::vector<std::string>& feeders = {}) {
    for (TDataFile* t : {&nodes, &branches, &flows}) FreeTable(*t);
    ReadMaket(LayoutNodes, nodes);
    ReadMaket(LayoutBranches, branches);
    ReadMaket(LayoutLineFlows, flows);
    CreateColumns(nodes, 0);
    CreateColumns(branches, 0);
    CreateColumns(flows, 0);
    nodes.Title = branches.Title = flows.Title = "База";
    errors.clear();
    progress.clear();
    const std::string exts = GetMaketExtention(LayoutLines10) + "," + GetMaketExtention(LayoutTransTP) + "," +
                             GetMaketExtention(LayoutLines04) + "," + GetMaketExtention(LayoutSubstInputs) + "," +
                             GetMaketExtention(LayoutSwitchLog);
    LockTableFiles(Stem(), exts);
    FormCalcScheme(Stem(), Catalogs(), options, nodes, branches, flows, nodeCount, branchCount, supplyCount,
                   [this](float p) { progress.push_back(p); }, feeders, errors);
    UnlockTableFiles(Stem(), exts);
    FillNodeCols(nodes, n);
    FillBranchCols(branches, b);
    FillLineFlowCols(flows, f);
    rowOf.clear();
    for (int r = 1; r <= nodes.RowCount; ++r) rowOf[n.Name->GetItem(r)] = r;
  }

  // The node table row of a name; fails the test when there is none.
  int Node(const std::string& name) const {
    const auto it = rowOf.find(name);
    EXPECT_NE(it, rowOf.end()) << name;
    return it == rowOf.end() ? 0 : it->second;
  }
  int NS(const std::string& name) const { return n.NS->Get(Node(name)); }
  std::string Sign(const std::string& name) const { return Letter(n.Sign->Get(Node(name))); }
  static std::string Letter(char c) { return c == 0 ? std::string() : Cp1251ToUtf8(std::string(1, c)); }
  // The branch from node a to node b, 0 when none.
  int Branch(const std::string& a, const std::string& bb) const {
    for (int r = 1; r <= branches.RowCount; ++r)
      if (b.Name1->GetItem(r) == a && b.Name2->GetItem(r) == bb) return r;
    return 0;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int r = 1; r <= nodes.RowCount; ++r) names.push_back(n.Name->GetItem(r));
    return names;
  }
  TDataFile Read(const char* layout) const {
    TDataFile t;
    ReadTableFile(File(layout), t);
    return t;
  }

  TempDir dir;
  TFormSchemeOptions options;
  TDataFile nodes, branches, flows;
  TNodeCols n;
  TBranchCols b;
  TLineFlowCols f;
  int nodeCount = -1, branchCount = -1, supplyCount = -1;
  std::vector<std::string> errors;
  std::vector<float> progress;
  std::map<std::string, int> rowOf;
};

}  // namespace ld::test
