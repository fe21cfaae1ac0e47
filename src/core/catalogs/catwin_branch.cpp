#include "core/catalogs/catwin_branch.h"

#include <algorithm>
#include <string_view>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/line_expr.h"
#include "core/catalogs/trans_formulas.h"
#include "core/tables/layout.h"

namespace ld {

namespace {

// Frees a loaded catalogue or list however the look-up ends.
struct FreeOnExit {
  void (*free)();
  ~FreeOnExit() { free(); }
};

template <typename Rec>
bool LookUpUnit(const std::string& name, const std::string& mark, const std::string& folder,
                const std::string& listBase, const std::string& listLayout, void (*loadList)(const std::string&, bool),
                void (*freeList)(), bool (*findInList)(const std::string&, Rec&),
                void (*loadCatalog)(const std::string&, bool), void (*freeCatalog)(),
                bool (*findByMark)(const std::string&, Rec&), Rec& rec) {
  if (!name.empty()) {
    loadList(listBase + GetMaketExtention(listLayout), false);
    const FreeOnExit guard{freeList};
    return findInList(name, rec);
  }
  loadCatalog(folder, false);
  const FreeOnExit guard{freeCatalog};
  return findByMark(mark, rec);
}

// The unit by its passport name, or else by its mark in the catalogue, with its parameters checked. On
// failure error takes the kind's error text, read only after the look-up and the check have set it.
template <typename Rec>
bool FindUnit(const std::string& name, const std::string& mark, const std::string& folder, const std::string& listBase,
              const std::string& listLayout, void (*loadList)(const std::string&, bool), void (*freeList)(),
              bool (*findInList)(const std::string&, Rec&), void (*loadCatalog)(const std::string&, bool),
              void (*freeCatalog)(), bool (*findByMark)(const std::string&, Rec&), bool (*check)(Rec&),
              const std::string& kindError, std::string& error, Rec& rec) {
  if (LookUpUnit(name, mark, folder, listBase, listLayout, loadList, freeList, findInList, loadCatalog, freeCatalog,
                 findByMark, rec) &&
      check(rec))
    return true;
  error = kindError;
  return false;
}

// The high-voltage winding of a transformer with more than one winding below it.
template <typename Rec>
void HighWinding(const Rec& rec, TBranchValues& v, TBranchWritten& w) {
  v.R = rec.Rv, v.X = rec.Xv, v.G = rec.G, v.B = rec.B;
  v.Ka = 1, v.Kr = 0, v.Ktn = 1;
  v.Sdop = 0.001f * rec.Sv;
  w.GB = true;
}

}  // namespace

TBranchKey SplitBranchKey(const std::string& head, const std::string& mark) {
  TBranchKey key;
  const std::string text = head + mark;
  const auto first = text.find('|');
  if (first == std::string::npos) {
    key.Kind = text;
    return key;
  }
  key.Kind = text.substr(0, first);
  const auto second = text.find('|', first + 1);
  if (second == std::string::npos) {
    key.Name = text.substr(first + 1);
    return key;
  }
  key.Name = text.substr(first + 1, second - first - 1);
  key.Rest = text.substr(second + 1);
  if ((key.Kind == "TR" || key.Kind == "T3") && !key.Rest.empty() && key.Rest[0] >= '0' && key.Rest[0] <= '9') {
    key.Winding = key.Rest[0] - '0';
    key.Rest.erase(0, 1);
  }
  return key;
}

std::string ComposeBranchHead(const std::string& kind, const std::string& name, int winding) {
  std::string head = kind + "|" + name + "|";
  if (kind == "TR" || kind == "T3") head += static_cast<char>('0' + std::clamp(winding, 0, 9));
  return head;
}

bool IsBranchKind(const std::string& kind) {
  return kind == "LN" || kind == "T2" || kind == "TR" || kind == "T3" || kind == "RT";
}

bool CalcLineBranch(const std::string& catalogFolder, const std::string& unomText, const std::string& expression,
                    bool normalise, TBranchValues& v, TBranchWritten& written, std::string& error) {
  written = TBranchWritten{};
  if (TrimTrailSpaces(TrimLeadSpaces(unomText)).empty()) {
    error = "Не задано Uном";
    return false;
  }
  const double unom = StrToFloatZ(TrimTrailSpaces(TrimLeadSpaces(unomText)));
  LoadCatalogLN(catalogFolder, false);
  const FreeOnExit guard{FreeCatalogLN};
  float r = 0, x = 0, g = 0, b = 0, idop = 0, length = 0;
  if (!ParseLineExpression(expression, r, x, static_cast<float>(unom), g, b, idop, length, normalise, 0)) {
    error = CatalogErrorLN;
    return false;
  }
  v.R = r;
  v.X = x;
  v.G = g;
  v.B = b;
  v.Idop = idop;
  v.Sdop = 0;
  v.Ktn = 0;
  written.RX = written.GB = written.Idop = written.Sdop = written.Ktn = true;
  return true;
}

bool CalcUnitBranch(const std::string& kind, int winding, const std::string& name, const std::string& mark,
                    const std::string& folder, const std::string& listBase, TBranchValues& v, TBranchWritten& w,
                    std::string& rpn, std::string& error) {
  w = TBranchWritten{};
  rpn.clear();
  if (kind == "T2") {
    TRecT2 rec;
    if (!FindUnit(name, mark, folder, listBase, ListLayoutT2, LoadListT2, FreeListT2, FindT2InList, LoadCatalogT2,
                  FreeCatalogT2, FindT2ByMark, CheckT2Params, CatalogErrorT2, error, rec))
      return false;
    v.R = rec.R, v.X = rec.X, v.G = rec.G, v.B = rec.B;
    v.Ka = rec.Kt, v.Kr = 0, v.Ktn = rec.Kt;
    v.Sdop = 0.001f * rec.Sv;
    w.GB = true;
    rpn = rec.RPN;
  } else if (kind == "TR") {
    TRecTR rec;
    if (!FindUnit(name, mark, folder, listBase, ListLayoutTR, LoadListTR, FreeListTR, FindTRInList, LoadCatalogTR,
                  FreeCatalogTR, FindTRByMark, CheckTRParams, CatalogErrorTR, error, rec))
      return false;
    if (winding == 1 || winding == 2) {
      const bool first = winding == 1;
      v.R = first ? rec.Rn1 : rec.Rn2;
      v.X = first ? rec.Xn1 : rec.Xn2;
      v.Ka = first ? rec.Kn1 : rec.Kn2;
      v.Kr = first ? rec.Kn1Im : rec.Kn2Im;
      const float un = first ? rec.Un1 : rec.Un2;
      v.Ktn = un != 0 ? rec.Uv / un : 0.0f;
      v.Sdop = 0.001f * rec.Sv / 2;
    } else {
      HighWinding(rec, v, w);
    }
    rpn = rec.RPN;
  } else if (kind == "T3") {
    TRecT3 rec;
    if (!FindUnit(name, mark, folder, listBase, ListLayoutT3, LoadListT3, FreeListT3, FindT3InList, LoadCatalogT3,
                  FreeCatalogT3, FindT3ByMark, CheckT3Params, CatalogErrorT3, error, rec))
      return false;
    if (winding == 1) {
      v.R = rec.Rs, v.X = rec.Xs, v.Ka = rec.Ks, v.Kr = rec.KsIm;
      v.Ktn = rec.Us != 0 ? rec.Uv / rec.Us : 0.0f;
      v.Sdop = rec.Sv * rec.Ss * 0.00001f;
    } else if (winding == 2) {
      v.R = rec.Rn, v.X = rec.Xn, v.Ka = rec.Kn, v.Kr = rec.KnIm;
      v.Ktn = rec.Un != 0 ? rec.Uv / rec.Un : 0.0f;
      v.Sdop = rec.Sv * rec.Sn * 0.00001f;
    } else {
      HighWinding(rec, v, w);
    }
    rpn = rec.RPN;
  } else if (kind == "RT") {
    TRecRT rec;
    if (!FindUnit(name, mark, folder, listBase, ListLayoutRT, LoadListRT, FreeListRT, FindRTInList, LoadCatalogRT,
                  FreeCatalogRT, FindRTByMark, CheckRTParams, CatalogErrorRT, error, rec))
      return false;
    v.R = rec.R, v.X = rec.Xr;
    w.RX = true;
    return true;
  } else {
    return false;
  }
  v.Idop = 0;
  w.RX = w.K = w.Ktn = w.Idop = w.Sdop = true;
  return true;
}

}  // namespace ld
