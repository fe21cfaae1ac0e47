#include "core/regime/recalc.h"

#include <filesystem>

#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/line_expr.h"
#include "core/catalogs/trans_formulas.h"
#include "core/engine/electric.h"
#include "core/tables/colmaps.h"

namespace ld {

namespace {

// The columns of a branch row that recalculation reads and writes, in either branch table.
struct TRows {
  DAString *TypEqu{}, *Mark{}, *Regulation{};
  DAsingle *R{}, *X{}, *G{}, *B{}, *Kta{}, *Ktr{}, *Ktn{}, *Idop{}, *Sdop{};
  TInt16Column Notv{}, Ntpr{};
  int RowCount = 0;
};

TRows RowsOf(const TDataFile& table) {
  TRows r;
  if (table.Name == LayoutSwitchLog) {
    TSwitchLogCols c;
    FillSwitchLogCols(table, c);
    r = {c.TypEqu, c.Mark, c.Regulation, c.R, c.X, c.G, c.B, c.Kta, c.Ktr, c.Ktn, c.Idop, c.Sdop, c.Notv, c.Ntpr,
         c.RowCount};
  } else {
    TBranchCols c;
    FillBranchCols(table, c);
    r = {c.TypEqu, c.Mark, c.Regulation, c.R, c.X, c.G, c.B, c.Kta, c.Ktr, c.Ktn, c.Idop, c.Sdop, c.Notv, c.Ntpr,
         c.RowCount};
  }
  return r;
}

// Loads catalogues and lists that exist and frees those that do not, so a run never creates files
// and never finds a unit in what another scheme left loaded.
struct TLoadedSources {
  explicit TLoadedSources(const TRecalcSources& s) {
    namespace fs = std::filesystem;
    const auto exists = [](const std::string& file) {
      std::error_code ec;
      return fs::is_regular_file(FindFileNoCase(file), ec);
    };
    const auto catalog = [&](const std::string& name, void (*load)(const std::string&, bool), void (*freeIt)()) {
      if (exists(s.CatalogFolder + name)) load(s.CatalogFolder, false); else freeIt();
    };
    const auto list = [&](const std::string& layout, void (*load)(const std::string&, bool), void (*freeIt)()) {
      const std::string file = s.SchemePath + GetMaketExtention(layout);
      if (exists(file)) load(file, false); else freeIt();
    };
    catalog(CatalogFileLN, LoadCatalogLN, FreeCatalogLN);
    list(ListLayoutT2, LoadListT2, FreeListT2);
    catalog(CatalogFileT2, LoadCatalogT2, FreeCatalogT2);
    list(ListLayoutT3, LoadListT3, FreeListT3);
    catalog(CatalogFileT3, LoadCatalogT3, FreeCatalogT3);
    list(ListLayoutTR, LoadListTR, FreeListTR);
    catalog(CatalogFileTR, LoadCatalogTR, FreeCatalogTR);
    list(ListLayoutRT, LoadListRT, FreeListRT);
    catalog(CatalogFileRT, LoadCatalogRT, FreeCatalogRT);
  }
  ~TLoadedSources() {
    FreeCatalogLN();
    FreeListT2(), FreeCatalogT2();
    FreeListT3(), FreeCatalogT3();
    FreeListTR(), FreeCatalogTR();
    FreeListRT(), FreeCatalogRT();
  }
  TLoadedSources(const TLoadedSources&) = delete;
  TLoadedSources& operator=(const TLoadedSources&) = delete;
};

template <typename Rec>
bool FindUnit(const std::string& listName, const std::string& mark, bool (*inList)(const std::string&, Rec&),
              bool (*byMark)(const std::string&, Rec&), bool (*check)(Rec&), Rec& rec) {
  const bool found = listName.empty() ? byMark(mark, rec) : inList(listName, rec);
  return found && check(rec);
}

// The tap step: the ratio of a regulated transformer from its taps. The in-phase description sets a
// zero Notv to its neutral and the quadrature one ("ТПР") a zero Ntpr to its own neutral.
void ApplyTaps(TRows& t, int row, std::vector<std::string>& info) {
  const std::string regulation = t.Regulation->GetItem(row);
  std::string inPhase, quadrature;
  SplitRegulation(regulation, inPhase, quadrature);
  TMarkParts p1, p2;
  const bool has1 = ParseMarkParts(inPhase, p1);
  const bool has2 = ParseMarkParts(quadrature, p2);
  if (!has1 && !has2) {
    info.push_back("строка " + std::to_string(row) + ": неверно задана регулировка трансформатора");
    return;
  }
  if (t.Notv.Get(row) == 0 && has1) t.Notv[row] = p1.Neutral;
  if (t.Ntpr.Get(row) == 0 && has2) t.Ntpr[row] = p2.Neutral;
  // Side and direction come from the in-phase regulator when there is one.
  const TMarkParts& lead = has1 ? p1 : p2;
  double kta = t.Kta->Get(row), ktr = t.Ktr->Get(row);
  if (!CalcTapRatio(lead.Side, lead.Kind, t.Notv.Get(row), p1.Neutral, p1.Positions, p1.Step, t.Ntpr.Get(row),
                    p2.Neutral, p2.Positions, p2.Step, t.Ktn->Get(row), kta, ktr)) {
    info.push_back("строка " + std::to_string(row) + ": ошибка расчета Ктр");
    return;
  }
  (*t.Kta)[row] = static_cast<float>(kta);
  (*t.Ktr)[row] = static_cast<float>(ktr);
}

void RecalcRow(TRows& t, int row, const TRecalcSources& s, std::vector<std::string>& info) {
  std::string kind, listName;
  std::uint8_t side = 0;
  SplitTypEqu(t.TypEqu->GetItem(row), kind, listName, side);
  const std::string mark = t.Mark->GetItem(row);
  const auto failed = [&](const std::string& error) {
    info.push_back("строка " + std::to_string(row) + ": " + error);
  };
  // Values of a transformer side: R, X, G, B, ratio, rated power in MVA.
  const auto unit = [&](float r, float x, float g, float b, float k, float sdop, const std::string& regulation) {
    (*t.R)[row] = r, (*t.X)[row] = x, (*t.G)[row] = g, (*t.B)[row] = b;
    (*t.Ktn)[row] = k;
    (*t.Kta)[row] = k;
    (*t.Sdop)[row] = sdop;
    t.Regulation->SetItem(row, regulation);
  };
  if (kind == "LN") {
    if (mark.empty()) return;
    float r = 0, x = 0, g = 0, b = 0, idop = 0, length = 0;
    // The middle part of a line's key is its nominal voltage, for which the catalogue is read.
    const auto unom = static_cast<float>(StrToFloatZ(TrimTrailSpaces(TrimLeadSpaces(listName))));
    if (!ParseLineExpression(mark, r, x, unom, g, b, idop, length, s.CutMark, 0)) return failed(CatalogErrorLN);
    (*t.R)[row] = r, (*t.X)[row] = x, (*t.G)[row] = g, (*t.B)[row] = b, (*t.Idop)[row] = idop;
  } else if (kind == "T2") {
    TRecT2 rec;
    if (!FindUnit(listName, mark, FindT2InList, FindT2ByMark, CheckT2Params, rec)) return failed(CatalogErrorT2);
    unit(rec.R, rec.X, rec.G, rec.B, rec.Kt, rec.Sv / 1000, rec.RPN);
  } else if (kind == "T3") {
    TRecT3 rec;
    if (!FindUnit(listName, mark, FindT3InList, FindT3ByMark, CheckT3Params, rec)) return failed(CatalogErrorT3);
    const std::string regulation = WindingSideName(side, kind, rec.RPN);
    const auto share = [&](float percent) { return rec.Sv / 1000 * (percent != 0 ? percent / 100 : 1.0f); };
    if (side == 0) unit(rec.Rv, rec.Xv, rec.G, rec.B, rec.Kv, rec.Sv / 1000, regulation);
    else if (side == 1) unit(rec.Rs, rec.Xs, 0, 0, rec.Ks, share(rec.Ss), regulation);
    else if (side == 2) unit(rec.Rn, rec.Xn, 0, 0, rec.Kn, share(rec.Sn), regulation);
    else t.Regulation->SetItem(row, regulation);
  } else if (kind == "TR") {
    TRecTR rec;
    if (!FindUnit(listName, mark, FindTRInList, FindTRByMark, CheckTRParams, rec)) return failed(CatalogErrorTR);
    const std::string regulation = WindingSideName(side, kind, rec.RPN);
    if (side == 0) unit(rec.Rv, rec.Xv, rec.G, rec.B, rec.Kv, rec.Sv / 1000, regulation);
    else if (side == 1) unit(rec.Rn1, rec.Xn1, 0, 0, rec.Kn1, rec.Sv / 2000, regulation);
    else if (side == 2) unit(rec.Rn2, rec.Xn2, 0, 0, rec.Kn2, rec.Sv / 2000, regulation);
    else t.Regulation->SetItem(row, regulation);
  } else if (kind == "RT") {
    TRecRT rec;
    if (!FindUnit(listName, mark, FindRTInList, FindRTByMark, CheckRTParams, rec)) return failed(CatalogErrorRT);
    (*t.R)[row] = rec.R, (*t.X)[row] = rec.Xr;
  }
  if (!t.Regulation->GetItem(row).empty() && t.Ktn->Get(row) != 0) ApplyTaps(t, row, info);
}

}  // namespace

void SplitTypEqu(const std::string& text, std::string& kind, std::string& listName, std::uint8_t& side) {
  std::string rest = text;
  const auto cut = [&rest] {
    const std::size_t bar = rest.find('|');
    if (bar == std::string::npos) return std::string();
    std::string part = rest.substr(0, bar);
    rest.erase(0, bar + 1);
    return part;
  };
  kind = cut();
  listName = cut();
  side = 0;
  if (rest.empty()) return;
  const int value = StrToIntZ(rest);
  if (value < 0 || value > 255) throw ConvertError("\"" + rest + "\" не является числом 0..255");
  side = static_cast<std::uint8_t>(value);
}

std::vector<std::string> RecalcBranchParams(TDataFile& branches, const TRecalcSources& sources,
                                            const std::function<void(int)>& progress) {
  TRows t = RowsOf(branches);
  const TLoadedSources loaded(sources);
  std::vector<std::string> info;
  const int step = t.RowCount / 10 > 0 ? t.RowCount / 10 : std::max(t.RowCount, 1);
  int position = 0;
  for (int row = 1; row <= t.RowCount; ++row) {
    try {
      RecalcRow(t, row, sources, info);
    } catch (const std::exception& e) {
      info.push_back("Строка " + std::to_string(row) + ": " + e.what());
    }
    if (row % step == 0 && progress) progress(position = std::min(100, position + 10));
  }
  return info;
}

}  // namespace ld
