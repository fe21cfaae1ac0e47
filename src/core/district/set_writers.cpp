#include "core/district/set_writers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/align_catalogs.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/district/load_forming.h"
#include "core/district/scheme_forming.h"
#include "core/district/subst_match.h"
#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/optim/tkz_data.h"
#include "core/optim/tkz_view.h"
#include "core/regime/balance_flows.h"
#include "core/regime/node_equiv.h"
#include "core/regime/period_run.h"
#include "core/regime/scheme_files.h"
#include "core/regime/switch_journal.h"
#include "core/regime/task_regime.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/journal.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

using TSets = std::vector<std::vector<std::string>>;

std::string In(const std::string& folder, const std::string& name) { return folder + "/" + name; }

// The names of a stem's files of the comma-separated extensions.
std::vector<std::string> Named(const std::string& stem, const std::string& extensions) {
  std::vector<std::string> names;
  for (std::size_t from = 0; from <= extensions.size();) {
    const std::size_t comma = std::min(extensions.find(',', from), extensions.size());
    names.push_back(stem + extensions.substr(from, comma - from));
    from = comma + 1;
  }
  return names;
}

std::string SchemeExtensions() { return GetMaketExtention(LayoutNodes) + "," + GetMaketExtention(LayoutBranches); }

std::vector<std::string> SchemeNamed(const std::string& stem) { return Named(stem, SchemeExtensions()); }

// The catalogues that the alignment finds in both folders: the sample's own, each with a row that the
// other folder's copy lacks and lacking one that it holds.
constexpr const char* kAlignedSample[] = {"sprav_KA.cat", "sprav_RT.cat", "sprav_ln.cat", "sprav_t2.cat",
                                          "sprav_t3.cat"};
constexpr const char* kOtherFolder = "другая";

void PrepareAlignment(const std::string& folder) {
  std::filesystem::create_directories(In(folder, kOtherFolder));
  for (const char* name : kAlignedSample) {
    TDataFile own, other;
    ReadTableFile(In(folder, name), own);
    ReadTableFile(In(folder, name), other);
    if (own.RowCount < 2) continue;
    DeleteTableRow(own, 1);
    DeleteTableRow(other, other.RowCount);
    WriteTableFile(In(folder, name), own);
    WriteTableFile(In(In(folder, kOtherFolder), name), other);
  }
}

TSets AlignedSets() {
  TSets sets(2);
  for (const char* name : kAlignedSample) {
    sets[0].emplace_back(name);
    sets[1].push_back(In(kOtherFolder, name));
  }
  return sets;
}

// A protocol of a calculation beside the base's tables: a file of its family that is no table.
void WriteBaseProtocol(const std::string& folder) {
  std::ofstream(In(folder, "Образец.RGM"), std::ios::binary) << Utf8ToCp1251("Протокол расчета\r\nУзлов: 12\r\n");
}

// The short-circuit radius of two rows: a source feeding a bus and the bus feeding the fault point.
void WriteSampleRadius(const std::string& folder) {
  TDataFile radius;
  ReadMaket(LayoutTkzRadius, radius);
  CreateColumns(radius, 2);
  TTkzBranchCols c;
  FillTkzBranchCols(radius, c);
  const char* names[] = {"ПС", "ТП-1", "ТП-2"};
  for (int row = 1; row <= 2; ++row) {
    (*c.N1)[row] = row;
    (*c.N2)[row] = row + 1;
    c.Name1->SetItem(row, names[row - 1]);
    c.Name2->SetItem(row, names[row]);
    (*c.R)[row] = 0.5f * static_cast<float>(row);
    (*c.X)[row] = 1.25f * static_cast<float>(row);
    (*c.U1)[row] = 10.5f - static_cast<float>(row) * 0.25f;
    (*c.U2)[row] = 10.25f - static_cast<float>(row) * 0.25f;
    (*c.Ikz)[row] = 3.5f;
    (*c.Ikz0)[row] = 3.75f;
  }
  WriteTkzViewScheme(radius, "Радиус", In(folder, "Радиус"));
}

