#include "core/district/subscriber_xls.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/run_locks.h"
#include "core/district/subscriber_cells.h"
#include "core/office/sheet_reader.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

const char kPromName[] = "Промышленные абоненты";
const char kBytName[] = "Бытовые абоненты";
const char kInputsName[] = "Вводы подстанций";
const char kFeedersName[] = "Фидеры подстанций";

std::string Trimmed(std::string_view s) { return TrimLeadSpaces(TrimTrailSpaces(s)); }

// Station, transformer and feeder of a metering point's station text.
struct TStationParts {
  std::string NameTP, Ntr, Fider;
};

TStationParts SplitStation(const std::string& text) {
  TStationParts p;
  const auto dot = text.find('.');
  if (dot == std::string::npos) {
    p.NameTP = text;
    return p;
  }
  p.NameTP = text.substr(0, dot);
  const std::string rest = text.substr(dot + 1);
  if (const auto second = rest.find('.'); second != std::string::npos) {
    p.Ntr = rest.substr(0, second);
    p.Fider = rest.substr(second + 1);
  } else {
    p.Ntr = rest;
  }
  // a numbered section of a station, not a transformer
  if (p.Ntr.size() == 1 && p.Ntr[0] >= '1' && p.Ntr[0] <= '9') {
    p.NameTP += "." + p.Ntr;
    p.Ntr.clear();
  }
  return p;
}

void ReadOrMake(const std::string& file, const char* layout, const std::string& title, TDataFile& table) {
  if (!ReadTableFileOrEmpty(file, layout, table)) table.Title = title;
}

// The first row from 2 of the name list that holds the key; 0 when none does.
int FindName(const std::vector<std::string>& names, const std::string& key) {
  for (std::size_t r = 2; r < names.size(); ++r)
    if (names[r] == key) return static_cast<int>(r);
  return 0;
}

// P, Q, Pm, Qm of one row from the sheet row, and the load kind they give.
void TakeEnergies(const std::string& name, const TSheetCells& cells, int r, int row, DAdouble* p, DAdouble* q,
                  DAdouble* pm, DAdouble* qm, const TInt16Column& t, std::vector<std::string>& info) {
  ReadCellFloat(name, cells, 2, r, (*p)[row], info);
  ReadCellFloat(name, cells, 3, r, (*q)[row], info);
  ReadCellFloat(name, cells, 4, r, (*pm)[row], info);
  ReadCellFloat(name, cells, 5, r, (*qm)[row], info);
  // energies with tgφ when no reactive energy is measured
  t[row] = (*q)[row] == 0 && (*qm)[row] == 0 ? 5 : 4;
}

}  // namespace

std::string JoinCellLines(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    if (c != '\n') {
      out.push_back(c);
    } else if (!out.empty() && out.back() == '-') {
      out.pop_back();
    }
  }
  return out;
}

void ReadCellFloat(const std::string& name, const TSheetCells& cells, int col, int row, double& value,
                   std::vector<std::string>& info) {
  try {
    const double v = StrToFloatZ(cells(row, col));
    if (ImportNumberFault(v).empty()) {
      value = v;
      return;
    }
  } catch (const ConvertError&) {
  }
  info.push_back(name + ", строка " + std::to_string(row) + ", столбец " + std::to_string(col) + ": Ошибка чтения");
}

int LastSheetRow(const TSheetCells& cells) {
  int r = 1;
  while (!cells(r, 1).empty()) ++r;
  return r - 1;
}

