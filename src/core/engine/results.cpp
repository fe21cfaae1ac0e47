// The end of a regime calculation: results into the node and branch tables, the protocol ".RGM" and the
// tables saved back into the scheme's files.
#include "core/engine/results.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/engine/electric.h"
#include "core/engine/model_tables.h"
#include "core/engine/protocol.h"
#include "core/engine/regime.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {

// ---- column access ----------------------------------------------------------------------------------

TNumberColumn::TNumberColumn(const std::string& fieldName, const TDataFile& table)
    : array_(GetColumnArray(fieldName, table)), type_(array_ != nullptr ? array_->TypeLetter() : 0) {
  if (std::string("bdfilnrw").find(type_) == std::string::npos || type_ == 0) ThrowFieldNotFound(fieldName, table);
}

double NumericCell(const TDynamicArray* array, int row) {
  return array == nullptr ? 0 : TNumberColumn::CellOfType(array, array->TypeLetter(), row);
}

double TNumberColumn::CellOfType(const TDynamicArray* array, char type, int row) {
  switch (type) {
    case 'b': return static_cast<const DAbyte*>(array)->Get(row);
    case 'd': return static_cast<const DAdouble*>(array)->Get(row);
    case 'f': return static_cast<const DAsingle*>(array)->Get(row);
    case 'i': return static_cast<const DAsmallint*>(array)->Get(row);
    case 'l': return static_cast<const DALongint*>(array)->Get(row);
    case 'n': return static_cast<double>(static_cast<const DAint64*>(array)->Get(row));
    case 'r': return static_cast<const DAreal*>(array)->Get(row);
    case 'w': return static_cast<const DAword*>(array)->Get(row);
    default: return 0;
  }
}

void TNumberColumn::SetAny(int row, double value) {
  if (!std::isfinite(value)) value = 0;
  auto fit = [&value]<class T>(T) {
    if (!(value >= static_cast<double>(std::numeric_limits<T>::lowest()) &&
          value <= static_cast<double>(std::numeric_limits<T>::max())))
      value = 0;
    return static_cast<T>(value);
  };
  switch (type_) {
    case 'b': (*static_cast<DAbyte*>(array_))[row] = fit(std::uint8_t{}); break;
    case 'd': (*static_cast<DAdouble*>(array_))[row] = value; break;
    case 'f': (*static_cast<DAsingle*>(array_))[row] = ToSingle(value); break;
    case 'i': (*static_cast<DAsmallint*>(array_))[row] = fit(std::int16_t{}); break;
    case 'l': (*static_cast<DALongint*>(array_))[row] = fit(std::int32_t{}); break;
    case 'n': (*static_cast<DAint64*>(array_))[row] = fit(std::int64_t{}); break;
    case 'r': (*static_cast<DAreal*>(array_))[row] = value; break;
    case 'w': (*static_cast<DAword*>(array_))[row] = fit(std::uint16_t{}); break;
    default: break;
  }
}

TTextColumn::TTextColumn(const std::string& fieldName, const TDataFile& table)
    : array_(GetColumnArray(fieldName, table)), type_(array_ != nullptr ? array_->TypeLetter() : 0) {
  if (type_ != 's' && type_ != 't' && type_ != 'c') ThrowFieldNotFound(fieldName, table);
}

std::string TTextColumn::Get(int row) const {
  switch (type_) {
    case 's': return static_cast<const DAString*>(array_)->GetItem(row);
    case 't': return static_cast<const DAFstring*>(array_)->GetItem(row);
    case 'c': {
      const char c = static_cast<const DAChar*>(array_)->Get(row);
      return c == 0 ? std::string() : Cp1251ToUtf8(std::string(1, c));
    }
    default: return {};
  }
}

