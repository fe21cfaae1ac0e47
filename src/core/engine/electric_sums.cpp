#include "core/engine/electric_sums.h"

#include <cmath>
#include <complex>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/line_expr.h"
#include "core/engine/electric.h"
#include "core/engine/results.h"

namespace ld {

const std::array<std::string, 6> EquipmentKinds = {"Линии",          "Кабельные линии", "Воздушные линии",
                                                   "Трансформаторы", "Токоогр. реакт.", "Шунт. реакторы"};
const std::array<std::string, 2> EquipmentOwners = {"РЭС", "Абонент"};

namespace {

using Complex = std::complex<double>;

long long Whole(double v) { return static_cast<long long>(std::nearbyint(v)); }

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Ownership letters of column A in Windows-1251: "А" subscribers, "Б" ownerless, "С" other companies.
constexpr char kOwnerSubscriber = static_cast<char>(0xC0);
constexpr char kOwnerless = static_cast<char>(0xC1);
constexpr char kOwnerOther = static_cast<char>(0xD1);

bool OwnershipMatches(int ownership, char letter) {
  switch (ownership) {
    case 1: return letter != kOwnerSubscriber && letter != kOwnerOther;
    case 2: return letter == kOwnerSubscriber;
    case 3: return letter == kOwnerless;
    case 4: return letter == kOwnerOther;
    default: return true;
  }
}

bool VoltageMatches(double unom, double ul) { return unom == 0 || Whole(ul) == Whole(unom); }
bool DistrictMatches(int district, double nr) { return district == 0 || Whole(std::fabs(nr)) == district; }

// Whether a branch row counts in the sums of an equipment kind (0 all, 1-3 lines, 4 transformers,
// 5 reactors) under the voltage, district and ownership filters.
template <class Cols>
bool BranchCounts(const Cols& branches, int row, int kind, bool line, bool transformer, bool reactor,
                  double unom, int district, int ownership) {
  bool pass = true;
  switch (kind) {
    case 0: break;
    case 1: case 2: case 3: pass = line; break;
    case 4: pass = transformer; break;
    case 5: pass = reactor; break;
    default: pass = false; break;
  }
  return pass && VoltageMatches(unom, branches.Ul->Get(row)) && DistrictMatches(district, branches.Nr->Get(row)) &&
         OwnershipMatches(ownership, branches.A->Get(row));
}

// The part of a line of the kind's section type ('К' cable, 'В' overhead); zeros when the expression
// fails, with the row's message.
struct LinePart {
  float R = 0, X = 0, G = 0, B = 0;
};
LinePart PartOfLine(int kind, int row, const std::string& mark, float ul, std::vector<std::string>* messages,
                    const TLinePartEvaluator& linePart) {
  LinePart part;
  std::string error;
  if (!linePart(mark, ul, kind == 2 ? U'К' : U'В', part.R, part.X, part.G, part.B, error)) {
    if (messages != nullptr) messages->push_back(IntToStr(row) + ": " + error);
    part = LinePart{};
  }
  return part;
}

// The evaluator of a sum by cable or overhead lines: the caller's, or the line catalogue of the settings'
// catalogue folder, loaded for the sum and freed after it.
class SectionEvaluator {
public:
  SectionEvaluator(int kind, const TLinePartEvaluator& given) : evaluator_(given) {
    if ((kind != 2 && kind != 3) || evaluator_) return;
    // A sum only reads: without a catalogue every line is reported as not found, and none is created.
    std::error_code ec;
    if (std::filesystem::exists(FindFileNoCase(IniRec.Path + CatalogFileLN), ec)) {
      LoadCatalogLN(IniRec.Path, false);
    } else {
      FreeCatalogLN();
    }
    loaded_ = true;
    evaluator_ = CatalogLineSections;
  }
  ~SectionEvaluator() {
    if (loaded_) FreeCatalogLN();
  }
  SectionEvaluator(const SectionEvaluator&) = delete;
  SectionEvaluator& operator=(const SectionEvaluator&) = delete;
  const TLinePartEvaluator& Get() const { return evaluator_; }

private:
  TLinePartEvaluator evaluator_;
  bool loaded_ = false;
};

}  // namespace

bool CatalogLineSections(const std::string& mark, float unom, char32_t lineType, float& R, float& X, float& G,
                         float& B, std::string& error) {
  float idop = 0, length = 0;
  if (ParseLineExpression(mark, R, X, unom, G, B, idop, length, IniRec.CutMark, lineType)) return true;
  error = CatalogErrorLN;
  return false;
}

TLossSums SumPowerLossesByCriteria(const TNodeCols& nodes, const TBranchCols& branches, int kind, double unom,
                                   int district, int ownership, std::vector<std::string>* messages,
                                   const TLinePartEvaluator& linePart) {
  TLossSums s;
  const SectionEvaluator sections(kind, linePart);
  // The currents of the table are line currents unless the settings show phase currents; either way the
  // engine's current is what |U|·|I| makes MVA of.
  const double lineFactor = IniRec.FlagIF ? 1.0 : std::sqrt(3.0);
  for (int row = 1; row <= branches.RowCount; ++row) {
    const double kta = branches.Kta->Get(row), ktr = branches.Ktr->Get(row);
    const std::string type = branches.TypEqu->GetItem(row);
    const bool reactor = StartsWith(type, "RT");
    const bool transformer = kta != 0 || ktr != 0;
    const bool line = !transformer && !reactor;
    const double tz = DistributionFactor(branches.Tz->Get(row));
    const double im = 0.001 * branches.Irez->Get(row) * lineFactor;
    const double u1 = branches.U1->Get(row), u2 = branches.U2->Get(row);
    double r = branches.R->Get(row) * tz, x = branches.X->Get(row) * tz;
    double g = branches.G->Get(row), b = branches.B->Get(row);

    auto shunt = [&](double gg) { return (transformer ? u1 * u1 * gg : (u1 * u1 + u2 * u2) * gg / 2) * 1e-6; };
    // The whole scheme counts every branch with its own parameters.
    s.dPTotal += im * im * r + shunt(g);

    if (!BranchCounts(branches, row, kind, line, transformer, reactor, unom, district, ownership)) continue;

    if (kind == 2 || kind == 3) {
      const LinePart part =
          PartOfLine(kind, row, branches.Mark->GetItem(row), branches.Ul->Get(row), messages, sections.Get());
      r = part.R * tz;
      x = part.X * tz;
      g = part.G;
      b = part.B;
    }
    s.dPLoad += im * im * r;
    s.dQLoad += im * im * x;
    s.dPNoLoad += shunt(g);
    s.dQNoLoad += shunt(b);

    const Complex ua = PolarToRect(branches.F1->Get(row), u1);
    Complex ub = PolarToRect(branches.F2->Get(row), u2);
    if (transformer) ub *= Complex(kta, ktr);
    const Complex mid = (ua + ub) / 2.0;
    const double mid2 = std::norm(mid);
    if (mid2 != 0) {
      const Complex flow = mid * std::conj(PolarToRect(branches.Faza->Get(row), im));
      s.dPActive += flow.real() * flow.real() * r / mid2;
      s.dPReactive += flow.imag() * flow.imag() * r / mid2;
    }
  }

  for (int row = 1; row <= nodes.RowCount; ++row) {
    const double gs = nodes.Gs->Get(row), bs = nodes.Bs->Get(row);
    if (gs == 0 && bs == 0) continue;
    const double urez = nodes.Urez->Get(row);
    const double p = 1e-6 * urez * urez * gs;
    s.dPTotal += p;
    if ((kind == 0 || kind == 6) && VoltageMatches(unom, NearestNominalVoltage(nodes.Um->Get(row))) &&
        DistrictMatches(district, nodes.Nr->Get(row))) {
      s.dPNoLoad += p;
      s.dQNoLoad += 1e-6 * urez * urez * bs;
    }
  }
  return s;
}

TLossSums SumEnergyLossesByCriteria(const TNodeEnergyCols& nodes, const TBranchEnergyCols& branches, int kind,
                                    double unom, int district, int ownership, std::vector<std::string>* messages,
                                    const TLinePartEvaluator& linePart) {
  TLossSums s;
  const SectionEvaluator sections(kind, linePart);
  for (int row = 1; row <= branches.RowCount; ++row) {
    const std::string type = branches.TypEqu->GetItem(row);
    const bool reactor = StartsWith(type, "RT");
    const bool transformer = Utf8Left(type, 1) == "Т";
    const double dWPz = branches.dWPz->Get(row), dWQz = branches.dWQz->Get(row);
    const double dWPy = branches.dWPy->Get(row), dWQy = branches.dWQy->Get(row);
    const double dWPp = NumericCell(branches.dWPp, row), dWPq = NumericCell(branches.dWPq, row);
    s.dPTotal += dWPz + dWPy;

    if (!BranchCounts(branches, row, kind, !transformer && !reactor, transformer, reactor, unom, district,
                      ownership))
      continue;

    // A line's cable or overhead part takes the share of each loss that its parameter has of the line's.
    double fr = 1, fx = 1, fg = 1, fb = 1;
    if (kind == 2 || kind == 3) {
      const LinePart part =
          PartOfLine(kind, row, branches.Mark->GetItem(row), branches.Ul->Get(row), messages, sections.Get());
      auto share = [](double partValue, double whole) { return whole != 0 ? partValue / whole : 0.0; };
      fr = share(part.R, branches.R->Get(row));
      fx = share(part.X, branches.X->Get(row));
      fg = share(part.G, branches.G->Get(row));
      fb = share(part.B, branches.B->Get(row));
    }
    s.dPLoad += dWPz * fr;
    s.dQLoad += dWQz * fx;
    s.dPNoLoad += dWPy * fg;
    s.dQNoLoad += dWQy * fb;
    s.dPActive += dWPp * fr;
    s.dPReactive += dWPq * fr;
  }

  for (int row = 1; row <= nodes.RowCount; ++row) {
    const double wps = NumericCell(nodes.WPs, row), wqs = NumericCell(nodes.WQs, row);
    if (wps == 0 && wqs == 0) continue;
    s.dPTotal += wps;
    if ((kind == 0 || kind == 6) && VoltageMatches(unom, NumericCell(nodes.Unom, row)) &&
        DistrictMatches(district, nodes.Nr->Get(row))) {
      s.dPNoLoad += wps;
      s.dQNoLoad += wqs;
    }
  }
  return s;
}

TClassPowers CalcTgByVoltageClass(const TNodeCols& nodes, const TBranchCols& branches) {
  TClassPowers c;
  auto classOf = [](double u) {
    const long long v = Whole(NearestNominalVoltage(u));
    return v < 35 ? 1 : (v == 35 ? 2 : 3);
  };
  for (int row = 1; row <= nodes.RowCount; ++row) {
    const int k = classOf(nodes.Um->Get(row));
    if (k == 1) {
      c.P[1] += nodes.Pn->Get(row) - nodes.Pg->Get(row);
      c.Q[1] += nodes.Qn->Get(row) - nodes.Qg->Get(row);
    }
    const char sign = nodes.Sign->Get(row);
    if ((sign == 'B' || sign == 'b') && k >= 2) {
      c.P[k] -= nodes.Pbal->Get(row);
      c.Q[k] -= nodes.Qbal->Get(row);
    }
  }
  for (int row = 1; row <= branches.RowCount; ++row) {
    const double kta = branches.Kta->Get(row);
    if (kta == 0) continue;
    if (Whole(NearestNominalVoltage(branches.Ul->Get(row) / kta)) != 35) continue;
    const TBranchFlows f = CalcBranchFlows(branches.U1->Get(row), branches.F1->Get(row), branches.U2->Get(row),
                                           branches.F2->Get(row), branches.Irez->Get(row), branches.Faza->Get(row),
                                           branches.R->Get(row), branches.X->Get(row), branches.G->Get(row),
                                           branches.B->Get(row), kta, branches.Ktr->Get(row));
    c.P[2] += f.P2;
    c.Q[2] += f.Q2;
  }
  return c;
}

}  // namespace ld
