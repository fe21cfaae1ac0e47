#include "core/district/feeder_measure.h"

#include <functional>
#include <unordered_map>

#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_district.h"

namespace ld {

namespace {

constexpr int kNameCol = 3;
// the two active and the two reactive values of a row: a row of names and headings alone ("P1", "Q1") is
// a caption
const std::vector<int> kValueCols = {8, 12, 18, 22};

// The first sheet row of each name, by the key a name is compared under.
using TFirstRows = std::unordered_map<std::string, int>;

// A name that the name rule refuses (a control character inside) matches no row; its cell is named.
TFirstRows FirstRows(const std::vector<TSheetName>& names, const std::function<std::string(const std::string&)>& key) {
  TFirstRows rows;
  for (int i = 1; i < static_cast<int>(names.size()); ++i)
    if (names[i].Fault.empty()) rows.emplace(key(names[i].Name), i);
  return rows;
}

// Feeder names compare as every district command compares them: Latin letters that look Cyrillic
// count as their Cyrillic twins.
std::string FeederKey(const std::string& upperName) { return NormalizeName(upperName); }

// One measured value: the first cell of the pair replaces the value (a cell that is no number leaves
// it), the second adds to it (a cell that is no number adds nothing). False when a cell is no number.
bool ReadPair(const TSheetCells& cells, int row, int first, int second, double& value,
              TImportMessages& messages) {
  const bool firstRead = ReadSheetValue(cells, first, row, value, messages);
  double added = 0;
  if (!ReadSheetValue(cells, second, row, added, messages)) return false;
  value += added;
  return firstRead;
}

struct TMeasuredRows {
  int RowCount;
  DAdouble *P, *Q;
  const TInt16Column* T;
};

// One pass over the rows of a table; name(r) gives the row's key as messages show it, and missing(r,
// key) the message of a row without a sheet row. Taken: the rows that took a sheet row whose four
// values read; used: the sheet rows that a row took.
void MatchRows(const TMeasuredRows& rows, const TFirstRows& sheetRows, const TSheetCells& cells,
               const std::function<std::string(int)>& name, const std::function<std::string(const std::string&)>& key,
               const std::function<std::string(int, const std::string&)>& missing, TImportMessages& messages,
               const TMeasureProgress& progress, TImportTaken& taken, std::vector<char>& used) {
  const int n = rows.RowCount;
  const int step = n / 10 == 0 ? n : n / 10;
  int mark = 0, position = 0;
  for (int r = 1; r <= n; ++r) {
    const std::string shown = name(r);
    auto at = sheetRows.find(key(shown));
    // the sheet's row of an input left alone (a negative T) is the base's all the same: not named below
    if (at != sheetRows.end()) used[static_cast<std::size_t>(at->second)] = 1;
    if ((*rows.T)[r] < 0) at = sheetRows.end();
    if (at == sheetRows.end()) {
      std::string message = missing(r, shown);
      taken.NotTaken(message);
      messages.Add(std::move(message));
    } else {
      const int i = at->second;
      const bool p = ReadPair(cells, i, 8, 12, (*rows.P)[r], messages);
      const bool q = ReadPair(cells, i, 18, 22, (*rows.Q)[r], messages);
      (*rows.T)[r] = (*rows.Q)[r] == 0 ? 5 : 4;
      if (p && q)
        ++taken.Items;
      else
        taken.NotTaken("строка " + std::to_string(i) + " (" + shown + "): значение не является числом");
    }
    if (r - mark >= step) {
      mark += step;
      position += static_cast<int>(Round(step * 100.0 / n));
      if (progress) progress(position);
    }
  }
}

}  // namespace

TImportTaken ImportFeederMeasurements(TDataFile& inputs, TDataFile& feeders, const TSheetCells& cells,
                                      std::vector<std::string>& messages, const TStageProc& stage,
                                      const TMeasureProgress& progress) {
  TImportTaken taken;
  TImportMessages bounded(messages);
  TSubstInputCols in;
  FillSubstInputCols(inputs, in);
  TSubstFeederCols fd;
  FillSubstFeederCols(feeders, fd);

  if (stage) stage("  Чтение замеров по вводам 10(6) кВ ... ");
  const std::vector<TSheetName> names = ScanNameColumn(cells, {kNameCol, UpperTrimmed, false});
  for (std::size_t i = 1; i < names.size(); ++i)
    if (!names[i].Fault.empty()) NameCellFault(static_cast<int>(i), kNameCol, names[i].Fault, bounded, taken);
  std::vector<char> used(names.size());
  const auto same = [](const std::string& s) { return s; };
  const TFirstRows inputRows = FirstRows(names, same), feederRows = FirstRows(names, FeederKey);
  MatchRows({in.RowCount, in.P, in.Q, &in.T}, inputRows, cells,
            [&](int r) { return UpperTrimmed(in.NamePS->GetView(r)); }, same,
            [](int, const std::string& key) { return "Ввод " + key + " не найден"; }, bounded, progress, taken, used);

  if (stage) stage("  Чтение замеров по фидерам 10(6) кВ ... ");
  if (progress) progress(0);
  MatchRows(
      {fd.RowCount, fd.P, fd.Q, &fd.T}, FirstRows(names, FeederKey), cells,
      [&](int r) { return UpperTrimmed(fd.Name2->GetView(r)); }, FeederKey,
      [&](int r, const std::string& key) { return "Фидер " + fd.Name1->GetItem(r) + " - " + key + " не найден"; },
      bounded, progress, taken, used);

  // the sheet's rows of values that no input or feeder took: a name the base does not hold, or one that
  // a row above gave already (that row is taken)
  for (int i = 1; i < static_cast<int>(names.size()); ++i) {
    const TSheetName& name = names[static_cast<std::size_t>(i)];
    if (used[static_cast<std::size_t>(i)] || name.Name.empty() || !name.Fault.empty() ||
        !RowHoldsValue(cells, i, kValueCols))
      continue;
    const auto firstUsed = [&](const TFirstRows& rows, const std::string& key) {
      const auto at = rows.find(key);
      return at != rows.end() && at->second != i && used[static_cast<std::size_t>(at->second)];
    };
    const bool repeated = firstUsed(inputRows, name.Name) || firstUsed(feederRows, FeederKey(name.Name));
    NameRowNotTaken(i, name.Name, repeated ? TRowNotTaken::Repeated : TRowNotTaken::NotInBase, bounded, taken);
  }
  return taken;
}

}  // namespace ld