void TTextColumn::Set(int row, std::string_view text) {
  switch (type_) {
    case 's': {
      // A recalculated scheme mostly writes the texts that are there already.
      DAString* texts = static_cast<DAString*>(array_);
      if (!texts->IsSet(row) || texts->GetView(row) != text) texts->SetItem(row, text);
      break;
    }
    case 't': static_cast<DAFstring*>(array_)->SetItem(row, text); break;
    case 'c': {
      const std::string bytes = Utf8ToCp1251(text);
      (*static_cast<DAChar*>(array_))[row] = bytes.empty() ? '\0' : bytes[0];
      break;
    }
    default: break;
  }
}

bool TTextColumn::StartsWithLetter(int row, char latin) const {
  char first = 0;
  switch (type_) {
    case 's': {
      const std::string_view text = static_cast<const DAString*>(array_)->GetView(row);
      if (!text.empty()) first = text[0];
      break;
    }
    case 't': {
      const DAFstring* texts = static_cast<const DAFstring*>(array_);
      if (row >= 0 && row < texts->Size()) {
        const auto* element = static_cast<const unsigned char*>(texts->Data()) +
                              static_cast<std::size_t>(row) * static_cast<std::size_t>(texts->ElemSize());
        if (element[0] != 0) first = static_cast<char>(element[1]);
      }
      break;
    }
    case 'c': first = static_cast<const DAChar*>(array_)->Get(row); break;
    default: break;
  }
  return first == latin || first == latin - 'A' + 'a';
}

double TableAngle(double re, double im) {
  if (re == 0) return im > 0 ? 90.0 : (im < 0 ? -90.0 : 0.0);
  double a = std::atan(im / re) * 180.0 / std::numbers::pi;
  if (re < 0) a += 180.0;
  return a;
}

// ---- write-back -------------------------------------------------------------------------------------

namespace {

// The power the element's branch carries into its child side, U·conj(I).
Complex Through(const TRegimeElement* e) { return e->U * std::conj(e->I); }

struct NodeColumns {
  TNumberColumn Nr, Urez, Angle, Um, Trab, Pbal, Qbal, Pn, Qn, Pg, Qg, WPn, WQn, WPg, WQg, Ina, Inr, Iga, Igr, Gs, Bs;
  TTextColumn Sign;
  explicit NodeColumns(const TDataFile& t)
      : Nr("Nr", t), Urez("Urez", t), Angle("Angle", t), Um("Um", t), Trab("Trab", t), Pbal("Pbal", t),
        Qbal("Qbal", t), Pn("Pn", t), Qn("Qn", t), Pg("Pg", t), Qg("Qg", t), WPn("WPn", t), WQn("WQn", t),
        WPg("WPg", t), WQg("WQg", t), Ina("Ina", t), Inr("Inr", t), Iga("Iga", t), Igr("Igr", t), Gs("Gs", t),
        Bs("Bs", t), Sign("Sign", t) {}
};

struct BranchColumns {
  TNumberColumn Nr, Ia, Ir, Faza, Irez, Ul, U1, F1, U2, F2;
  TTextColumn Name1, Name2;
  explicit BranchColumns(const TDataFile& t)
      : Nr("Nr", t), Ia("Ia", t), Ir("Ir", t), Faza("Faza", t), Irez("Irez", t), Ul("Ul", t), U1("U1", t),
        F1("F1", t), U2("U2", t), F2("F2", t), Name1("Name1", t), Name2("Name2", t) {}
};

// The node's name, or its number for a node without one (written into `digits`).
std::string_view NodeName(const TRegimeElement* e, std::array<char, 16>& digits) {
  if (!e->Name.empty()) return e->Name;
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), e->Number).ptr;
  return std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

// The element that carries the node of e: its partner for a loop-closing element.
const TRegimeElement* NodeCarrier(const TRegimeElement* e) {
  return (e->Flags & efLoopClosing) && e->Partner != nullptr ? e->Partner : e;
}

// The voltage class of a node: by its nominal voltage, or by its voltage for a source or a fixed-voltage
// node, whose nominal voltage is only the class of its set voltage.
double NodeClass(const TRegimeElement* e) {
  const TRegimeElement* node = NodeCarrier(e);
  if (node->Flags & (efSource | efFixedVoltage)) return NearestNominalVoltage(std::abs(node->U));
  return NearestNominalVoltage(node->Unom);
}