// The scheme "Пример" as the diagram saves it after an edit of a node and a branch.
void SaveEditedDiagram(const std::string& folder) {
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, In(folder, "Пример"));
  diagram::StartChange(box);
  box.NodeCols.Name->SetItem(1, box.NodeCols.Name->GetItem(1) + " изм.");
  (*box.BranchCols.R)[1] = box.BranchCols.R->Get(1) * 2;
  int answer = 0;
  diagram::SaveScheme(box, false, false, answer);
}

// A branch of "Пример" switched on the diagram, its entry in the switching journal saved with the
// scheme: switched off at noon of a day, or on again a day later where the journal holds that.
void SwitchOnDiagram(const std::string& folder) {
  const std::string base = In(folder, "Пример");
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, base);
  diagram::StartChange(box);
  constexpr int kRow = 2;
  TDataFile& branches = *box.BranchTable;
  TRecSwt before;
  ReadBranchRec(branches, kRow, before);
  (*box.BranchCols.Commut)[kRow] = before.Commut == 0 ? Utf8ToCp1251("О")[0] : 0;
  TDataFile journal;
  const std::string journalFile = base + GetMaketExtention(LayoutSwitchLog);
  const bool again = fileio::FileExists(journalFile);
  if (again) {
    ReadTableFile(journalFile, journal);
  } else {
    ReadMaket(LayoutSwitchLog, journal);
    CreateColumns(journal, 0);
  }
  const TDateTime moment = EncodeDate(2026, 11, again ? 3 : 2) + 0.5;
  const int pair = InsertSwitchPair(journal, branches, kRow, before, {moment, moment, "", "", ""});
  SetSupplyNamesFromTables(journal, pair + 1, *box.NodeTable, branches);
  box.WrittenWith = {{journalFile, &journal}};
  int answer = 0;
  diagram::SaveScheme(box, false, false, answer);
}

void CalculateRegime(const std::string& folder) {
  TRegime r;
  std::vector<std::string> errors;
  const std::string path = In(folder, "Пример");
  TTaskLocks locks(&r);
  locks.Lock(path);
  RunTaskCalculation(r, path, errors);
  const TIniRec& ini = IniRec;
  r.WriteResults(FindFileNoCase(ini.Path + NominalVoltageFileName), ini.TypCalcPQ, false, ini.SumSbal, 0, ini.Un,
                 ini.Uv, ini.Dimension, true, nullptr, nullptr);
}

// The scheme formed from the sample base as its README says, for the month of its meters.
void PrepareMonth(const std::string& folder) {
  IniRec.T04 = true;
  IniRec.Date1 = EncodeDate(2026, 11, 1);
  IniRec.Date2 = EncodeDate(2026, 11, 30);
  TRegime engine;
  std::vector<std::string> messages;
  FormSchemeFromBase(In(folder, "Образец"), false, {}, engine, DefaultSchemeConverter(), {}, messages);
}

void RunMonth(const std::string& folder) {
  TRegime r;
  std::vector<std::string> errors, said;
  r.Errors = &errors;
  TPeriodRunCallbacks told;
  told.Message = [&said](const std::string& line) { said.push_back(line); };
  if (!RunPeriodLosses(r, In(folder, "Образец"), told, TPeriodRunForm::Losses, false).Written)
    throw Error(said.empty() ? "потери не записаны" : said.back());
}

std::string Extensions(std::initializer_list<const char*> layouts) {
  std::string extensions;
  for (const char* layout : layouts) extensions += (extensions.empty() ? "" : ",") + GetMaketExtention(layout);
  return extensions;
}

TSets MonthSets(const std::string& more = {}) {
  return TSets{Named("Образец", Extensions({LayoutNodes, LayoutBranches, LayoutSwitchLog, LayoutNodeEnergy,
                                            LayoutBranchEnergy, GraphCatalogMaket, GraphValuesMaket,
                                            LayoutLineFlows}) + ",.WMS,.WRG" + more)};
}

