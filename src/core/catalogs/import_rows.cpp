#include "core/catalogs/import_rows.h"

#include <algorithm>

#include "core/base/import_text.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/tables/table_ops.h"

namespace ld {

int AppendGraphCatalogRow(TDataFile& catalog, int number, const std::string& title, std::uint8_t kind, int period,
                          char letter, const std::string& unit) {
  const int row = catalog.RowCount + 1;
  InsertTableRows(catalog, row, 1);
  TGraphCatalogCols cols;
  FillGraphCatalogCols(catalog, cols);
  (*cols.Ngr)[row] = number;
  cols.Tit->SetItem(row, title);
  (*cols.Typ)[row] = kind;
  (*cols.Per)[row] = period;
  (*cols.Zam)[row] = letter;
  cols.Unt->SetItem(row, unit);
  return row;
}

bool GraphNumberInCatalog(const TDataFile& catalog, int number) {
  TGraphCatalogCols cols;
  FillGraphCatalogCols(catalog, cols);
  for (int row = 1; row <= cols.RowCount; ++row)
    if (cols.Ngr->Get(row) == number) return true;
  return false;
}

bool GraphUnitOfText(const std::string& text, char& letter, std::string& unit) {
  const std::string n = NormalizeName(ImportName(text));
  letter = 0;
  unit.clear();
  if (n == "МВТ") {
    letter = 'P';
    unit = "МВт";
  } else if (n == "МВАР") {
    letter = 'Q';
    unit = "МВАр";
  } else if (n == "КВ") {
    letter = 'U';
    unit = "кВ";
  }
  return letter != 0;
}

bool TGraphsRead::IsNew(const TDataFile& catalog, int number, const std::string& where) {
  if (catalog_ != &catalog) {
    TGraphCatalogCols cols;
    FillGraphCatalogCols(catalog, cols);
    catalogued_.clear();
    for (int row = 1; row <= cols.RowCount; ++row) catalogued_.insert(cols.Ngr->Get(row));
    catalog_ = &catalog;
  }
  const bool read = read_.contains(number);
  if (!read && !catalogued_.contains(number)) return true;
  std::string why =
      "график № " + std::to_string(number) + (read ? " встречается в файле второй раз" : " уже есть в каталоге");
  Taken.NotTaken(why);
  NotTaken.push_back(where.empty() ? std::move(why) : where + ": " + why);
  return false;
}

void TGraphsRead::Close() {
  if (Taken.Items == 0 || NotTaken.empty()) return;
  // a person reads the first few; a file of thousands of old graphs gives one line, not thousands
  constexpr std::size_t kShown = 10;
  std::string text = "графиков " + std::to_string(Taken.Items) + "; не взяты:";
  for (std::size_t k = 0; k < NotTaken.size() && k < kShown; ++k) text += "\n" + NotTaken[k];
  if (NotTaken.size() > kShown) text += "\nи еще " + std::to_string(NotTaken.size() - kShown);
  if (!Taken.Summary.empty()) text = Taken.Summary + "; " + text;
  Taken.Summary = std::move(text);
}

std::string GraphWithoutValuesText(int number, const std::string& where, const std::string& why) {
  return where + ": у графика № " + std::to_string(number) + " нет ни одного значения (" + why +
         "); график без значений не берется";
}

void AddImportedGraphs(const std::vector<TImportedGraph>& graphs, TDataFile& catalog, TDataFile& values) {
  for (const TImportedGraph& graph : graphs) {
    AppendGraphCatalogRow(catalog, graph.Number, graph.Title, graph.Kind, 3600, graph.Letter, graph.Unit);
    DAdouble dates, data;
    for (std::size_t k = 0; k < graph.Points.size(); ++k) {
      dates[static_cast<int>(k) + 1] = graph.Points[k].first;
      data[static_cast<int>(k) + 1] = graph.Points[k].second;
    }
    dates.Count = data.Count = static_cast<int>(graph.Points.size());
    PutGraphValues(values, graph.Number, dates, data);
  }
}

}  // namespace ld
