#include "core/catalogs/align_catalogs.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// For each column of A, the column of B with its field name and type (0: B has no such column, and
// no row of B can equal a row of A).
std::vector<int> MatchColumns(const TDataFile& a, const TDataFile& b) {
  std::vector<int> map(static_cast<std::size_t>(a.NCols) + 1, 0);
  for (int c = 1; c <= a.NCols; ++c)
    for (int d = 1; d <= b.NCols; ++d)
      if (b.FieldName[static_cast<std::size_t>(d)] == a.FieldName[static_cast<std::size_t>(c)] &&
          b.ColType[static_cast<std::size_t>(d)] == a.ColType[static_cast<std::size_t>(c)]) {
        map[static_cast<std::size_t>(c)] = d;
        break;
      }
  return map;
}

bool RowsEqual(const TDataFile& a, int rowA, const TDataFile& b, int rowB, const std::vector<int>& map) {
  for (int c = 1; c <= a.NCols; ++c) {
    const int d = map[static_cast<std::size_t>(c)];
    if (d == 0) return false;
    const char type = a.ColType[static_cast<std::size_t>(c)];
    const TDynamicArray* colA = a.Columns[static_cast<std::size_t>(c)].get();
    const TDynamicArray* colB = b.Columns[static_cast<std::size_t>(d)].get();
    if (!colA || !colB) return false;
    if (CompareValues(ValuePtr(*colA, type, rowA), ValuePtr(*colB, type, rowB), type) != 2) return false;
  }
  return true;
}

// Appends row `row` of `from` to `to` (by field name when the layouts differ) with the alignment mark.
void AppendRow(const TDataFile& from, int row, TDataFile& to) {
  const int at = to.RowCount + 1;
  InsertTableRows(to, at, 1);
  const std::vector<int> map = MatchColumns(to, from);
  bool same = from.NCols == to.NCols;
  for (int c = 1; c <= to.NCols && same; ++c) same = map[static_cast<std::size_t>(c)] == c;
  if (same) {
    CopyTableRow(from, to, row, at);
  } else {
    for (int c = 1; c <= to.NCols; ++c) {
      const int s = map[static_cast<std::size_t>(c)];
      if (s == 0) continue;
      std::string text = GetCellText(from, row, s, true);
      const std::uint8_t access = to.Access[static_cast<std::size_t>(c)];
      to.Access[static_cast<std::size_t>(c)] = 1;
      SetCellText(to, at, c, text);
      to.Access[static_cast<std::size_t>(c)] = access;
    }
  }
  (*to.MarkRec)[at] = kAlignedRowMark;
}

}  // namespace

void AlignCatalogTables(TDataFile& a, TDataFile& b, bool& changedA, bool& changedB) {
  changedA = changedB = false;
  const std::vector<int> aToB = MatchColumns(a, b);
  const std::vector<int> bToA = MatchColumns(b, a);

  // Rows of A: each finds its first equal row of B (matched or not, so that two equal rows of one side
  // need only one on the other); a row without one is appended to B and counts as matched.
  std::vector<bool> matched(static_cast<std::size_t>(b.RowCount) + 1, false);
  const int rowsA = a.RowCount;
  for (int r = 1; r <= rowsA; ++r) {
    int found = 0;
    for (int s = 1; s <= b.RowCount && found == 0; ++s)
      if (RowsEqual(a, r, b, s, aToB)) found = s;
    if (found == 0) {
      AppendRow(a, r, b);
      matched.push_back(true);
      changedB = true;
    } else {
      matched[static_cast<std::size_t>(found)] = true;
    }
  }
  // Rows of B that no row of A took: appended to A unless A, with what this step appended, has one.
  const int rowsB = b.RowCount;
  for (int s = 1; s <= rowsB; ++s) {
    if (matched[static_cast<std::size_t>(s)]) continue;
    bool present = false;
    for (int r = 1; r <= a.RowCount && !present; ++r) present = RowsEqual(b, s, a, r, bToA);
    if (!present) {
      AppendRow(b, s, a);
      changedA = true;
    }
  }
}

bool AlignCatalogFolders(const std::string& folder, const std::string& other,
                         const std::function<void(int done)>& stepDone) {
  std::error_code ec;
  if (other.empty() || !std::filesystem::is_directory(other, ec)) {
    ShowMsgForm("Путь не существует", mkError, mbOk);
    return false;
  }
  std::string otherFolder = other;
  if (otherFolder.back() != '/') otherFolder += '/';
  // Every pair is aligned before anything is written, and each folder's changed catalogues go in one
  // run: a program that ends halfway leaves a folder's catalogues all as they were or all aligned.
  std::vector<TDataFile> tables(2 * kAlignedCatalogFiles.size());
  std::vector<std::pair<std::string, TDataFile*>> writtenA, writtenB;
  int done = 0;
  for (const std::string& name : kAlignedCatalogFiles) {
    const std::string a = FindFileNoCase(folder + name);
    const std::string b = FindFileNoCase(otherFolder + name);
    if (std::filesystem::is_regular_file(a, ec) && std::filesystem::is_regular_file(b, ec)) {
      TDataFile& tableA = tables[2 * static_cast<std::size_t>(done)];
      TDataFile& tableB = tables[2 * static_cast<std::size_t>(done) + 1];
      ReadTableFile(a, tableA);
      ReadTableFile(b, tableB);
      bool changedA = false, changedB = false;
      AlignCatalogTables(tableA, tableB, changedA, changedB);
      if (changedA) writtenA.emplace_back(a, &tableA);
      if (changedB) writtenB.emplace_back(b, &tableB);
    }
    ++done;
    if (stepDone) stepDone(done);
  }
  WriteTableSet(writtenA);
  WriteTableSet(writtenB);
  return true;
}

}  // namespace ld
