#include "core/catalogs/import_grc.h"

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/catalogs/catwin_graph.h"
#include "core/catalogs/graph_tables.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// The catalogue's first row not below `number`; found tells whether that row holds the number.
int CatalogBound(const TGraphCatalogCols& cols, int number, bool& found) {
  const int row = FirstRowOfGraph(cols, number);
  found = row <= cols.RowCount && cols.Ngr->Get(row) == number;
  return row;
}

// Copies a row between tables of one layout name, column by field name, so that two files written
// under different versions of the layout still meet.
void CopyRowByField(const TDataFile& from, int fromRow, TDataFile& to, int toRow) {
  if (from.NCols == to.NCols) {
    bool same = true;
    for (int c = 1; c <= to.NCols && same; ++c)
      same = from.FieldName[static_cast<std::size_t>(c)] == to.FieldName[static_cast<std::size_t>(c)] &&
             from.ColType[static_cast<std::size_t>(c)] == to.ColType[static_cast<std::size_t>(c)];
    if (same) {
      CopyTableRow(from, to, fromRow, toRow);
      return;
    }
  }
  for (int c = 1; c <= to.NCols; ++c) {
    const std::string& field = to.FieldName[static_cast<std::size_t>(c)];
    int source = 0;
    for (int s = 1; s <= from.NCols && source == 0; ++s)
      if (from.FieldName[static_cast<std::size_t>(s)] == field) source = s;
    if (source == 0) continue;
    std::string text = GetCellText(from, fromRow, source, true);
    const std::uint8_t access = to.Access[static_cast<std::size_t>(c)];
    to.Access[static_cast<std::size_t>(c)] = 1;  // read-only columns are taken over too
    SetCellText(to, toRow, c, text);
    to.Access[static_cast<std::size_t>(c)] = access;
  }
}

// Whether the values table holds a row of that graph.
bool HasGraphValues(const TGraphValueCols& values, int number) {
  const int first = FirstRowOfGraph(values, number);
  return first <= values.RowCount && values.Ngr->Get(first) == number;
}

// Why a graph of the other catalogue is not taken; valuesFile names the values file when known.
std::string GraphOfNoValuesText(int number, const std::string& valuesFile = {}) {
  std::string text = "у графика № " + std::to_string(number) + " нет ни одной строки значений в файле ";
  if (valuesFile.empty())
    text += "значений графиков";
  else
    text.append(1, '"').append(fileio::FullFileName(valuesFile)).append(1, '"');
  return text + "; график без значений не берется";
}

}  // namespace

TImportTaken ReadGraphCatalogFile(const std::string& file, std::unique_ptr<TDataFile>& catalog,
                                  std::unique_ptr<TDataFile>& values) {
  RequireTableFile(file, GraphCatalogMaket);
  const std::string base = file.size() < 4 ? std::string() : file.substr(0, file.size() - 4);
  // the file chosen is the catalogue, whatever the letter case of its name ("пара.grc")
  catalog = std::make_unique<TDataFile>();
  ReadTableFile(file, *catalog);
  // a table of another layout would fail at its first missing column, naming no file
  if (catalog->Name != GraphCatalogMaket)
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(file) + "\": таблица макета \"" + catalog->Name +
                "\", а не \"" + GraphCatalogMaket + "\"");
  // a file cut at the end of a column's data would give the columns after it empty: every column of the
  // catalogue is taken over
  RequireTableFields(file, {"Ngr", "Per", "Nu", "Ntg", "Nt", "Tit", "Typ", "Zam", "Unt", "Us", "Tgf", "Dat1", "Dat2"});
  // the values lie in the file beside it, a program file found as the catalogue's own are, whatever the
  // letter case of its name: graphs taken without them would be graphs of nothing
  const std::string valuesFile = FindFileNoCase(base + GetMaketExtention(GraphValuesMaket));
  if (catalog->RowCount > 0 && !fileio::FileExists(valuesFile))
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(file) + "\": рядом с ним нет файла значений графиков \"" +
                fileio::FullFileName(valuesFile) + "\"; скопируйте его вместе с каталогом");
  values = std::make_unique<TDataFile>();
  if (fileio::FileExists(valuesFile)) {
    RequireTableFile(valuesFile, GraphValuesMaket);
    ReadTableFile(valuesFile, *values);
    if (values->Name != GraphValuesMaket)
      throw Error("Ошибка чтения файла \"" + fileio::FullFileName(valuesFile) + "\": таблица макета \"" + values->Name +
                  "\", а не \"" + GraphValuesMaket + "\"");
    RequireTableFields(valuesFile, {"Ngr", "Date", "Value"});
  } else {
    ReadMaket(GraphValuesMaket, *values);
    CreateColumns(*values, 0);
  }
  // a graph is taken with its values only: one of no value row is named, never added as a graph of nothing
  TGraphCatalogCols cols;
  FillGraphCatalogCols(*catalog, cols);
  TGraphValueCols valueCols;
  FillGraphValueCols(*values, valueCols);
  TImportTaken taken;
  for (int row = 1; row <= cols.RowCount; ++row) {
    const int number = cols.Ngr->Get(row);
    if (HasGraphValues(valueCols, number)) ++taken.Items;
    else taken.NotTaken(GraphOfNoValuesText(number, valuesFile));
  }
  taken.NotTaken("в каталоге нет ни одного графика");
  return taken;
}

int ImportGraphCatalog(TDataFile& own, TDataFile& ownValues, TDataFile& other, const TDataFile& otherValues,
                       std::vector<std::string>* notTaken) {
  TGraphCatalogCols theirs;
  FillGraphCatalogCols(other, theirs);
  TGraphValueCols theirValues;
  FillGraphValueCols(otherValues, theirValues);

  int taken = 0;
  for (int row = 1; row <= theirs.RowCount; ++row) {
    std::string title = theirs.Tit->GetItem(row);
    if (title.rfind(kChosenGraphMark, 0) != 0) continue;
    title.erase(0, 1);
    theirs.Tit->SetItem(row, title);
    const int number = theirs.Ngr->Get(row);
    if (!HasGraphValues(theirValues, number)) {
      if (notTaken) notTaken->push_back(GraphOfNoValuesText(number));
      continue;
    }

    TGraphCatalogCols mine;
    FillGraphCatalogCols(own, mine);
    bool found = false;
    const int at = CatalogBound(mine, number, found);
    if (found) {
      if (ShowMsgForm("График № " + IntToStr(number) + " существует в каталоге. Перезаписать его данные ?",
                      mkWarning, mbYesNo) != 1)
        continue;
    } else {
      InsertTableRows(own, at, 1);
    }
    CopyRowByField(other, row, own, at);

    DeleteGraphValueRows(ownValues, number);
    const int first = FirstRowOfGraph(theirValues, number);
    int end = first;
    while (end <= theirValues.RowCount && theirValues.Ngr->Get(end) == number) ++end;
    if (end > first) {
      TGraphValueCols ours;
      FillGraphValueCols(ownValues, ours);
      const int to = FirstRowOfGraph(ours, number);
      InsertTableRows(ownValues, to, end - first);
      FillGraphValueCols(ownValues, ours);
      for (int k = 0; k < end - first; ++k) {
        (*ours.Ngr)[to + k] = number;
        (*ours.Date)[to + k] = theirValues.Date->Get(first + k);
        (*ours.Value)[to + k] = theirValues.Value->Get(first + k);
      }
    }
    ++taken;
  }
  return taken;
}

}  // namespace ld
