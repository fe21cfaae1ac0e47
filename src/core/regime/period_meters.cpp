#include "core/regime/period_meters.h"

#include "core/base/codepage.h"
#include "core/tables/colmaps.h"

namespace ld {
namespace {

constexpr std::uint32_t kWorkBits = 0xF0000000;

char32_t Letter(char c) { return c == 0 || c == ' ' ? 0 : UpperChar(Cp1251Char(static_cast<unsigned char>(c))); }

// A supply point at the head of the model: it stands for the flow from the external source into its
// node, so a meter row from the source (N1 = kRootNumber) to the node measures it.
bool SupplyElement(const TRegime& regime, const TRegimeElement& e) {
  return e.Parent == regime.Root && e.Number2 == kRootNumber && (e.Flags & (efSource | efUnsupplied)) == efSource;
}

void ClearMarks(TRegime& regime) {
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    e->Flags &= ~kWorkBits;
    e->Work = 0;
  }
}

}  // namespace

void ContourMeteringArea(TRegime& regime, const std::function<void(const std::string&)>& message) {
  if (regime.Root == nullptr) return;
  const auto metered = [](const TRegimeElement* e) { return (e->Flags & efMeteredBranch) != 0; };
  // Each settled contour changes at least one mark for good; the bound only guards a damaged model.
  std::size_t passes = regime.Elements().Count() + 2;
  bool changed = true;
  while (changed && passes-- > 0) {
    changed = false;
    for (TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree)
      if (!metered(e) && e->Parent != nullptr && e->Parent != regime.Root) e->Work = e->Parent->Work;
    const std::size_t count = std::min(regime.ContourEntry1.size(), regime.ContourEntry2.size());
    for (std::size_t i = 0; i < count; ++i) {
      TRegimeElement* a = regime.ContourEntry1[i];
      TRegimeElement* b = regime.ContourEntry2[i];
      if (a == nullptr || b == nullptr || a->Work == b->Work) continue;
      const bool aWins = b->Work == 0 || (a->Work != 0 && a->Work < b->Work);
      const std::int32_t mark = aWins ? a->Work : b->Work;
      TRegimeElement* e = aWins ? b : a;
      TRegimeElement* last = e;
      while (e != nullptr && e != regime.Root) {
        e->Work = mark;
        last = e;
        if (metered(e) || (e->Flags & efSource) != 0) break;
        e = e->Parent;
      }
      if (e == nullptr || e == regime.Root || !metered(last)) {
        const TRegimeElement* at = e == nullptr || e == regime.Root ? last : e;
        if (message) message("Область не оконтурена учетами от узла " + at->Name + " " + std::to_string(at->Number));
      }
      changed = true;
    }
  }
}

TMeterTotals MatchLineFlowMeters(TRegime& regime, const TDataFile& lineFlows, const TDataFile& nodes,
                                 bool sumALoss, const std::function<void(const std::string&)>& message) {
  TMeterTotals t;
  ClearMarks(regime);
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  TNodeCols n;
  FillNodeCols(nodes, n);
  const TElementPool& pool = regime.Elements();
  std::vector<int> meterRow(pool.Count(), 0);
  std::vector<bool> matched(static_cast<std::size_t>(f.RowCount) + 1, false);

  for (int r = 1; r <= f.RowCount; ++r) {
    const char32_t pm = Letter(f.PM->Get(r));
    const std::int32_t n1 = f.N1->Get(r), n2 = f.N2->Get(r);
    if ((pm != U'+' && pm != U'-' && pm != U'П') || n1 == 0 || n2 == 0) continue;
    TRegimeElement* found = nullptr;
    for (TRegimeElement* e = regime.FirstElement; e != nullptr && found == nullptr; e = e->Next)
      if ((e->BranchIndex > 0 || SupplyElement(regime, *e)) &&
          ((e->Number == n1 && e->Number2 == n2) || (e->Number == n2 && e->Number2 == n1)))
        found = e;
    if (found == nullptr) {
      if (message)
        message("Перетоки в линиях: линия " + std::to_string(n1) + " - " + std::to_string(n2) + " в схеме не найдена");
      continue;
    }
    matched[static_cast<std::size_t>(r)] = true;
    found->Flags |= efMeteredBranch;
    if (pm == U'+') {
      found->Flags |= efPlusMeter;
      found->Work = r;
    }
    meterRow[pool.IndexOf(found)] = r;
  }
  ContourMeteringArea(regime, message);

  if (regime.Root != nullptr) {
    for (TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      if ((e->Flags & efUnsupplied) != 0) continue;
      const int row = e->NodeIndex;
      if (e->Work != 0 && (e->Flags & efLoopClosing) == 0 && row > 0 && row <= n.RowCount) {
        const char32_t sign = Letter(n.Sign->Get(row));
        if (sign == U'+' || sign == U'-') {
          t.Delivered += n.WPn->Get(row);
          t.Received += n.WPg->Get(row);
        } else {
          (sign == U'С' ? t.OwnNeeds : t.Consumption) += n.WPn->Get(row);
          t.Generation += n.WPg->Get(row);
          if (sumALoss) t.Consumption += n.dWPa->Get(row);
        }
      }
      if ((e->Flags & efMeteredBranch) == 0) continue;
      const int m = meterRow[pool.IndexOf(e)];
      if (m == 0) continue;
      const bool exchange = Letter(f.PM->Get(m)) != U'П';
      const double pr = f.Pr->Get(m), pl = f.Pl->Get(m);
      if (e->Work != 0) {
        (exchange ? t.Received : t.Generation) += pr;
        (exchange ? t.Delivered : t.Consumption) += pl;
      }
      if (e->Parent != nullptr && e->Parent->Work != 0) {
        (exchange ? t.Received : t.Generation) += pl;
        (exchange ? t.Delivered : t.Consumption) += pr;
      }
    }
  }
  for (int r = 1; r <= f.RowCount; ++r) {
    if (matched[static_cast<std::size_t>(r)]) continue;
    const double pr = f.Pr->Get(r), pl = f.Pl->Get(r);
    switch (Letter(f.PM->Get(r))) {
      case U'+': t.Received += pr, t.Delivered += pl; break;
      case U'-': t.Delivered += pr, t.Received += pl; break;
      case U'П': t.Consumption += pr, t.Generation += pl; break;
      case U'С': t.OwnNeeds += pr; break;
      default: break;
    }
  }
  ClearMarks(regime);
  return t;
}

}  // namespace ld
