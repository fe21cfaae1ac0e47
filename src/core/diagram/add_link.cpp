#include "core/diagram/add_link.h"

#include <cmath>
#include <exception>
#include <set>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/trans_formulas.h"
#include "core/engine/electric.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"

namespace ld {

std::string LinkPrefix(std::string_view startName) {
  const auto dot = startName.find('.');
  return std::string(dot == std::string_view::npos ? startName : startName.substr(0, dot));
}

std::int64_t DispatcherDigits(std::string_view dsName) {
  std::int64_t n = 0;
  bool any = false;
  for (const char c : dsName) {
    if (c < '0' || c > '9') continue;
    any = true;
    // A name is no place for more digits than a number holds; the first eighteen are kept.
    if (n < 100000000000000000) n = n * 10 + (c - '0');
  }
  return any ? n : 1;
}

std::string VoltageText(double u, double& nominal) {
  const double n = NearestNominalVoltage(u);
  nominal = n != 0 ? n : u;  // without classes the voltage stays as given
  const double r = std::round(nominal * 100);
  if (r == 40 || r == 38) return "04";
  if (r == 2750 || r == 2700) return "27";
  return FloatToStrGeneral(nominal, 7);
}

std::pair<std::string, std::string> SplitTypEqu(std::string_view typEqu) {
  const auto bar = typEqu.find('|');
  if (bar == std::string_view::npos) return {std::string(typEqu), {}};
  const std::string_view rest = typEqu.substr(bar + 1);
  return {std::string(typEqu.substr(0, bar)), std::string(rest.substr(0, rest.find('|')))};
}

namespace {

// Looks up a transformer in the passport list of the scheme by name, or in the catalogue by mark, and
// completes its values; the kind's error text on failure. Whatever was loaded is released.
template <class Rec>
bool LookUp(const std::string& schemeBase, const std::string& listLayout, const std::string& folder, const std::string& name, const std::string& mark,
            Rec& rec, void (*loadList)(const std::string&, bool), void (*loadCatalog)(const std::string&, bool),
            bool (*inList)(const std::string&, Rec&), bool (*byMark)(const std::string&, Rec&),
            bool (*check)(Rec&), void (*freeList)(), void (*freeCatalog)(), const std::string& errorText,
            std::string& error) {
  bool ok = false;
  try {
    if (!name.empty()) {
      loadList(schemeBase + GetMaketExtention(listLayout), false);
      ok = inList(name, rec);
    } else {
      loadCatalog(folder, false);
      ok = byMark(mark, rec);
    }
    if (ok) ok = check(rec);
    if (!ok) error = errorText;
  } catch (const std::exception& e) {
    error = e.what();
    ok = false;
  }
  freeList();
  freeCatalog();
  return ok;
}

std::string Join(std::string_view prefix, std::int64_t n, const std::string& voltage) {
  return std::string(prefix) + "." + std::to_string(n) + "." + voltage;
}

}  // namespace

void ProposeLink(TNewLink& link, std::string_view prefix, std::string_view dsName, const std::string& schemeBase,
                 const std::string& folder, std::string& error) {
  error.clear();
  const auto [kind, name] = SplitTypEqu(link.TypEqu);
  link.Kind = kind;
  link.Count = 1;
  const std::int64_t n = DispatcherDigits(dsName);
  double nominal = 0;
  if (kind == "LN") {
    double u = 0;
    try {
      u = StrToFloatZ(name);
    } catch (const ConvertError&) {
      u = 0;
    }
    link.U[0] = static_cast<float>(u);
  } else if (kind == "T2") {
    TRecT2 rec;
    LookUp<TRecT2>(schemeBase, ListLayoutT2, folder, name, link.Mark, rec, LoadListT2, LoadCatalogT2, FindT2InList, FindT2ByMark,
                   CheckT2Params, FreeListT2, FreeCatalogT2, CatalogErrorT2, error);
    link.Name[0] = Join(prefix, n, VoltageText(rec.Un, nominal));
    link.U[0] = static_cast<float>(nominal);
  } else if (kind == "T3" || kind == "TR") {
    const bool t3 = kind == "T3";
    link.T3 = {};
    link.TR = {};
    float uv = 0, u1 = 0, u2 = 0;
    if (t3) {
      LookUp<TRecT3>(schemeBase, ListLayoutT3, folder, name, link.Mark, link.T3, LoadListT3, LoadCatalogT3, FindT3InList,
                     FindT3ByMark, CheckT3Params, FreeListT3, FreeCatalogT3, CatalogErrorT3, error);
      uv = link.T3.Uv, u1 = link.T3.Us, u2 = link.T3.Un;
    } else {
      LookUp<TRecTR>(schemeBase, ListLayoutTR, folder, name, link.Mark, link.TR, LoadListTR, LoadCatalogTR, FindTRInList,
                     FindTRByMark, CheckTRParams, FreeListTR, FreeCatalogTR, CatalogErrorTR, error);
      uv = link.TR.Uv, u1 = link.TR.Un1, u2 = link.TR.Un2;
    }
    link.Name[0] = std::string(prefix) + ".*" + std::string(dsName);
    link.U[0] = uv;
    link.Name[1] = Join(prefix, n, VoltageText(u1, nominal));
    link.U[1] = static_cast<float>(nominal);
    // The two halves of a split winding are two bus sections: the second takes the next odd number.
    link.Name[2] = Join(prefix, t3 ? n : n + 2, VoltageText(u2, nominal));
    link.U[2] = static_cast<float>(nominal);
    link.Count = 3;
  }
}

std::vector<std::int32_t> FreeNodeNumbers(const TNodeCols& nodes, int count) {
  std::set<std::int32_t> used;
  for (int r = 1; r <= nodes.RowCount; ++r)
    if (nodes.NS->Get(r) > 0) used.insert(nodes.NS->Get(r));
  std::vector<std::int32_t> result;
  std::int32_t candidate = 1;
  while (static_cast<int>(result.size()) < count) {
    if (!used.contains(candidate)) result.push_back(candidate);
    ++candidate;
  }
  return result;
}

std::string CheckNewNode(const TNodeCols& nodes, std::int32_t number, std::string_view name,
                         const std::vector<std::pair<std::int32_t, std::string>>& others) {
  const std::string numberTaken = "Номер узла " + std::to_string(number) + " уже существует";
  for (int r = 1; r <= nodes.RowCount; ++r)
    if (nodes.NS->Get(r) == number) return numberTaken;
  for (const auto& o : others)
    if (o.first == number) return numberTaken;
  const std::string upper = UpperCase(name);
  const std::string nameTaken = "Наименование узла \"" + upper + "\" уже существует";
  for (int r = 1; r <= nodes.RowCount; ++r)
    if (UpperCase(nodes.Name->GetItem(r)) == upper) return nameTaken;
  for (const auto& o : others)
    if (UpperCase(o.second) == upper) return nameTaken;
  return {};
}

std::string CheckNewLink(const TNodeCols& nodes, const TNewLink& link) {
  if (link.Number[0] == 0) return "Не задан номер конца связи";
  if (link.Name[0].empty()) return "Не задано наименование конца связи";
  std::string error = CheckNewNode(nodes, link.Number[0], link.Name[0]);
  if (!error.empty() || !link.Star()) return error;
  if (link.Number[1] == 0) return "Не задан номер обмотки СН тр-ра";
  if (link.Name[1].empty()) return "Не задано наименование обмотки СН тр-ра";
  if (link.Number[2] == 0) return "Не задан номер обмотки НН тр-ра";
  if (link.Name[2].empty()) return "Не задано наименование обмотки НН тр-ра";
  // The new nodes are rows of one table as well: two of them with one number or name would be appended
  // side by side.
  error = CheckNewNode(nodes, link.Number[1], link.Name[1], {{link.Number[0], link.Name[0]}});
  if (error.empty())
    error = CheckNewNode(nodes, link.Number[2], link.Name[2],
                         {{link.Number[0], link.Name[0]}, {link.Number[1], link.Name[1]}});
  return error;
}

std::string WindingRegulation(std::string_view rpn, std::string_view key) {
  std::string result;
  if (key.empty()) return result;
  for (std::size_t at = rpn.find(key); at != std::string_view::npos; at = rpn.find(key, at + key.size())) {
    const std::size_t end = rpn.find(';', at);
    if (!result.empty()) result += ';';
    result += rpn.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
  }
  return result;
}

namespace {

int AppendNode(TDataFile& table, std::int32_t number, const std::string& name, float u) {
  InsertTableRows(table, table.RowCount + 1, 1);
  TNodeCols c;
  FillNodeCols(table, c);
  const int r = c.RowCount;
  (*c.NS)[r] = number;
  c.Name->SetItem(r, name);
  (*c.Um)[r] = u;
  return r;
}

struct BranchValues {
  std::int32_t N1 = 0, N2 = 0;
  std::string Name1, Name2, TypEqu, Regulation;
  float R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Ktn = 0, Idop = 0, Sdop = 0;
  std::int16_t Notv = 0, Ntpr = 0;
};

void AppendBranch(TDataFile& table, const BranchValues& v, std::string_view dsName, const std::string& mark) {
  InsertTableRows(table, table.RowCount + 1, 1);
  TBranchCols c;
  FillBranchCols(table, c);
  const int r = c.RowCount;
  (*c.N1)[r] = v.N1, (*c.N2)[r] = v.N2;
  c.Name1->SetItem(r, v.Name1);
  c.Name2->SetItem(r, v.Name2);
  c.DSName->SetItem(r, dsName);
  c.Mark->SetItem(r, mark);
  c.TypEqu->SetItem(r, v.TypEqu);
  c.Regulation->SetItem(r, v.Regulation);
  (*c.R)[r] = v.R, (*c.X)[r] = v.X, (*c.G)[r] = v.G, (*c.B)[r] = v.B;
  (*c.Kta)[r] = v.Kta, (*c.Ktr)[r] = v.Ktr, (*c.Ktn)[r] = v.Ktn;
  (*c.Idop)[r] = v.Idop, (*c.Sdop)[r] = v.Sdop;
  (*c.Notv)[r] = v.Notv, (*c.Ntpr)[r] = v.Ntpr;
}

std::string WindingType(const std::string& typEqu, char winding) {
  std::string t = typEqu;
  if (!t.empty()) t.back() = winding;
  return t;
}

}  // namespace

void AppendNewLink(TDataFile& nodeTable, TDataFile& branchTable, const TNewLink& link, std::int32_t startNumber,
                   std::string_view startName, std::string_view dsName) {
  AppendNode(nodeTable, link.Number[0], link.Name[0], link.U[0]);
  BranchValues main{.N1 = startNumber,
                    .N2 = link.Number[0],
                    .Name1 = std::string(startName),
                    .Name2 = link.Name[0],
                    .TypEqu = link.TypEqu,
                    .Regulation = link.Regulation,
                    .R = link.R,
                    .X = link.X,
                    .G = link.G,
                    .B = link.B,
                    .Kta = link.Kta,
                    .Ktr = link.Ktr,
                    .Ktn = link.Ktn,
                    .Idop = link.Idop,
                    .Sdop = link.Sdop,
                    .Notv = link.Notv,
                    .Ntpr = link.Ntpr};
  AppendBranch(branchTable, main, dsName, link.Mark);
  if (!link.Star()) return;
  AppendNode(nodeTable, link.Number[1], link.Name[1], link.U[1]);
  AppendNode(nodeTable, link.Number[2], link.Name[2], link.U[2]);
  const bool t3 = link.Kind == "T3";
  const std::string& rpn = t3 ? link.T3.RPN : link.TR.RPN;
  for (int w = 1; w <= 2; ++w) {
    BranchValues b;
    b.N1 = link.Number[0], b.N2 = link.Number[w];
    b.Name1 = link.Name[0], b.Name2 = link.Name[w];
    b.TypEqu = WindingType(link.TypEqu, w == 1 ? '1' : '2');
    b.Regulation = WindingRegulation(rpn, t3 && w == 1 ? "СН" : "НН");
    if (t3) {
      const TRecT3& t = link.T3;
      b.R = w == 1 ? t.Rs : t.Rn;
      b.X = w == 1 ? t.Xs : t.Xn;
      const float share = w == 1 ? t.Ss : t.Sn;
      b.Sdop = share != 0 ? link.Sdop * share / 100 : link.Sdop;
      b.Kta = b.Ktn = w == 1 ? t.Ks : t.Kn;
      b.Ktr = w == 1 ? t.KsIm : t.KnIm;
    } else {
      const TRecTR& t = link.TR;
      b.R = w == 1 ? t.Rn1 : t.Rn2;
      b.X = w == 1 ? t.Xn1 : t.Xn2;
      b.Sdop = link.Sdop / 2;
      b.Kta = b.Ktn = w == 1 ? t.Kn1 : t.Kn2;
      b.Ktr = w == 1 ? t.Kn1Im : t.Kn2Im;
    }
    AppendBranch(branchTable, b, dsName, link.Mark);
  }
}

}  // namespace ld
