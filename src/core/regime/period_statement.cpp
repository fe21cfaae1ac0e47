#include "core/regime/period_statement.h"

#include <cmath>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/office/docx.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"

namespace ld {
namespace {

char32_t Letter(const DAChar* column, int row) {
  if (column == nullptr) return 0;
  const char c = column->Get(row);
  return c == 0 || c == ' ' ? 0 : UpperChar(Cp1251Char(static_cast<unsigned char>(c)));
}

// Energies in whole kW·h with thousands separators.
std::string Energy(double v) { return FloatToStrNumber(v, 0); }

// A percentage with one decimal, first cut to `precision` significant digits.
std::string Percent(double v, int precision) {
  if (v != 0 && std::isfinite(v)) {
    const double scale = std::pow(10.0, precision - 1 - static_cast<int>(std::floor(std::log10(std::fabs(v)))));
    v = std::round(v * scale) / scale;
  }
  return FloatToStrNumber(v, 1);
}

// A quantity by group (0 other, 1 ownership "А") and class (0 other, 1 for 0.4 kV).
using Split = std::array<std::array<double, 2>, 2>;

Split Plus(const Split& a, const Split& b) {
  Split s{};
  for (int g = 0; g < 2; ++g)
    for (int c = 0; c < 2; ++c) s[g][c] = a[g][c] + b[g][c];
  return s;
}

// Columns 3 .. 11 of the structure table: total, by group, then other classes and 0.4 kV each the same.
std::array<double, 9> Columns(const Split& q) {
  const double other = q[0][0] + q[1][0], low = q[0][1] + q[1][1];
  return {other + low, q[0][0] + q[0][1], q[1][0] + q[1][1], other, q[0][0], q[1][0], low, q[0][1], q[1][1]};
}

}  // namespace

std::string LossStatementTemplate() { return FindFileNoCase(ProgramDir + "Потери.docx"); }

std::string LossStatementPath(const std::string& schemeBase) {
  const std::filesystem::path base(schemeBase);
  return (base.parent_path() / ("Потери " + base.filename().string() + ".docx")).string();
}

bool WriteLossReportDoc(const std::string& templatePath, const std::string& outputPath, const TLossStatementData& data,
                        const TDataFile& branchEnergy, const std::function<void(const std::string&)>& errorBox) {
  // The old statement stays until a new one is whole: a missing template leaves it as it was.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(templatePath, ec)) {
    if (errorBox) errorBox("Шаблон документа " + templatePath + " не найден");
    return false;
  }
  DocxDocument doc = DocxDocument::Open(templatePath);
  // Tables are filled by their number, so a template that lost one or gained one would take the figures
  // into the wrong tables.
  doc.ExpectTables(5, "ведомость потерь");
  doc.SetCellText(1, 1, 2, data.SchemeName);
  doc.SetCellText(2, 1, 2, FormatDateTime("dd.mm.yyyy", data.Date1) + " - " + FormatDateTime("dd.mm.yyyy", data.Date2));
  doc.SetCellText(3, 1, 2, FormatDateTime("dd.mm.yyyy hh:nn:ss", data.Now));

  const TMeterTotals& t = data.Totals;
  const double s = t.Received - t.Delivered + t.Generation - t.OwnNeeds;
  const double values[] = {t.Received, t.Delivered, t.Generation, t.OwnNeeds, s, t.Consumption, s - t.Consumption};
  for (int row = 1; row <= 7; ++row) doc.SetCellText(4, row, 3, Energy(values[row - 1]));
  if (s != 0) doc.SetCellText(4, 8, 3, Percent((s - t.Consumption) * 100 / s, 4));

  Split noLoad{}, load{}, lines{};
  TBranchEnergyCols be;
  FillBranchEnergyCols(branchEnergy, be);
  for (int r = 1; r <= be.RowCount; ++r) {
    const bool transformer = Letter(be.T, r) == U'Т';
    const int group = Letter(be.A, r) == U'А' ? 1 : 0;
    const double ul = be.Ul != nullptr ? be.Ul->Get(r) : 0;
    const int cls = std::isfinite(ul) && std::fabs(ul) < 1e6 && Round(ul * 10) == 4 ? 1 : 0;
    const double z = be.dWPz != nullptr ? be.dWPz->Get(r) : 0, y = be.dWPy != nullptr ? be.dWPy->Get(r) : 0;
    if (transformer) {
      noLoad[group][cls] += y;
      load[group][cls] += z;
    } else {
      lines[group][cls] += y + z;
    }
  }
  // The reactive sums count 4 for "А", 2 for a branch with a ratio and 1 for 0.4 kV.
  Split reactiveTransformers{}, reactiveLines{};
  for (int g = 0; g < 2; ++g)
    for (int c = 0; c < 2; ++c) {
      reactiveTransformers[g][c] = data.ReactiveByClass[static_cast<std::size_t>(4 * g + 2 + c)];
      reactiveLines[g][c] = data.ReactiveByClass[static_cast<std::size_t>(4 * g + c)];
    }
  const Split transformers = Plus(noLoad, load);
  const bool percents = t.Received != 0 && s != 0;
  const auto put = [&](int row, const Split& q, bool withPercent) {
    const auto cols = Columns(q);
    for (int c = 0; c < 9; ++c) doc.SetCellText(5, row, c + 3, Energy(cols[static_cast<std::size_t>(c)]));
    if (withPercent && percents)
      for (int c = 0; c < 9; ++c)
        doc.SetCellText(5, row + 1, c + 3, Percent(cols[static_cast<std::size_t>(c)] * 100 / s, 15));
  };
  put(3, noLoad, false);
  put(5, load, false);
  put(6, reactiveTransformers, false);
  put(8, transformers, true);
  put(11, lines, true);
  put(14, reactiveLines, true);
  put(17, Plus(transformers, lines), true);

  doc.SaveAs(outputPath);
  return true;
}

}  // namespace ld