void ReadMeterPointsSheet(const TSheetCells& cells, TDataFile& table, std::vector<std::string>& info,
                          const TImportProgress& progress) {
  TMeterPointCols c;
  FillMeterPointCols(table, c);
  const int last = LastSheetRow(cells);
  const int rows = last >= 3 ? last - 2 : 0;
  ReserveRows(table, rows);
  TWalkProgress walk(rows, progress);
  std::string contract, point;
  int numPoint = 0;
  for (int r = 3; r <= last; ++r) {
    const int n = r - 2;
    const TStationParts station = SplitStation(UpperCase(Trimmed(JoinCellLines(cells(r, 6)))));
    c.NameTP->SetItem(n, station.NameTP);
    c.Ntr->SetItem(n, station.Ntr);
    c.Fider->SetItem(n, station.Fider);
    // set first: it tells where the energy of column 14 goes
    const bool onLine = !station.Fider.empty();
    (*c.FVL)[n] = onLine ? 1 : 0;

    const std::string ndog = JoinCellLines(cells(r, 2)), name = JoinCellLines(cells(r, 4));
    c.Ndog->SetItem(n, ndog);
    c.Abonent->SetItem(n, JoinCellLines(cells(r, 3)));
    PutText(c.NamePoint, n, name);
    PutText(c.Address, n, JoinCellLines(cells(r, 5)));
    PutText(c.WorkTime, n, JoinCellLines(cells(r, 7)));
    PutText(c.MarkCounter, n, JoinCellLines(cells(r, 10)));
    const std::string counter = JoinCellLines(Trimmed(cells(r, 9)));
    c.NumCounter->SetItem(n, counter);

    if (ndog != contract) {
      numPoint = 1;
      contract = ndog;
      point = name;
    } else if (name != point) {
      ++numPoint;
      point = name;
    }
    c.NumPoint[n] = numPoint;

    double praz = 0;
    ReadCellFloat(kPromName, cells, 8, r, praz, info);
    PutNumber(c.Praz, n, praz);
    ReadCellFloat(kPromName, cells, 11, r, (*c.Koef)[n], info);
    ReadCellFloat(kPromName, cells, 13, r, (*c.W)[n], info);
    ReadCellFloat(kPromName, cells, 14, r, onLine ? (*c.Wl)[n] : (*c.Wt)[n], info);
    (*c.Kvolt)[n] = station.Ntr.empty() ? 100 : 1;

    const std::string kind = cells(r, 12);
    int typ = 1;
    if (kind == "АЕ спож.") {
      typ = 1;
    } else if (kind == "АЕ ген.") {
      typ = 0;
    } else if (kind == "РЕ спож.") {
      typ = 2;
    } else if (kind == "РЕ ген.") {
      typ = 3;
    } else {
      info.push_back(std::string(kPromName) + ", строка " + std::to_string(r) + ": не задан тип потребления счетчика");
    }
    (*c.TypCounter)[n] = static_cast<std::uint8_t>(typ);
    (*c.Device)[n] = counter.empty() || counter == "0" ? 'N' : 'Y';
    walk.Advance(n);
  }
  table.RowCount = rows;
  SortTableByFields(table, {"NameTP", "Ndog", "NumPoint", "TypCounter"});
}

void ReadHouseholdsSheet(const TSheetCells& cells, TDataFile& table, std::vector<std::string>& info,
                         const TImportProgress& progress) {
  THouseholdCols c;
  FillHouseholdCols(table, c);
  const int last = LastSheetRow(cells);
  ReserveRows(table, last);
  TWalkProgress walk(last, progress);
  std::string station;
  int n = 0;
  for (int r = 1; r <= last; ++r) {
    const std::string s = UpperCase(Trimmed(cells(r, 1)));
    if (!s.empty() && s[0] >= '0' && s[0] <= '9') {
      ++n;
      c.NameTP->SetItem(n, station);
      c.Fider->SetItem(n, "Л" + Trimmed(cells(r, 2)));
      double count = 0;
      ReadCellFloat(kBytName, cells, 3, r, count, info);
      if (std::fabs(count) > std::numeric_limits<std::int32_t>::max()) {
        info.push_back(std::string(kBytName) + ", строка " + std::to_string(r) + ", столбец 3: Ошибка чтения");
        count = 0;
      }
      const auto subscribers = static_cast<std::int32_t>(Round(count));
      (*c.CountAb)[n] = subscribers;
      ReadCellFloat(kBytName, cells, 4, r, (*c.W)[n], info);
      if (subscribers != 0) (*c.Ws)[n] = (*c.W)[n] / subscribers;
    } else {
      station = s;
    }
    walk.Advance(r);
  }
  table.RowCount = n;
  SortTableByFields(table, {"NameTP"});
}

