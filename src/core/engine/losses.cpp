// Evaluations of a calculated regime: the total power loss, node voltages against the permitted
// deviations of their voltage class, branch currents and transformer flows against their limits.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/base/settings.h"
#include "core/engine/model_tables.h"
#include "core/engine/regime.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

// Current drawn by an end admittance (g, b) in µS at voltage u.
Complex ShuntCurrent(double g, double b, const Complex& u) {
  return 1e-6 * Complex(g * u.real() + b * u.imag(), g * u.imag() - b * u.real());
}

// Whether limit < max(|a|, |b|). Most branches are far from their limits: the squares decide where the
// difference is beyond any rounding of either side, and the moduli, exactly as always, where it is not.
bool OverLimit(double limit, const Complex& a, const Complex& b) {
  constexpr double kDoubt = 1e-9;
  const double l2 = limit * limit, na = std::norm(a), nb = std::norm(b);
  if (limit > 0 && l2 >= 1e-200 && l2 <= 1e200 && std::isfinite(na) && std::isfinite(nb)) {
    const double n = std::max(na, nb);
    if (l2 > n * (1 + kDoubt)) return false;
    if (n >= 1e-200 && l2 * (1 + kDoubt) < n) return true;
  }
  return limit < std::max(std::abs(a), std::abs(b));
}

// The engine's product U ⊗ I: the power whose real part is Re U·Re I + Im U·Im I.
Complex Flow(const Complex& u, const Complex& i) {
  return Complex(u.real() * i.real() + u.imag() * i.imag(), u.imag() * i.real() - u.real() * i.imag());
}

// Whole thousandths of a kilovolt, halves to even, as the catalogue's voltages are matched. Kept a
// double: a voltage no integer holds (a damaged 3.4E38) then matches no class instead of overflowing.
double Milli(double v) { return std::nearbyint(v * 1000.0); }

// Column fieldName of the voltage-class catalogue as doubles, rows 1..RowCount; empty when the file or
// the column is missing or unreadable.
std::vector<double> ReadCatalogColumn(const std::string& file, const std::string& fieldName) {
  std::vector<double> values(1, 0.0);
  try {
    const std::unique_ptr<TDynamicArray> column = ReadColumnFromFile(file, fieldName);
    if (column == nullptr) return values;
    const int rows = column->Count;
    values.resize(static_cast<std::size_t>(rows) + 1, 0.0);
    for (int r = 1; r <= rows; ++r) {
      if (const auto* d = dynamic_cast<const DAdouble*>(column.get())) {
        values[r] = d->Get(r);
      } else if (const auto* f = dynamic_cast<const DAsingle*>(column.get())) {
        values[r] = f->Get(r);
      } else if (const auto* g = dynamic_cast<const DAreal*>(column.get())) {
        values[r] = g->Get(r);
      }
    }
  } catch (const Error&) {
    values.assign(1, 0.0);
  }
  return values;
}

}  // namespace

double TRegime::TotalLosses() const {
  double sum = 0;
  if (Root == nullptr) return sum;
  for (const TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    sum += std::norm(e->I) * e->R + std::norm(e->U) * e->Gs * 1e-6;
  }
  return sum;
}

void TRegime::CheckVoltageDeviations(const std::string& unomFile, bool& Under, double DefaultMinus,
                                     double DefaultPlus, bool& Over) {
  std::vector<double> unom(1, 0.0), dUm(1, 0.0), dUp(1, 0.0);
  const std::string file = unomFile.empty() ? unomFile : FindFileNoCase(unomFile);
  std::error_code ec;
  if (!file.empty() && std::filesystem::exists(file, ec)) {
    unom = ReadCatalogColumn(file, "Unom");
    dUm = ReadCatalogColumn(file, "dUm");
    dUp = ReadCatalogColumn(file, "dUp");
  }
  Under = Over = false;
  UnderVoltageCount = OverVoltageCount = 0;
  if (Root == nullptr) return;

  const std::size_t rows = unom.size() - 1;
  auto cell = [](const std::vector<double>& column, std::size_t row) {
    return row < column.size() ? column[row] : 0.0;
  };
  // A scheme has a few voltage classes, and neighbouring nodes mostly share one: the catalogue row of the
  // last class is kept.
  double lastNominal = std::nan("");
  std::size_t lastRow = 0;
  for (const TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (e->Flags & (efLoopClosing | efUnsupplied)) continue;
    const double u = std::abs(e->U);
    const double nominal = e->Unom;
    if (!(nominal == lastNominal)) {
      lastNominal = nominal;
      lastRow = 0;
      for (std::size_t r = 1; r <= rows; ++r) {
        if (Milli(std::fabs(unom[r])) == Milli(nominal)) {
          lastRow = r;
          break;
        }
      }
    }
    const std::size_t row = lastRow;
    double minus = DefaultMinus, plus = DefaultPlus;
    if (row != 0 && (cell(dUm, row) != 0 || cell(dUp, row) != 0)) {
      minus = cell(dUm, row);
      plus = cell(dUp, row);
    }
    // A class written negative in the catalogue is left out of the check.
    if (nominal <= 0 || (row != 0 && unom[row] <= 0)) continue;
    if (minus == 0 && plus == 0) continue;
    const double d = (u - nominal) * 100.0 / nominal;
    if (d < 0 && std::fabs(d) > minus) {
      Under = true;
      ++UnderVoltageCount;
    } else if (d > 0 && std::fabs(d) > plus) {
      Over = true;
      ++OverVoltageCount;
    }
  }
}

void TRegime::CheckLoadLimits(bool& OverCurrent, bool& OverFlow, float CurrentPercent, float FlowPercent) {
  OverCurrent = OverFlow = false;
  OverCurrentCount = OverFlowCount = 0;
  if (Root == nullptr) return;
  const double currentFactor = CurrentPercent != 0 ? CurrentPercent / 100.0 : 1.0;
  const double flowFactor = FlowPercent != 0 ? FlowPercent / 100.0 : 1.0;
  // The parents lie behind in the records, at random: their voltages are fetched some elements before.
  WalkTreeFetching(Root->NextInTree, [](const TRegimeElement* e) {
    if (e->Parent != nullptr) FetchLine(&e->Parent->U);
  }, [&](const TRegimeElement* e) {
    if (e->SIdop == 0 && e->Sdop == 0) return;
    // Where the branch's own shunt sits: a transformer's wholly at one end, a line's half at each.
    double g1, b1, g2, b2;
    if (e->Flags & efHasRatio) {
      const bool atParent = (e->Flags & efReversed) != 0;
      g1 = atParent ? 0 : e->G;
      b1 = atParent ? 0 : e->B;
      g2 = atParent ? e->G : 0;
      b2 = atParent ? e->B : 0;
    } else {
      g1 = g2 = e->G / 2;
      b1 = b2 = e->B / 2;
    }
    const Complex up = e->Parent != nullptr ? e->Parent->U : Complex();
    const Complex i1 = e->I - ShuntCurrent(g1, b1, e->U);
    const Complex i2 = Complex(e->K.real() * e->I.real() + e->K.imag() * e->I.imag(),
                               e->K.real() * e->I.imag() - e->K.imag() * e->I.real()) +
                       ShuntCurrent(g2, b2, up);
    if (e->SIdop != 0 && OverLimit(e->SIdop * currentFactor, i1, i2)) {
      OverCurrent = true;
      ++OverCurrentCount;
    }
    if (e->Sdop != 0 && OverLimit(e->Sdop * flowFactor, Flow(e->U, i1), Flow(up, i2))) {
      OverFlow = true;
      ++OverFlowCount;
    }
  });
}

}  // namespace ld
