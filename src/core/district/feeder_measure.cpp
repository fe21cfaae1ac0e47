#include "core/district/feeder_measure.h"

#include <functional>
#include <unordered_map>

#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_district.h"

namespace ld {

namespace {

constexpr int kNameCol = 3;

// The first sheet row of each name, by the key a name is compared under.
using TFirstRows = std::unordered_map<std::string, int>;

TFirstRows FirstRows(const std::vector<std::string>& names, const std::function<std::string(const std::string&)>& key) {
  TFirstRows rows;
  for (int i = 1; i < static_cast<int>(names.size()); ++i) rows.emplace(key(names[i]), i);
  return rows;
}

// Feeder names compare as every district command compares them: Latin letters that look Cyrillic
// count as their Cyrillic twins.
std::string FeederKey(const std::string& upperName) { return NormalizeName(upperName); }

// One measured value: the first cell of the pair replaces the value (a cell that is no number leaves
// it), the second adds to it (a cell that is no number adds nothing).
void ReadPair(const TSheetCells& cells, int row, int first, int second, double& value,
              TImportMessages& messages) {
  ReadSheetValue(cells, first, row, value, messages);
  if (double added = 0; ReadSheetValue(cells, second, row, added, messages)) value += added;
}

struct TMeasuredRows {
  int RowCount;
  DAdouble *P, *Q;
  const TInt16Column* T;
};

// One pass over the rows of a table; name(r) gives the row's key as messages show it, and missing(r,
// key) the message of a row without a sheet row. The number of rows that took a sheet row.
int MatchRows(const TMeasuredRows& rows, const TFirstRows& sheetRows, const TSheetCells& cells,
               const std::function<std::string(int)>& name, const std::function<std::string(const std::string&)>& key,
               const std::function<std::string(int, const std::string&)>& missing, TImportMessages& messages,
               const TMeasureProgress& progress) {
  const int n = rows.RowCount;
  const int step = n / 10 == 0 ? n : n / 10;
  int mark = 0, position = 0, matched = 0;
  for (int r = 1; r <= n; ++r) {
    const std::string shown = name(r);
    const auto at = (*rows.T)[r] < 0 ? sheetRows.end() : sheetRows.find(key(shown));
    if (at == sheetRows.end()) {
      messages.Add(missing(r, shown));
    } else {
      const int i = at->second;
      ++matched;
      ReadPair(cells, i, 8, 12, (*rows.P)[r], messages);
      ReadPair(cells, i, 18, 22, (*rows.Q)[r], messages);
      (*rows.T)[r] = (*rows.Q)[r] == 0 ? 5 : 4;
    }
    if (r - mark >= step) {
      mark += step;
      position += static_cast<int>(Round(step * 100.0 / n));
      if (progress) progress(position);
    }
  }
  return matched;
}

}  // namespace

int ImportFeederMeasurements(TDataFile& inputs, TDataFile& feeders, const TSheetCells& cells,
                              std::vector<std::string>& messages, const TStageProc& stage,
                              const TMeasureProgress& progress) {
  TImportMessages bounded(messages);
  TSubstInputCols in;
  FillSubstInputCols(inputs, in);
  TSubstFeederCols fd;
  FillSubstFeederCols(feeders, fd);

  if (stage) stage("  Чтение замеров по вводам 10(6) кВ ... ");
  const std::vector<std::string> names = ScanNameColumn(cells, {kNameCol, UpperTrimmed, false});
  const auto same = [](const std::string& s) { return s; };
  int matched =
      MatchRows({in.RowCount, in.P, in.Q, &in.T}, FirstRows(names, same), cells,
                [&](int r) { return UpperTrimmed(in.NamePS->GetView(r)); }, same,
                [](int, const std::string& key) { return "Ввод " + key + " не найден"; }, bounded, progress);

  if (stage) stage("  Чтение замеров по фидерам 10(6) кВ ... ");
  if (progress) progress(0);
  matched += MatchRows(
      {fd.RowCount, fd.P, fd.Q, &fd.T}, FirstRows(names, FeederKey), cells,
      [&](int r) { return UpperTrimmed(fd.Name2->GetView(r)); }, FeederKey,
      [&](int r, const std::string& key) { return "Фидер " + fd.Name1->GetItem(r) + " - " + key + " не найден"; },
      bounded, progress);
  return matched;
}

}  // namespace ld
