#include "core/district/base_import.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/district/run_locks.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/file_kinds.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

char Byte(char32_t c) {
  if (c == 0) return 0;
  const int code = Cp1251Code(c);
  return static_cast<char>(code >= 0 ? code : '?');
}

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Texts of the table: empty ones are left unset, as a table read from a file holds them.
void Put(DAString* column, int row, const std::string& text) {
  if (!text.empty()) column->SetNew(row, text);
}

}  // namespace

// ---- sorted station rows -----------------------------------------------------------------------------

std::string TSortedStations::Key(const std::string& text) {
  std::string key;
  key.reserve(text.size() * 3);
  const std::string upper = UpperCase(text);
  for (std::size_t pos = 0; pos < upper.size();) {
    const unsigned order = Cp1251SortKey(NextUtf8Char(upper, pos));
    key.push_back(static_cast<char>((order >> 16) & 0xFF));
    key.push_back(static_cast<char>((order >> 8) & 0xFF));
    key.push_back(static_cast<char>(order & 0xFF));
  }
  return key;
}

TImportStation* TSortedStations::Find(const std::string& name, const std::string& ntr) {
  const auto station = rows_.find(Key(name));
  if (station == rows_.end()) return nullptr;
  const auto row = station->second.find(Key(ntr));
  return row == station->second.end() ? nullptr : &row->second;
}

TImportStation* TSortedStations::LastOf(const std::string& name) {
  const auto station = rows_.find(Key(name));
  if (station == rows_.end() || station->second.empty()) return nullptr;
  return &station->second.rbegin()->second;
}

TImportStation& TSortedStations::Insert(const std::string& name, const std::string& ntr) {
  auto& station = rows_[Key(name)];
  const auto [row, added] = station.try_emplace(Key(ntr));
  if (added) {
    row->second.Name1 = name;
    row->second.Ntr = ntr;
  }
  return row->second;
}

std::vector<TImportStation> TSortedStations::Rows() const {
  std::vector<TImportStation> rows;
  for (const auto& [name, station] : rows_)
    for (const auto& [ntr, row] : station) rows.push_back(row);
  return rows;
}

// ---- the tables ----------------------------------------------------------------------------------------

void MakeBaseTables(const std::vector<TImportLine>& lines, const std::vector<TImportStation>& stations,
                    const std::string& baseStem, TBaseImport& base) {
  const std::string title = FileNameOf(baseStem);

  ReadMaket(LayoutLines10, base.Lines);
  CreateColumns(base.Lines, static_cast<int>(lines.size()));
  base.Lines.Title = title;
  TLine10Cols l;
  FillLine10Cols(base.Lines, l);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TImportLine& src = lines[i];
    const int r = static_cast<int>(i) + 1;
    (*l.Sign)[r] = Byte(src.Sign);
    (*l.Commut)[r] = Byte(src.Commut);
    Put(l.Text, r, src.Text);
    Put(l.Name1, r, src.Name1);
    Put(l.Name2, r, src.Name2);
    Put(l.Un, r, src.Un);
    Put(l.DSNum, r, src.DSNum);
    Put(l.MarkCom1, r, src.MarkCom1);
    Put(l.MarkCom2, r, src.MarkCom2);
    Put(l.KodLine, r, src.KodLine);
  }

  ReadMaket(LayoutTransTP, base.Stations);
  CreateColumns(base.Stations, static_cast<int>(stations.size()));
  base.Stations.Title = title;
  TTransTPCols s;
  FillTransTPCols(base.Stations, s);
  for (std::size_t i = 0; i < stations.size(); ++i) {
    const TImportStation& src = stations[i];
    const int r = static_cast<int>(i) + 1;
    Put(s.Name1, r, src.Name1);
    Put(s.Ntr, r, src.Ntr);
    Put(s.Transform, r, src.Transform);
    s.T[r] = src.T;
    (*s.Pn)[r] = src.Pn;
    (*s.Qn)[r] = src.Qn;
    (*s.A)[r] = Byte(src.A);
  }
}

TImportEnd ImportBase(const std::string& source, const std::string& baseStem, bool writeEmptyStations,
                      TBaseImport& base, const std::function<TImportTaken()>& build) {
  const std::string lineFile = FamilyFile(baseStem, GetMaketExtention(LayoutLines10));
  const std::string stationFile = FamilyFile(baseStem, GetMaketExtention(LayoutTransTP));
  // Locked before the sources are read: the base is not opened for editing meanwhile. A lock held by
  // another user refuses the command here, before anything is read or asked.
  const TRunTableLocks locks(baseStem, LayoutExtensions({LayoutLines10, LayoutTransTP}));
  TFileImport import;
  import.Source = source;
  bool withStations = false;
  import.Read = [&] {
    const TImportTaken taken = build();
    withStations = base.Stations.RowCount > 0 || writeEmptyStations;
    if (withStations) import.Tables.emplace_back(stationFile, &base.Stations);
    return taken;
  };
  // A new base under the stem: the base there and the scheme formed from it go whole in the same run (the
  // station table too, when the import gives none), asked about naming each file, as "Создать" asks, so
  // that no end of the program leaves the new lines beside the old stations, consumers or scheme; the
  // short-circuit data and the load variants stay.
  import.Family = [&] {
    std::vector<std::string> written = {lineFile};
    if (withStations) written.push_back(stationFile);
    return ReplacedByCopy(baseStem, written, FamilyFileKinds({TFileFamily::Base, TFileFamily::Scheme}), {});
  };
  import.Exists = kBaseExists;
  import.Of = TFileFamily::Base;
  import.Tables = {{lineFile, &base.Lines}};
  return RunFileImport(import);
}

// ---- helpers shared by the imports -------------------------------------------------------------------

bool IsIntegerText(const std::string& text, int& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long long magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > 2147483648LL) return false;
  }
  const long long v = negative ? -magnitude : magnitude;
  if (v > 2147483647LL) return false;
  value = static_cast<int>(v);
  return true;
}

std::string ImportRowMessage(const std::string& file, long long row, const std::string& field,
                             const std::string& reason) {
  return "Ошибка чтения файла \"" + file + "\": строка " + std::to_string(row) + ", " + field + ": " + reason;
}

}  // namespace ld