// The month with one reactive source regulated at each slice: held at its power and watching its own
// node, so that each slice's regulation ends at once and leaves the node's voltage in the table.
void PrepareMonthWithSource(const std::string& folder) {
  PrepareMonth(folder);
  TDataFile nodes, sources;
  ReadTableFile(In(folder, "Образец") + GetMaketExtention(LayoutNodes), nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  ReadMaket(LayoutReactiveSources, sources);
  CreateColumns(sources, 1);
  TQCols c;
  FillQCols(sources, c);
  (*c.Nq)[1] = (*c.Nu)[1] = n.NS->Get(n.RowCount);
  (*c.Qish)[1] = (*c.Qmin)[1] = (*c.Qmax)[1] = 100;
  WriteTableFile(In(folder, "Образец") + sources.Extention, sources);
}

void RunMonthRegulated(const std::string& folder) {
  IniRec.RegQ = true;
  struct Off {
    ~Off() { IniRec.RegQ = false; }
  } off;
  RunMonth(folder);
}

// "Записать" of the reactive power window: a source of "Пример" at 150 kvar where its table holds 100.
void WriteQopt(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  TRegime r;
  r.ReadScheme(path);
  TDataFile nodes, sources;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  ReadMaket(LayoutReactiveSources, sources);
  const std::string file = path + sources.Extention;
  if (fileio::FileExists(file)) {
    ReadTableFile(file, sources);
  } else {
    CreateColumns(sources, 1);
    TQCols c;
    FillQCols(sources, c);
    (*c.Nq)[1] = n.NS->Get(n.RowCount);
    (*c.Qish)[1] = 100;
  }
  TQOptimState state;
  std::string error;
  if (!PrepareQRows(sources, r, state, nullptr, error)) throw Error(error);
  TQCols c;
  FillQCols(sources, c);
  (*c.Qopt)[1] = c.Qish->Get(1) + 50;
  WriteQoptWithNodeTable(sources, state, path);
}

void Balance(const std::string& folder) {
  TRegime r;
  const TBalanceRun run = RunLoadBalancing(r, In(folder, "Образец"), FindFileNoCase(IniRec.Path + NominalVoltageFileName));
  if (!run.Written) throw Error(run.Info.empty() ? "балансировка не записана" : run.Info.back());
}

// "Сохранить" of the short-circuit window: the data set as the window read it, with a source and a
// branch of the radius added.
void SaveTkzRows(const std::string& folder) {
  const std::string stem = In(folder, "Данные");
  TDataFile sources, radius;
  ReadTableFile(stem + GetMaketExtention(LayoutTkzSources), sources);
  ReadTableFile(stem + GetMaketExtention(LayoutTkzRadius), radius);
  InsertTableRows(sources, sources.RowCount + 1, 1);
  InsertTableRows(radius, radius.RowCount + 1, 1);
  TTkzSourceCols s;
  FillTkzSourceCols(sources, s);
  s.Name->SetItem(s.RowCount, "ПС-" + std::to_string(s.RowCount));
  (*s.Sign)[s.RowCount] = Utf8ToCp1251("С")[0];
  (*s.X)[s.RowCount] = 0.5f * static_cast<float>(s.RowCount);
  (*s.U)[s.RowCount] = 10.5f;
  TTkzBranchCols b;
  FillTkzBranchCols(radius, b);
  (*b.N1)[b.RowCount] = b.RowCount;
  (*b.N2)[b.RowCount] = b.RowCount + 1;
  (*b.X)[b.RowCount] = 1.25f;
  WriteTkzData(stem, sources, radius);
}

TSets TkzNamed(const std::string& stem) { return TSets{Named(stem, Extensions({LayoutTkzSources, LayoutTkzRadius}))}; }

std::string DistrictExtensions() {
  return Extensions({LayoutLines10, LayoutTransTP, LayoutLines04, LayoutSubstInputs});
}

// A branch of the scheme formed from "Образец" switched on the diagram with the setting that writes the
// switchings into the base: the district table of its element, the scheme, its journal and its
// switching date saved together. Switched off at noon of a day, or on again a day later where the
// journal holds that.
void SwitchWithBase(const std::string& folder) {
  const std::string base = In(folder, "Образец");
  // A copy of the folder keeps no file times: the base's tables are dated before the scheme again, as
  // forming and every save leave them, or the diagram refuses its first change.
  namespace fs = std::filesystem;
  const auto formed = fs::last_write_time(base + GetMaketExtention(LayoutBranches));
  for (const std::string& name : Named(base, DistrictExtensions()))
    if (fs::exists(name)) fs::last_write_time(name, formed - std::chrono::seconds(1));
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, base);
  diagram::StartChange(box);
  // A save that fails keeps the change and its locks for another try; the drawing goes with this command.
  struct Discard {
    diagram::TSchemBoxState& box;
    ~Discard() {
      if (!box.LockedExtList.empty()) UnlockTableFiles(box.LockedBase, box.LockedExtList);
    }
  } discard{box};
  const TBranchCols& b = box.BranchCols;
  int row = 1;
  while (row < b.RowCount && (b.ExtFile->GetItem(row) != GetMaketExtention(LayoutLines10) || b.Idx->Get(row) == 0))
    ++row;
  TDataFile& branches = *box.BranchTable;
  TRecSwt before;
  ReadBranchRec(branches, row, before);
  (*b.Commut)[row] = before.Commut == 0 ? Utf8ToCp1251("О")[0] : 0;
  TDataFile journal;
  const std::string journalFile = base + GetMaketExtention(LayoutSwitchLog);
  ReadTableFileOrEmpty(journalFile, LayoutSwitchLog, journal);
  const TDateTime moment = EncodeDate(2026, 11, journal.RowCount > 0 ? 3 : 2) + 0.5;
  const int pair = InsertSwitchPair(journal, branches, row, before, {moment, moment, "", "", ""});
  SetSupplyNamesFromTables(journal, pair + 1, *box.NodeTable, branches);
  int answer = 0;
  if (!diagram::SaveSchemeWith(box, {{journalFile, &journal}}, {CurDateSwtRunBytes(base, moment)}, true, answer))
    throw Error("переключение не записано в базу РЭС");
}