void ReadTechnicalSheet(const TSheetCells& cells, TDataFile& inputs, TDataFile& feeders, std::vector<std::string>& info,
                        const TImportProgress& progress, const TStageProc& stage) {
  std::vector<std::string> names(1);
  for (int r = 1;; ++r) {
    std::string name = UpperCase(Trimmed(cells(r, 1)));
    if (name.empty()) break;
    names.push_back(std::move(name));
  }

  if (stage) stage("  Чтение замеров по вводам 10(6) кВ ... ");
  TSubstInputCols in;
  FillSubstInputCols(inputs, in);
  TWalkProgress walk(inputs.RowCount, progress);
  for (int i = 1; i <= inputs.RowCount; ++i) {
    const std::string key = UpperCase(in.NamePS->GetView(i));
    if (const int r = FindName(names, key); r > 0)
      TakeEnergies(kInputsName, cells, r, i, in.P, in.Q, in.Pm, in.Qm, in.T, info);
    else
      info.push_back(std::string(kInputsName) + " : " + key + " не найден");
    walk.Advance(i);
  }

  if (stage) stage("  Чтение замеров по фидерам 10(6) кВ ... ");
  TSubstFeederCols f;
  FillSubstFeederCols(feeders, f);
  walk.Restart(feeders.RowCount);
  for (int i = 1; i <= feeders.RowCount; ++i) {
    const std::string key = UpperCase(f.Line->GetView(i));
    if (const int r = FindName(names, key); r > 0)
      TakeEnergies(kFeedersName, cells, r, i, f.P, f.Q, f.Pm, f.Qm, f.T, info);
    else
      info.push_back(std::string(kFeedersName) + " : " +
                     (key.empty() ? f.Name1->GetItem(i) + " - " + f.Name2->GetItem(i) : key) + " не найден");
    walk.Advance(i);
  }
}

std::string ImportSubscriberBasesXls(const TSubscriberXlsRequest& request, std::vector<std::string>& info,
                                     const TImportProgress& progress, const TStageProc& stage) {
  std::string extensions;
  const auto add = [&](const char* layout) {
    if (!extensions.empty()) extensions += ',';
    extensions += GetMaketExtention(layout);
  };
  if (request.Prom) add(LayoutMeterPoints);
  if (request.Byt) add(LayoutHouseholds);
  if (request.Tech) {
    add(LayoutSubstInputs);
    add(LayoutSubstFeeders);
  }
  if (extensions.empty()) return {};
  TRunTableLocks locks(request.BaseStem, extensions);
  const std::string title = BaseTitle(request.BaseStem);
  TSheetReader sheet;
  // A text the tables cannot hold (too long, or with a character written as "?", so that different
  // names could come out as one) refuses the workbook by its cell; the reader checks each text once.
  const TSheetCells cells = [&sheet](int row, int col) { return sheet.Cell(row, col); };

  // One subscriber table made anew from its workbook and written in place of the base's.
  const auto importSheet = [&](const std::string& path, const char* layout, const char* stageText,
                               const auto& read) {
    sheet.SetTextCheck(ImportTextCheck(LongestTextField({layout})));
    sheet.Open(path);
    TDataFile table;
    ReadMaket(layout, table);
    CreateColumns(table, 0);
    if (stage) stage(stageText);
    read(cells, table, info, progress);
    sheet.Close();
    table.Title = title;
    locks.Write(table);
  };
  if (request.Prom)
    importSheet(request.PathProm, LayoutMeterPoints, "  Импорт базы промышленных абонентов ... ", ReadMeterPointsSheet);
  if (request.Byt)
    importSheet(request.PathByt, LayoutHouseholds, "  Импорт базы бытовых абонентов ... ", ReadHouseholdsSheet);
  if (request.Tech) {
    TDataFile inputs, feeders;
    ReadOrMake(request.BaseStem + GetMaketExtention(LayoutSubstInputs), LayoutSubstInputs, title, inputs);
    ReadOrMake(request.BaseStem + GetMaketExtention(LayoutSubstFeeders), LayoutSubstFeeders, title, feeders);
    sheet.SetTextCheck(ImportTextCheck(LongestTextField({LayoutSubstInputs, LayoutSubstFeeders})));
    sheet.Open(request.PathTech);
    ReadTechnicalSheet(cells, inputs, feeders, info, progress, stage);
    sheet.Close();
    locks.Write(inputs);
    locks.Write(feeders);
  }
  return request.Prom ? LayoutMeterPoints : request.Byt ? LayoutHouseholds : LayoutSubstFeeders;
}

}  // namespace ld
