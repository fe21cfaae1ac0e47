#pragma once
// The open-point search's settings kept for one test, and the published 33-bus feeder it is tried on.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/layout.h"
#include "support/test_env.h"

namespace ld::test {

// The settings the search reads, at the values the tests start from, put back afterwards.
struct CutSettings {
  TIniRec saved;
  CutSettings() {
    saved.GroupUn = IniRec.GroupUn, saved.FlagDP = IniRec.FlagDP, saved.FlagUn = IniRec.FlagUn;
    saved.ExceptTr = IniRec.ExceptTr, saved.StopTr = IniRec.StopTr, saved.RIter = IniRec.RIter;
    saved.SelectCuts = IniRec.SelectCuts, saved.Algoritm = IniRec.Algoritm, saved.dP = IniRec.dP, saved.Prec = IniRec.Prec;
    saved.FlagU0 = IniRec.FlagU0;
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec.Prec = 1e-4f, IniRec.RIter = 10, IniRec.Algoritm = 0;
    IniRec.FlagDP = IniRec.FlagUn = IniRec.StopTr = false, IniRec.ExceptTr = true;
  }
  ~CutSettings() {
    IniRec.GroupUn = saved.GroupUn, IniRec.FlagDP = saved.FlagDP, IniRec.FlagUn = saved.FlagUn;
    IniRec.ExceptTr = saved.ExceptTr, IniRec.StopTr = saved.StopTr, IniRec.RIter = saved.RIter;
    IniRec.SelectCuts = saved.SelectCuts, IniRec.Algoritm = saved.Algoritm, IniRec.dP = saved.dP, IniRec.Prec = saved.Prec;
    IniRec.FlagU0 = saved.FlagU0;
  }
};

// The rows of a published CSV table without its header line.
inline std::vector<std::vector<std::string>> ReadCsv(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  for (std::getline(in, line); std::getline(in, line);) {
    std::stringstream s(line);
    if (!line.empty()) rows.emplace_back();
    for (std::string cell; !line.empty() && std::getline(s, cell, ',');) rows.back().push_back(cell);
  }
  return rows;
}

// The published feeder: bus 1 balancing at 12.66 kV, loads in MW and Mvar, the ties off with "Н".
inline SchemeBuilder Feeder33() {
  const std::filesystem::path folder = TestDataDir() / "case33bw";
  SchemeBuilder s;
  s.Title = "33";
  for (const auto& bus : ReadCsv(folder / "buses.csv")) {
    const int id = std::stoi(bus[0]);
    NodeSpec& n = s.Node(id, id == 1 ? "B" : "", ld::StrToFloatZ(bus[1]) / 1000, ld::StrToFloatZ(bus[2]) / 1000);
    n.Um = 12.66f, n.Name = "ТП-" + bus[0];
  }
  for (const auto& br : ReadCsv(folder / "branches.csv")) {
    BranchSpec& b = s.Branch(std::stoi(br[1]), std::stoi(br[2]), ld::StrToFloatZ(br[3]), ld::StrToFloatZ(br[4]));
    if (br[5] != "1") b.Commut = "Н";
  }
  return s;
}

}  // namespace ld::test