// A number that no district can have (beyond an int, not a number) counts as none.
int District(double nr) {
  const double district = std::fabs(nr);
  return district < 2147483648.0 ? static_cast<int>(district) : 0;
}

class TDropOnFailure {
public:
  explicit TDropOnFailure(std::shared_ptr<TKeptTables>* kept) : kept_(kept) {}
  ~TDropOnFailure() {
    if (kept_ != nullptr && std::uncaught_exceptions() > exceptions_) kept_->reset();
  }
  TDropOnFailure(const TDropOnFailure&) = delete;
  TDropOnFailure& operator=(const TDropOnFailure&) = delete;

private:
  std::shared_ptr<TKeptTables>* kept_;
  int exceptions_ = std::uncaught_exceptions();
};

}  // namespace

void TRegime::WriteResults(const std::string& unomFile, std::uint8_t /*TypCalcPQ*/, bool LoadsAsInput, bool SumSbal,
                           double /*unused*/, float Un, float Uv, std::uint8_t Dimension, bool FromFiles,
                           TDataFile* nodes, TDataFile* branches) {
  std::vector<std::pair<std::string, TDataFile*>> set;
  set.swap(WrittenWithResults);
  if (OnStage) OnStage("Вывод результатов");
  const std::string nodeExt = GetMaketExtention(LayoutNodes);
  const std::string branchExt = GetMaketExtention(LayoutBranches);
  if (FromFiles) {
    // The tables the calculation read are written into while their files are unchanged; a file that
    // another program wrote meanwhile is read again.
    if (!keptTables_) keptTables_ = std::make_shared<TKeptTables>();
    TKeptTables& kept = *keptTables_;
    nodes = &CurrentTable(SchemePath + nodeExt, kept.NodeFile, kept.Nodes);
    branches = &CurrentTable(SchemePath + branchExt, kept.BranchFile, kept.Branches);
  }
  if (nodes == nullptr || branches == nullptr) return;
  // Results half written into the kept tables are not what the files hold.
  const TDropOnFailure dropOnFailure(FromFiles ? &keptTables_ : nullptr);

  std::vector<std::string> protocol;
  if (FromFiles) AppendRunSummary(*this, protocol);

  NodeColumns nc(*nodes);
  BranchColumns bc(*branches);
  const int nodeRows = nodes->RowCount;
  const int branchRows = branches->RowCount;
  for (int row = 1; row <= nodeRows; ++row) {
    nc.Pbal.Set(row, 0);
    nc.Qbal.Set(row, 0);
  }

  // The fictitious branch of each fixed-voltage node of the contour method.
  // A few pairs looked up for every node: a sorted list, the later of two entries of one element winning.
  std::vector<std::pair<const TRegimeElement*, const TRegimeElement*>> fixedBranch;
  if (FixModule && PVAlgorithm == 0) {
    for (int i = TotalContourCount; i-- > NetworkContourCount;) fixedBranch.emplace_back(ContourEntry2[i], ContourEntry1[i]);
    std::stable_sort(fixedBranch.begin(), fixedBranch.end(),
                     [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
  }
  auto fixedBranchOf = [&fixedBranch](const TRegimeElement* e) -> const TRegimeElement* {
    const auto it = std::lower_bound(fixedBranch.begin(), fixedBranch.end(), e,
                                     [](const auto& entry, const TRegimeElement* key) { return std::less<>()(entry.first, key); });
    return it != fixedBranch.end() && it->first == e ? it->second : nullptr;
  };

  TRegimeBalance balance;
  TRegimeElement* const first = Root != nullptr ? Root->NextInTree : nullptr;

  // The table passes walk the rows in order, for the tables' columns are many and the elements few
  // fields of one record each; the balance sums keep the tree order, in which they were always added.
  // Should two elements name one row, the later writes over the earlier, so the tree order stays.
  // Both tables' orders come from one walk of the elements.
  struct TRowOrder {
    std::vector<TRegimeElement*> atRow;
    bool unique = true;
    int rows = 0;
    void Add(TRegimeElement* e, int row) {
      if (row <= 0 || row > rows) return;
      unique = unique && atRow[row] == nullptr;
      atRow[row] = e;
    }
  };
  auto nodeRowOf = [](const TRegimeElement* e) { return (e->Flags & efLoopClosing) ? 0 : e->NodeIndex; };
  auto branchRowOf = [](const TRegimeElement* e) { return e->Parent != nullptr ? e->BranchIndex : 0; };
  // Rows named twice are rare: only then is the tree walked again for the list in its order.
  auto take = [first](TRowOrder& order, auto rowOf) {
    std::vector<TRegimeElement*> list;
    if (order.unique) {
      std::erase(order.atRow, nullptr);
      list.swap(order.atRow);
      return list;
    }
    order.atRow = {};
    for (TRegimeElement* e = first; e != nullptr; e = e->NextInTree) {
      const int row = rowOf(e);
      if (row > 0 && row <= order.rows) list.push_back(e);
    }
    return list;
  };
  TRowOrder nodeRowOrder, branchRowOrder;
  nodeRowOrder.rows = nodeRows;
  branchRowOrder.rows = branchRows;
  nodeRowOrder.atRow.assign(static_cast<std::size_t>(nodeRows) + 1, nullptr);
  branchRowOrder.atRow.assign(static_cast<std::size_t>(branchRows) + 1, nullptr);
  auto rowSlot = [](TRowOrder& order, int row) {
    if (row > 0 && row <= order.rows) FetchLine(&order.atRow[static_cast<std::size_t>(row)]);
  };
  WalkTreeFetching(
      first,
      [&](const TRegimeElement* e) {
        rowSlot(nodeRowOrder, nodeRowOf(e));
        rowSlot(branchRowOrder, branchRowOf(e));
      },
      [&](TRegimeElement* e) {
        nodeRowOrder.Add(e, nodeRowOf(e));
        branchRowOrder.Add(e, branchRowOf(e));
      });

  // What the balance takes of the tables, in row order.
  // Each node's three are one record: the balance walks the tree and meets the rows in no order.
  struct TNodeRow {
    double gs = 0, bs = 0;
    int district = 0;
  };
  std::vector<TNodeRow> nodeRow(static_cast<std::size_t>(nodeRows) + 1);
  std::vector<int> branchDistrict(static_cast<std::size_t>(branchRows) + 1);
  for (int row = 1; row <= nodeRows; ++row) nodeRow[row] = {nc.Gs.Get(row), nc.Bs.Get(row), District(nc.Nr.Get(row))};
  for (int row = 1; row <= branchRows; ++row) branchDistrict[row] = District(bc.Nr.Get(row));

  // The modulus and angle of each node's voltage, kept for the branches, whose ends show them again:
  // the same calls on the same voltage, so the same numbers, for a third of the cost.
  // A row holds its one element's, unless two elements name it.
  struct TPolar {
    double modulus = 0, angle = 0;
  };
  const bool polarKept = nodeRowOrder.unique;
  std::vector<TPolar> nodePolar(polarKept ? static_cast<std::size_t>(nodeRows) + 1 : 0);
  auto polarOf = [&](const TRegimeElement* x) {
    const int row = nodeRowOf(x);
    if (polarKept && row > 0 && row <= nodeRows) return nodePolar[row];
    return TPolar{std::abs(x->U), TableAngle(x->U.real(), x->U.imag())};
  };

  // Nodes: the table.
  std::vector<TRegimeElement*> nodeOrder = take(nodeRowOrder, nodeRowOf);
  for (std::size_t k = 0; k < nodeOrder.size(); ++k) {
    if (k + kFetchAhead < nodeOrder.size()) {
      // The lines of the record that the row takes: voltage and flags, loads, nominal voltage.
      const TRegimeElement* ahead = nodeOrder[k + kFetchAhead];
      FetchLine(&ahead->U);
      FetchLine(&ahead->Load1);
      FetchLine(&ahead->Unom);
    }
    TRegimeElement* e = nodeOrder[k];
    const int row = e->NodeIndex;
    const bool unsupplied = (e->Flags & efUnsupplied) != 0;
    const Complex u = e->U;
    const double u2 = std::norm(u);
    const TPolar polar{std::abs(u), TableAngle(u.real(), u.imag())};
    if (polarKept) nodePolar[row] = polar;
    nc.Urez.Set(row, polar.modulus);
    nc.Angle.Set(row, polar.angle);
    if (!(e->Flags & (efSource | efFixedVoltage | efUnsupplied))) {
      if (e->Unom == 0) e->Unom = static_cast<float>(NearestNominalVoltage(std::abs(u)));
      const double um = nc.Um.Get(row);
      if (um == 0 || static_cast<float>(um) != e->Unom) nc.Um.Set(row, e->Unom);
    }
    if (!SupplyHours.empty() && static_cast<std::size_t>(row) < SupplyHours.size()) nc.Trab.Set(row, SupplyHours[row]);

    const double gs = nodeRow[row].gs, bs = nodeRow[row].bs;
    // The node currents are shown in amperes, like the branch currents; the engine holds them in its
    // own unit, in which |U|·|I| is MVA.
    const double amperes = 1000.0 / std::sqrt(PhaseCurrents ? 1.0 : 3.0);
    if (LoadType == 0) {
      const Complex l = e->Load1, g = e->Load2;
      if (LoadsAsInput && !unsupplied) {
        nc.Pn.Set(row, l.real());
        nc.Qn.Set(row, -l.imag());
        nc.Pg.Set(row, -g.real());
        nc.Qg.Set(row, g.imag());
        nc.WPn.Set(row, 0);
        nc.WQn.Set(row, 0);
        nc.WPg.Set(row, 0);
        nc.WQg.Set(row, 0);
      }
      const bool live = u2 != 0;
      nc.Ina.Set(row, live ? amperes * (l.real() * u.real() - l.imag() * u.imag()) / u2 : 0);
      nc.Inr.Set(row, live ? amperes * (l.real() * u.imag() + l.imag() * u.real()) / u2 : 0);
      nc.Iga.Set(row, live ? -amperes * (g.real() * u.real() - g.imag() * u.imag()) / u2 : 0);
      nc.Igr.Set(row, live ? -amperes * (g.real() * u.imag() + g.imag() * u.real()) / u2 : 0);
      if (!(e->Flags & (efSource | efFixedVoltage)) && !nc.Sign.StartsWithLetter(row, 'U')) {
        nc.Pbal.Set(row, nc.Pbal.Get(row) + nc.Pn.Get(row) - nc.Pg.Get(row) + u2 * gs * 1e-6);
        nc.Qbal.Set(row, nc.Qbal.Get(row) + nc.Qn.Get(row) - nc.Qg.Get(row) + u2 * bs * 1e-6);
      }
    } else if (LoadType == 1) {
      const Complex l = e->Load1, g = e->Load2;
      if (LoadsAsInput && !unsupplied) {
        nc.Ina.Set(row, amperes * l.real());
        nc.Inr.Set(row, amperes * l.imag());
        // Generation currents are read negated into the element: negated back, so that a table written
        // as input reads the same currents again.
        nc.Iga.Set(row, -amperes * g.real());
        nc.Igr.Set(row, -amperes * g.imag());
      }
      const double pn = l.real() * u.real() + l.imag() * u.imag();
      const double qn = l.real() * u.imag() - l.imag() * u.real();
      const double pg = -(g.real() * u.real() + g.imag() * u.imag());
      const double qg = -(g.real() * u.imag() - g.imag() * u.real());
      nc.Pn.Set(row, pn);
      nc.Qn.Set(row, qn);
      nc.Pg.Set(row, pg);
      nc.Qg.Set(row, qg);
      nc.Pbal.Set(row, nc.Pbal.Get(row) + pn - pg);
      nc.Qbal.Set(row, nc.Qbal.Get(row) + qn - qg);
    }

    // Sources: what they give, in the load sign convention.
    const TRegimeElement* fixed = fixedBranch.empty() ? nullptr : fixedBranchOf(e);
    if ((e->Flags & efSource) && !unsupplied) {
      const Complex s = Through(e);
      if (SumSbal) {
        nc.Pbal.Set(row, 0);
        nc.Qbal.Set(row, 0);
        nc.Pg.Set(row, nc.Pg.Get(row) + s.real());
        nc.Qg.Set(row, nc.Qg.Get(row) + s.imag());
      } else {
        nc.Pbal.Set(row, -s.real());
        nc.Qbal.Set(row, -s.imag());
      }
    } else if (fixed != nullptr) {
      const Complex s = Through(fixed);
      if (SumSbal) {
        nc.Pbal.Set(row, 0);
        nc.Qbal.Set(row, 0);
        nc.Pg.Set(row, nc.Pg.Get(row) + s.real());
        nc.Qg.Set(row, nc.Qg.Get(row) + s.imag());
      } else {
        nc.Pbal.Set(row, s.real());
        nc.Qbal.Set(row, -s.imag());
      }
    }
  }

  // Nodes: the balance. Neighbouring nodes mostly share a district: the sums of the last one are kept
  // at hand (the map's entries stay where they are), instead of two searches of the map per node.
  int lastDistrict = 0;
  TPowerPair *districtConsumption = nullptr, *districtGeneration = nullptr;
  auto nodeBalance = [&](TRegimeElement* e) {
    const int row = nodeRowOf(e);
    if (row <= 0 || row > nodeRows) return;
    const bool unsupplied = (e->Flags & efUnsupplied) != 0;
    const Complex u = e->U;
    const double u2 = std::norm(u);
    const int district = nodeRow[row].district;
    if (district != 0 && district != lastDistrict) {
      lastDistrict = district;
      districtConsumption = &balance.ConsumptionByDistrict[district];
      districtGeneration = &balance.GenerationByDistrict[district];
    }
    auto consume = [&](double p, double q) {
      balance.Consumption.Add(p, q);
      if (district != 0) districtConsumption->Add(p, q);
    };
    auto generate = [&](double p, double q) {
      balance.Generation.Add(p, q);
      if (district != 0) districtGeneration->Add(p, q);
    };
    if (LoadType == 0) {
      if (!unsupplied) {
        // What the node takes at its voltage (static characteristics included) less its generation.
        const Complex g = e->Load2;
        const Complex taken = e->Load - e->Load2;
        consume(taken.real(), -taken.imag());
        generate(g.real(), -g.imag());
      }
    } else if (LoadType == 1) {
      const Complex l = e->Load1, g = e->Load2;
      const double pn = l.real() * u.real() + l.imag() * u.imag();
      const double qn = l.real() * u.imag() - l.imag() * u.real();
      const double pg = -(g.real() * u.real() + g.imag() * u.imag());
      const double qg = -(g.real() * u.imag() - g.imag() * u.real());
      if (!unsupplied) {
        consume(pn, qn);
        generate(-pg, -qg);
      }
    }
    const TRegimeElement* fixed = fixedBranch.empty() ? nullptr : fixedBranchOf(e);
    if ((e->Flags & efSource) && !unsupplied) {
      const Complex s = Through(e);
      if (SumSbal) {
        generate(-s.real(), -s.imag());
      } else {
        balance.Balancing.Add(-s.real(), -s.imag());
      }
    } else if (fixed != nullptr) {
      const Complex s = Through(fixed);
      if (SumSbal) {
        generate(0, -s.imag());
      } else {
        balance.Balancing.Add(0, -s.imag());
      }
    }
    // Shunts of the node itself: reactors draw reactive power, capacitor banks give it.
    if (!unsupplied) {
      const double p = u2 * nodeRow[row].gs * 1e-6, q = u2 * nodeRow[row].bs * 1e-6;
      (q >= 0 ? balance.Reactors : balance.Capacitors).Add(p, q);
    }
  };

  // Branches: the losses of every element.
  int lossDistrict = 0;
  TPowerPair* districtLosses = nullptr;
  auto lossBalance = [&](TRegimeElement* e) {
    const double i2 = std::norm(e->I);
    const TRegimeElement* parent = e->Parent;
    const Complex up = parent != nullptr ? parent->U : Complex();
    balance.SeriesLosses.Add(i2 * e->R, i2 * e->X);
    const Complex mid = (e->U + e->K * up) / 2.0;
    const double mid2 = std::norm(mid);
    if (mid2 != 0 && e->R != 0) {
      const double a = mid.real() * e->I.real() + mid.imag() * e->I.imag();
      const double r = mid.imag() * e->I.real() - mid.real() * e->I.imag();
      balance.ActiveFlowShare += a * a * e->R / mid2;
      balance.ReactiveFlowShare += r * r * e->R / mid2;
    }
    double g = 0, b = 0;
    if (!(e->Flags & efLoopClosing) && e->NodeIndex > 0 && e->NodeIndex <= nodeRows) {
      g = nodeRow[e->NodeIndex].gs;
      b = nodeRow[e->NodeIndex].bs;
    }
    const double u2 = std::norm(e->U);
    balance.NoLoadLosses.Add(u2 * (e->Gs - g) * 1e-6, u2 * (e->Bs - b) * 1e-6);

    const int row = e->BranchIndex;
    if (row <= 0 || row > branchRows || parent == nullptr) return;
    const bool openBoth = (e->Flags & (efOpenNumber | efOpenNumber2)) == (efOpenNumber | efOpenNumber2);
    if (openBoth) return;
    // The district's losses: series and the branch's own shunt where it sits.
    const int district = branchDistrict[row];
    if (district != 0) {
      const bool reversed = (e->Flags & efReversed) != 0;
      double gOwn, bOwn, gParent, bParent;
      if (e->Flags & efHasRatio) {
        gOwn = reversed ? 0 : e->G;
        bOwn = reversed ? 0 : e->B;
        gParent = reversed ? e->G : 0;
        bParent = reversed ? e->B : 0;
      } else {
        gOwn = gParent = e->G / 2;
        bOwn = bParent = e->B / 2;
      }
      const double up2 = std::norm(up);
      if (district != lossDistrict) {
        lossDistrict = district;
        districtLosses = &balance.LossesByDistrict[district];
      }
      districtLosses->Add(i2 * e->R + (u2 * gOwn + up2 * gParent) * 1e-6,
                          i2 * e->X + (u2 * bOwn + up2 * bParent) * 1e-6);
    }
  };

  // One walk for both: each walk of the records costs a cache miss an element, and the sums of the two
  // parts are apart, each still added in tree order.
  WalkTreeFetching(
      first,
      [&](const TRegimeElement* e) {
        const int row = nodeRowOf(e), branch = e->BranchIndex;
        if (row > 0 && row <= nodeRows) FetchLine(&nodeRow[static_cast<std::size_t>(row)]);
        if (branch > 0 && branch <= branchRows) FetchLine(&branchDistrict[static_cast<std::size_t>(branch)]);
        if (e->Parent != nullptr) FetchLine(&e->Parent->U);
      },
      [&](TRegimeElement* e) {
        nodeBalance(e);
        lossBalance(e);
      });

  // Branches: the table.
  std::vector<TRegimeElement*> branchOrder = take(branchRowOrder, branchRowOf);
  for (std::size_t k = 0; k < branchOrder.size(); ++k) {
    // The lines of the records that the row takes: the branch's current, ratio and parent, the flags,
    // nominal voltages and names of both ends.
    if (k + kFetchAhead < branchOrder.size()) {
      const TRegimeElement* ahead = branchOrder[k + kFetchAhead];
      FetchLine(&ahead->I);
      FetchLine(&ahead->Flags);
      FetchLine(&ahead->Unom);
      FetchLine(&ahead->Name);
    }
    if (k + kFetchAhead / 2 < branchOrder.size()) {
      const TRegimeElement* parent = branchOrder[k + kFetchAhead / 2]->Parent;
      FetchLine(&parent->Flags);
      FetchLine(&parent->Unom);
      FetchLine(&parent->Name);
    }
    TRegimeElement* e = branchOrder[k];
    const int row = e->BranchIndex;
    const TRegimeElement* parent = e->Parent;
    const bool reversed = (e->Flags & efReversed) != 0;
    const bool openBoth = (e->Flags & (efOpenNumber | efOpenNumber2)) == (efOpenNumber | efOpenNumber2);

    std::array<char, 16> ownDigits, otherDigits;
    const std::string_view own = NodeName(e, ownDigits), other = NodeName(parent, otherDigits);
    bc.Name1.Set(row, reversed ? other : own);
    bc.Name2.Set(row, reversed ? own : other);

    const double kta = e->K.real(), ktr = e->K.imag();
    const Complex i = e->I;
    if (reversed) {
      bc.Ia.Set(row, kta * i.real() - ktr * i.imag());
      bc.Ir.Set(row, kta * i.imag() + ktr * i.real());
    } else {
      bc.Ia.Set(row, -i.real());
      bc.Ir.Set(row, -i.imag());
    }
    const double a = reversed ? kta * i.real() + ktr * i.imag() : -i.real();
    const double r = reversed ? kta * i.imag() - ktr * i.real() : -i.imag();
    bc.Faza.Set(row, TableAngle(a, r));
    bc.Irez.Set(row, 1000.0 * std::sqrt((a * a + r * r) / (PhaseCurrents ? 1.0 : 3.0)));
    if (!(e->Flags & efUnsupplied)) bc.Ul.Set(row, std::max(NodeClass(e), NodeClass(parent)));
    if (!openBoth) {
      const TPolar ownEnd = polarOf(e), parentEnd = polarOf(parent);
      const TPolar& n1 = reversed ? parentEnd : ownEnd;
      const TPolar& n2 = reversed ? ownEnd : parentEnd;
      bc.U1.Set(row, n1.modulus);
      bc.F1.Set(row, n1.angle);
      bc.U2.Set(row, n2.modulus);
      bc.F2.Set(row, n2.angle);
    }
  }

  // The passes' arrays are given back before the checks and the files take memory of their own.
  nodeRowOrder = {};
  branchRowOrder = {};
  nodeOrder = {};
  branchOrder = {};
  nodeRow = {};
  nodePolar = {};
  branchDistrict = {};

  if (FromFiles) {
    AppendFixedVoltageSections(*this, *nodes, protocol);
    bool overCurrent = false, overFlow = false, under = false, over = false;
    CheckLoadLimits(overCurrent, overFlow, 0, 0);
    CheckVoltageDeviations(unomFile, under, Un, Uv, over);
    AppendLimitSections(overCurrent, overFlow, over, under, protocol);
    AppendBalance(balance, Digits, Dimension, protocol);
  }

  // The regime's nodes and branches in one run with its protocol and the command's tables that go with
  // them (the engine's locks of them serve it): a program that ends halfway leaves the results of one
  // regime, never the nodes of one with the branches or the protocol of another.
  set.insert(set.begin(), {{SchemePath + nodeExt, nodes}, {SchemePath + branchExt, branches}});
  std::vector<TRunBytes> texts;
  if (FromFiles) texts.push_back({SchemePath + ".RGM", ProtocolBytes(protocol)});
  WriteTableSet(set, texts);
}

}  // namespace ld