// "Реконфигурация" of the switched scheme back to the morning of the switching's day.
void PrepareSwitched(const std::string& folder) {
  PrepareMonth(folder);
  SwitchWithBase(folder);
}

void Reconfigure(const std::string& folder) {
  if (!ReconfigureScheme(In(folder, "Образец"), EncodeDate(2026, 11, 2)))
    throw Error("реконфигурация не записана");
}

}  // namespace

const std::vector<TSetWriter>& SetWriters() {
  static const std::vector<TSetWriter> writers = {
      {"База данных района: Формирование схемы", {},
       [](const std::string& folder) {
         TRegime engine;
         std::vector<std::string> messages;
         FormSchemeFromBase(In(folder, "Образец"), false, {}, engine, DefaultSchemeConverter(), {}, messages);
       },
       [] {
         return TSets{Named("Образец", FormingSchemeExtensions()), Named("Образец", FormingBaseExtensions())};
       }},
      {"База данных района: Формирование загрузки ТП, РП", {},
       [](const std::string& folder) {
         FormStationLoads(In(folder, "Образец"), TLoadFormingOptions::FromSettings(), {});
       },
       [] { return TSets{Named("Образец", LoadFormingExtensions())}; }},
      {"База данных района: Сравнение п/ст 10 <--> 110 кВ", {},
       [](const std::string& folder) {
         TSubstMatchRun run(In(folder, "Образец"));
         run.Apply({run.BaseNames().front() + " < Переименованная"});
       },
       [] { return TSets{Named("Образец", SubstMatchExtensions())}; }},
      {"База данных района: Сохранить как", WriteBaseProtocol,
       [](const std::string& folder) { CopyTableFiles(In(folder, "Образец"), In(folder, "Копия")); },
       [] {  // the sample's tables and the protocol beside them
         return TSets{Named("Копия", ".BBA,.BPA,.QOP,.R04,.RAY,.RSF,.RSL,.RSV,.RTP,.RGM")};
       }},
      {"Z-режим: Сохранить как", {},
       [](const std::string& folder) { SaveSchemeAs(In(folder, "Пример"), In(folder, "Пример2-")); },
       [] { return TSets{SchemeNamed("Пример2-")}; }},
      {"Z-режим: сохранение схемы на графике", {}, SaveEditedDiagram,
       [] { return TSets{Named("Пример", FormingSchemeExtensions())}; }},
      {"Z-режим: переключение на графике с записью в журнал", {}, SwitchOnDiagram,
       [] { return TSets{Named("Пример", FormingSchemeExtensions() + "," + GetMaketExtention(LayoutSwitchLog))}; }},
      {"Z-режим: Расчет режима", {}, CalculateRegime, [] { return TSets{Named("Пример", SchemeExtensions() + ",.RGM")}; }},
      {"Расчет эквивалентных схем узлов по напряжению и потерям мощности: Расчет", {},
       [](const std::string& folder) {
         TRegime engine;
         TNodeEquivCalc(engine).Calculate(In(folder, "Пример"), 18, 0.01, false);
       },
       [] { return TSets{SchemeNamed("18")}; }},
      {"Расчет токов трехфазного короткого замыкания: Показать на графике", {}, WriteSampleRadius, [] { return TSets{SchemeNamed("Радиус")}; }},
      {"Выравнивание каталожных данных", PrepareAlignment,
       [](const std::string& folder) { AlignCatalogFolders(folder + "/", In(folder, kOtherFolder) + "/"); },
       AlignedSets},
      {"Z-режим: Потери энергии, Расчет потерь", PrepareMonth, RunMonth, [] { return MonthSets(); }},
      {"Z-режим: Потери энергии, Расчет потерь с регулированием Q", PrepareMonthWithSource, RunMonthRegulated,
       [] { return MonthSets("," + GetMaketExtention(LayoutReactiveSources)); }},
      {"Z-режим: Балансировка схемы", PrepareMonth, Balance,
       [] { return TSets{Named("Образец", Extensions({LayoutNodes, LayoutBranches, LayoutLineFlows}) + ",.RGM")}; }},
      {"Оптимизация реактивной мощности: Записать", {}, WriteQopt,
       [] { return TSets{Named("Пример", GetMaketExtention(LayoutNodes) + "," + GetMaketExtention(LayoutReactiveSources))}; }},
      {"Z-режим: Создать", {}, [](const std::string& folder) { CreateEmptyScheme(In(folder, "Пример"), "Пример"); },
       [] { return TSets{SchemeNamed("Пример")}; }},
      {"Расчет токов трехфазного короткого замыкания: Создать", {},
       [](const std::string& folder) { CreateTkzData(In(folder, "Данные")); }, [] { return TkzNamed("Данные"); }},
      {"Расчет токов трехфазного короткого замыкания: Сохранить",
       [](const std::string& folder) { CreateTkzData(In(folder, "Данные")); }, SaveTkzRows,
       [] { return TkzNamed("Данные"); }},
      {"Расчет токов трехфазного короткого замыкания: Сохранить как",
       [](const std::string& folder) { CreateTkzData(In(folder, "Данные")); },
       [](const std::string& folder) { CopyTkzData(In(folder, "Данные"), In(folder, "Копия")); },
       [] { return TkzNamed("Копия"); }},
      // the district tables first, as the save writes them: a base newer than the scheme refuses the edit
      {"Z-режим: переключение на графике с сохранением в базу РЭС", PrepareMonth, SwitchWithBase,
       [] {
         return TSets{Named("Образец", DistrictExtensions() + "," + FormingSchemeExtensions() + "," +
                                           GetMaketExtention(LayoutSwitchLog) + ",.INI")};
       }},
      {"Z-режим: Реконфигурация", PrepareSwitched, Reconfigure,
       [] { return TSets{Named("Образец", DistrictExtensions() + "," + GetMaketExtention(LayoutBranches) + ",.INI")}; }},
  };
  return writers;
}

}  // namespace ld
