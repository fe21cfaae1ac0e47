#include "core/optim/ktr_regulate.h"

#include <filesystem>

#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/optim/ktr_model.h"
#include "core/optim/ktr_table.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

struct Weights {
  int KIter = 100;
  double Kdp = 1, Ku = 100;
};

Weights ReadWeights(std::vector<std::string>& log) {
  Weights w;
  try {
    TOptimTSettings s;
    ReadOptimTSettings(ConfigFileName, s);
    Weights read;
    // The limit is read as an integer: a text that is none gives the default, as for any INI integer.
    try {
      read.KIter = StrToIntZ(s.KIter);
    } catch (const ConvertError&) {
      read.KIter = 100;
    }
    read.Kdp = StrToFloatZ(s.Kdp);
    read.Ku = StrToFloatZ(s.Ku);
    static_cast<void>(StrToFloatZ(s.Du));  // read but used only by the window
    static_cast<void>(StrToFloatZ(s.Dn));
    w = read;
  } catch (const Error&) {
    log.push_back("Оптимизация Ктр: ошибка чтения файла конфигурации " + ConfigFileName);
  }
  return w;
}

std::string BindMessage(const TKtrBindError& e) {
  switch (e.What) {
    case TKtrBindError::Params:
      return "Таблица оптимизации Ктр: не заданы параметры в строке" + std::to_string(e.Row);
    case TKtrBindError::Branch:
      return "Таблица оптимизации Ктр: линия " + std::to_string(e.A) + " - " + std::to_string(e.B) + " не найдена";
    case TKtrBindError::Node:
      return "Таблица регулирования Ктр: узел " + std::to_string(e.A) + " не найден";
    case TKtrBindError::Correction:
      return "Таблица регулирования Ктр: линия " + std::to_string(e.A) + " - " + std::to_string(e.B) + " не найдена";
    case TKtrBindError::None: break;
  }
  return {};
}

}  // namespace

bool RegulateKtrInLossCalc(TRegime& regime, const TKtrSliceVoltages& slice, std::vector<std::string>& log,
                           bool writeBranches, TDataFile* held) {
  const std::string stem = regime.SchemePath;
  std::string tableFile;
  try {
    tableFile = KtrTableFileName(stem);
  } catch (const Error& e) {
    log.push_back(e.what());
    return false;
  }
  if (stem.empty() || !std::filesystem::exists(tableFile)) return false;

  const Weights w = ReadWeights(log);
  TDataFile branches, own;
  TDataFile& table = held != nullptr ? *held : own;
  const std::string branchFile = stem + GetMaketExtention(LayoutBranches);
  try {
    ReadTableFile(branchFile, branches);
    if (table.Name.empty()) ReadTableFile(tableFile, table);
  } catch (const Error& e) {
    log.push_back(e.what());
    return false;
  }

  bool changed = false;
  try {
    TKtrModel model(regime, table);
    const TKtrCols& c = model.Cols();
    // The voltage graph holds a node for this slice only: the stored limits are the user's and go
    // back into the table as they were.
    std::vector<float> limits;
    for (DAsingle* col : {c.U1min, c.U1max, c.U2min, c.U2max}) {
      for (int row = 1; row <= c.RowCount; ++row) limits.push_back(col->Get(row));
    }
    const TKtrBindError error =
        model.Bind(branches, true, false, [&](int, const TRegimeElement& node, int, float& umin, float& umax) {
          const double u = slice.At(node.NodeIndex);
          if (u != 0) umin = umax = static_cast<float>(u);
        });
    if (error.What != TKtrBindError::None) {
      log.push_back(BindMessage(error));
    } else {
      model.RerunRegime();
      const TSearchResult result = CoordinateDescent(model, w.KIter, w.Ku, w.Kdp, regime.TotalLosses());
      changed = result.Changed;
      if (writeBranches) PutKtrToBranches(table, branches, &model);
    }
    std::size_t i = 0;
    for (DAsingle* col : {c.U1min, c.U1max, c.U2min, c.U2max}) {
      for (int row = 1; row <= c.RowCount; ++row) (*col)[row] = limits[i++];
    }
    // The branches' ratios and the table that gave them in one run, under the loss calculation's locks.
    std::vector<std::pair<std::string, TDataFile*>> written = {{tableFile, &table}};
    if (writeBranches && error.What == TKtrBindError::None) written.emplace_back(branchFile, &branches);
    if (held == nullptr) WriteTableSet(written);
    return error.What == TKtrBindError::None && changed;
  } catch (const Error& e) {
    log.push_back(e.what());
    return false;
  }
}

}  // namespace ld
