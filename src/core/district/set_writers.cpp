#include "core/district/set_writers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/align_catalogs.h"
#include "core/catalogs/catwin_graph.h"
#include "core/catalogs/import_grc.h"
#include "core/catalogs/import_rows.h"
#include "core/catalogs/import_sheets.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/district/cdu_cards.h"
#include "core/district/base_import.h"
#include "core/district/diagram_switching.h"
#include "core/district/import_net_workbooks.h"
#include "core/district/import_psh.h"
#include "core/district/measure_base.h"
#include "core/district/outside_readers.h"
#include "core/district/pnt_lin_import.h"
#include "core/district/load_forming.h"
#include "core/district/scheme_forming.h"
#include "core/district/set_writer_inputs.h"
#include "core/district/sheet_import_names.h"
#include "core/district/sheet_imports.h"
#include "core/district/subscriber_books.h"
#include "core/district/subscriber_dbf.h"
#include "core/district/subst_match.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "core/optim/ktr_table.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/optim/tkz_data.h"
#include "core/optim/tkz_view.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/regime/balance_flows.h"
#include "core/regime/measurements.h"
#include "core/regime/task_emk.h"
#include "core/regime/task_fragment.h"
#include "core/regime/task_koef.h"
#include "core/regime/node_equiv.h"
#include "core/regime/period_run.h"
#include "core/regime/pnt_lin.h"
#include "core/regime/scheme_files.h"
#include "core/regime/switch_journal.h"
#include "core/regime/switch_test.h"
#include "core/regime/task_regime.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/file_kinds.h"
#include "core/tables/journal.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_save.h"

namespace ld {

namespace {

using namespace set_inputs;
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
    other.FileDate = 0;  // a catalogue of the other folder's own, made there
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

// The names of a stem's files of every kind that the program's list gives the families.
std::vector<std::string> FamilyNamed(const std::string& stem, std::initializer_list<TFileFamily> families) {
  std::vector<std::string> names;
  for (const TFileKind& kind : FamilyFileKinds(families)) names.push_back(stem + kind.Ext);
  return names;
}

// Families of the stem beside the one a command makes there, holding a file of every kind of the
// program's list that the stem lacks: a table of one row, or a text.
void LayEveryKind(const std::string& stem) {
  for (const TFileKind& kind : StemFileKinds()) {
    const std::string file = stem + kind.Ext;
    if (fileio::FileExists(FindFileNoCase(file))) continue;
    if (kind.Layout.empty()) {
      std::ofstream(file, std::ios::binary) << Utf8ToCp1251("Прежний файл: " + kind.What + "\r\n");
      continue;
    }
    TDataFile table;
    ReadMaket(kind.Layout, table);
    CreateColumns(table, 1);
    table.Title = "прежняя " + kind.What;
    WriteTableFile(file, table);
  }
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

// A switching on the diagram as the regime window saves it (SaveDiagramSwitching), with the model of the
// scheme as drawn before the change, as the window holds it: the branch row's state changed, its journal
// entry at noon of a day, or of the next day where the journal holds that one already.
void SwitchOnDiagramRow(diagram::TSchemBoxState& box, int row, bool withBase) {
  TRegime model;
  TDataFile nodes, branches;
  CopyTable(*box.NodeTable, nodes);
  CopyTable(*box.BranchTable, branches);
  bool renumbered = false;
  model.BuildModel(nodes, branches, renumbered);
  model.AnalyzeConfiguration();
  diagram::StartChange(box);
  // A save that fails keeps the change and its locks for another try; the drawing goes with this command.
  struct Discard {
    diagram::TSchemBoxState& box;
    ~Discard() {
      if (!box.LockedExtList.empty()) UnlockTableFiles(box.LockedBase, box.LockedExtList);
    }
  } discard{box};
  TRecSwt before;
  ReadBranchRec(*box.BranchTable, row, before);
  (*box.BranchCols.Commut)[row] = before.Commut == 0 ? Utf8ToCp1251("О")[0] : 0;
  TSwitchEntry entry;
  const TSwitchingEnd end = SaveDiagramSwitching(
      box, row, before, model, withBase,
      [](TDataFile& journal, TSwitchEntry& asked) {
        asked.Moment = EncodeDate(2026, 11, journal.RowCount > 0 ? 3 : 2) + 0.5;
        return true;
      },
      entry);
  if (end != TSwitchingEnd::Saved) throw Error(withBase ? "переключение не записано в базу РЭС" : "переключение не записано");
}

void SwitchOnDiagram(const std::string& folder) {
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, In(folder, "Пример"));
  SwitchOnDiagramRow(box, 2, false);
}

void CalculateRegime(const std::string& folder) {
  TRegime r;
  std::vector<std::string> errors;
  if (CalculateSchemeRegime(r, In(folder, "Пример"), errors) == TTaskVerdict::Failed)
    throw Error(errors.empty() ? "режим не рассчитан" : errors.front());
}

// "Расчет режима по коэф. совмещения" with the coefficients of one, two and more loads behind a branch.
void CalculateCoincidence(const std::string& folder) {
  TRegime r;
  std::vector<std::string> errors;
  if (!CalculateCoincidenceRegime(r, In(folder, "Пример"), {1.0f, 0.9f, 0.8f}, errors))
    throw Error(errors.empty() ? "модель схемы не построена" : errors.front());
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

std::string Extensions(std::initializer_list<const char*> layouts) { return LayoutExtensions(layouts); }

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

// The month's losses with one regulation of the settings ticked, as the user ticks it; unticked after.
void RunMonthWith(bool& regulation, const std::string& folder) {
  regulation = true;
  struct Off {
    bool& flag;
    ~Off() { flag = false; }
  } off{regulation};
  RunMonth(folder);
}

void RunMonthRegulated(const std::string& folder) { RunMonthWith(IniRec.RegQ, folder); }

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

// A data set of a source and a branch, as the window saves it after "Создать".
void SaveTkzRowsOverNew(const std::string& folder) {
  CreateTkzData(In(folder, "Данные"));
  SaveTkzRows(folder);
}

TSets TkzNamed(const std::string& stem) { return TSets{Named(stem, Extensions({LayoutTkzSources, LayoutTkzRadius}))}; }

// The month as the period run left it: its energies beside the tables, which the clearing removes.
void PrepareMonthRun(const std::string& folder) {
  PrepareMonth(folder);
  RunMonth(folder);
}

TSets ClearedMonthSets() {
  return TSets{Named("Образец", Extensions({LayoutLineFlows, LayoutNodes, LayoutNodeEnergy, LayoutBranchEnergy}))};
}

void RunTechnological(const std::string& folder) {
  TRegime r;
  std::vector<std::string> errors, said;
  r.Errors = &errors;
  TPeriodRunCallbacks told;
  told.Message = [&said](const std::string& line) { said.push_back(line); };
  if (!RunPeriodLosses(r, In(folder, "Образец"), told, TPeriodRunForm::Technological, false).Written)
    throw Error(said.empty() ? "потери не записаны" : said.back());
}

// A book of measurements for the formed month scheme.
void PrepareMeasurements(const std::string& folder) {
  PrepareMonth(folder);
  WriteMeasurementBook(folder);
}

// The engine of a task of the regime window, the scheme's tables locked for the task's run.
TRegime& LockedForTask(TRegime& r, TTaskLocks& locks, const std::string& path) {
  locks.Lock(path);
  PrepareTaskEngine(r, IniRec.FlagRQ);
  return r;
}

// "Расчет емкостных токов" over the formed month scheme (a 10 kV network), by the settings' voltages.
void CalculateCapCurrents(const std::string& folder) {
  TRegime r;
  std::vector<std::string> errors;
  if (CalculateSchemeCapCurrents(r, In(folder, "Образец"), errors) != TTaskVerdict::Calculated)
    throw Error(errors.empty() ? "модель схемы не построена" : errors.front());
}

// A fragment of "Пример" chosen on the diagram (its first four nodes and three branches) saved as the
// scheme "Фрагмент".
void SaveFragment(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  TDataFile shownNodes, shownBranches;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), shownNodes);
  ReadTableFile(path + GetMaketExtention(LayoutBranches), shownBranches);
  TRegime r;
  std::vector<std::string> errors;
  if (SaveSchemeFragment(r, path, shownNodes, shownBranches, {1, 2, 3, 4}, {1, 2, 3}, In(folder, "Фрагмент"),
                         errors) != TTaskVerdict::Calculated)
    throw Error(errors.empty() ? "режим не рассчитан" : errors.front());
}

// The scheme "Добавка" (a copy of "Пример") joined to "Пример" at its balancing node.
void PrepareJoin(const std::string& folder) { SaveSchemeAs(In(folder, "Пример"), In(folder, "Добавка")); }

void JoinSchemes(const std::string& folder) {
  TRegime r;
  std::vector<std::string> missing, errors;
  if (JoinScheme(r, In(folder, "Пример"), In(folder, "Добавка"), missing, errors) != TTaskVerdict::Calculated)
    throw Error(errors.empty() ? "режим не рассчитан" : errors.front());
}

// "Пример" with every node and branch marked unsupplied ('p', as the diagram colours them), as a scheme
// whose network was cut off and joined again is left: the next read of the scheme finds them supplied,
// marks the model anew and writes both tables back.
void PrepareRenumbering(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  for (const char* layout : {LayoutNodes, LayoutBranches}) {
    TDataFile table;
    ReadTableFile(path + GetMaketExtention(layout), table);
    if (!table.MarkRec) table.MarkRec = std::make_unique<DAbyte>(table.RowCount);
    table.MarkRec->EnsureIndex(table.RowCount);
    for (int row = 1; row <= table.RowCount; ++row) (*table.MarkRec)[row] = 'p';
    WriteTableFile(path + GetMaketExtention(layout), table);
  }
}

void ReadRenumbered(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  TRegime r;
  TTaskLocks locks(&r);
  LockedForTask(r, locks, path).ReadScheme(path);
}

TSets BaseTableSets(const std::string& stem) { return TSets{Named(stem, Extensions({LayoutLines10, LayoutTransTP}))}; }

// The district base of the stem made by the base window's import command: its reader of the program's
// list takes the chosen file (source, as the command names it) and the base goes in one run.
void ImportBaseBy(const char* reader, const std::string& source, const std::string& file, const std::string& stem) {
  TBaseImport base;
  const auto read = [&] {
    TOutsideRun run;
    run.Files = {file};
    run.BaseStem = stem;
    run.Base = &base;
    return FindOutsideReader(reader).ReadInto(file, run);
  };
  if (ImportBase(source, stem, false, base, read) != TImportEnd::Written) throw Error("база не записана");
}

// The card file of "Пример", from which the import makes the scheme "Карты" beside it.
void PrepareCards(const std::string& folder) { ExportCardScheme(In(folder, "Пример"), In(folder, "Карты.cdu")); }

// An exchange pair written from "Пример" with a load and a resistance that its tables do not hold.
void PrepareExchangePair(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  TDataFile nodes, branches;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
  ReadTableFile(path + GetMaketExtention(LayoutBranches), branches);
  TNodeCols n;
  FillNodeCols(nodes, n);
  TBranchCols b;
  FillBranchCols(branches, b);
  (*n.Pn)[n.RowCount] = n.Pn->Get(n.RowCount) + 12.5;
  (*b.R)[b.RowCount] = b.R->Get(b.RowCount) + 0.25f;
  WritePntLin(In(folder, "Обмен.PNT"), nodes, branches, {});
}

// "Запись файлов PNT,LIN" of the regime window: the nodes as it shows them, a load changed and not saved.
void WriteExchangePair(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  TDataFile shown;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), shown);
  TNodeCols n;
  FillNodeCols(shown, n);
  (*n.Pn)[1] = n.Pn->Get(1) + 7.5;
  ExportPntLinPair(In(folder, "Обмен.PNT"), path, shown, {});
}

// "Чтение файлов PNT,LIN" of the regime window: the pair over the scheme as the window shows it.
void ReadExchangePair(const std::string& folder) {
  const std::string path = In(folder, "Пример");
  TTaskLocks locks(nullptr);
  locks.Lock(path);
  TDataFile shown;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), shown);
  ImportPntLinPair(In(folder, "Обмен.PNT"), path, shown);
}

// "Импорт из файлов *.GRC, *.GRV" of the graph catalogue window: every graph of the other catalogue chosen,
// the catalogue's rows and values taken over in the grid's save of the catalogue.
void ImportGraphs(const std::string& folder) {
  const std::string stem = In(folder, "Графики"), file = stem + GetMaketExtention(GraphCatalogMaket);
  TOutsideRun run;
  FindOutsideReader(kGrcReader).ReadInto(In(folder, "Другие") + GetMaketExtention(GraphCatalogMaket), run);
  TGraphCatalogCols theirs;
  FillGraphCatalogCols(run.Tables[0], theirs);
  for (int row = 1; row <= theirs.RowCount; ++row) {
    std::string chosen = kChosenGraphMark;
    chosen += theirs.Tit->GetItem(row);
    theirs.Tit->SetItem(row, chosen);
  }
  TDataFile catalog;
  ReadTableFile(file, catalog);
  const auto values = OpenGraphValues(stem);
  if (ImportGraphCatalog(catalog, *values, run.Tables[0], run.Tables[1]) == 0) throw Error("не взят ни один график");
  SaveTableWith(file, catalog, {{stem + GetMaketExtention(GraphValuesMaket), values.get()}});
}

// An import of the graph catalogue window's "Импорт" menu that reads graphs new to the catalogue from
// a file (laid, as the user chooses it, with numbers after the catalogue's last): they join the
// catalogue's rows and values, saved together in the grid's save of the catalogue.
using TLayFile = void (*)(const std::string& folder, int first);
void ImportNewGraphs(const std::string& folder, TLayFile lay,
                     const std::function<TGraphsRead(const TDataFile& catalog)>& read) {
  const std::string stem = In(folder, "Графики"), file = stem + GetMaketExtention(GraphCatalogMaket);
  TDataFile catalog;
  ReadTableFile(file, catalog);
  TGraphCatalogCols c;
  FillGraphCatalogCols(catalog, c);
  int last = 0;
  for (int row = 1; row <= c.RowCount; ++row) last = std::max(last, c.Ngr->Get(row));
  lay(folder, last + 1);
  const TGraphsRead graphs = read(catalog);
  if (graphs.Graphs.empty()) throw Error("не взят ни один график");
  const auto values = OpenGraphValues(stem);
  AddImportedGraphs(graphs.Graphs, catalog, *values);
  SaveTableWith(file, catalog, {{stem + GetMaketExtention(GraphValuesMaket), values.get()}});
}

void ImportGraphsLB(const std::string& folder) {
  ImportNewGraphs(folder, WriteGraphFileLB, [&](const TDataFile& catalog) {
    TOutsideRun run;
    run.Catalog = &catalog;
    TGraphsRead read;
    read.Taken = FindOutsideReader(kLBReader).ReadInto(In(folder, "Типовые.LB"), run);
    read.Graphs = std::move(run.Graphs);
    return read;
  });
}

// An import of a metering system's workbook (typical: of the second system, its typical days).
void ImportMetering(const std::string& folder, const char* book, bool typical) {
  ImportNewGraphs(folder, WriteMeteringBooks,
                  [&](const TDataFile& catalog) { return ReadMeteringWorkbook(In(folder, book), catalog, typical); });
}

// The grid's save of the graph catalogue with its values, after `edit` changed the last graph's row and
// the values of that graph (it gives how many value rows it changed: none is a failed preparation).
void SaveLastGraphEdit(const std::string& folder,
                       const std::function<int(TDataFile& catalog, const TGraphCatalogCols& c, TDataFile& values)>& edit) {
  const std::string stem = In(folder, "Графики"), file = stem + GetMaketExtention(GraphCatalogMaket);
  TDataFile catalog;
  ReadTableFile(file, catalog);
  TGraphCatalogCols c;
  FillGraphCatalogCols(catalog, c);
  const auto values = OpenGraphValues(stem);
  if (edit(catalog, c, *values) == 0) throw Error("у графика нет значений");
  SaveTableWith(file, catalog, {{stem + GetMaketExtention(GraphValuesMaket), values.get()}});
}

// "Удалить" of the graph catalogue window: the last graph's row deleted in the grid, and the grid's save
// with the values that lost their graph.
void DeleteGraph(const std::string& folder) {
  SaveLastGraphEdit(folder, [](TDataFile& catalog, const TGraphCatalogCols& c, TDataFile& values) {
    const int number = c.Ngr->Get(c.RowCount);
    DeleteTableRow(catalog, catalog.RowCount--);
    return DeleteGraphValueRows(values, number);
  });
}

// "Свойства" of the graph catalogue window: the last graph given a number no graph has, its values
// taking the new number in the grid's save of the catalogue.
void RenumberGraph(const std::string& folder) {
  SaveLastGraphEdit(folder, [](TDataFile&, const TGraphCatalogCols& c, TDataFile& values) {
    const int number = c.Ngr->Get(c.RowCount), renumbered = number + 10;
    (*c.Ngr)[c.RowCount] = renumbered;
    return RenumberGraphValues(values, number, renumbered);
  });
}

void ImportSubscriberBooks(const std::string& folder) {
  TSubscriberXlsRequest request;
  request.BaseStem = In(folder, "Образец");
  request.Prom = request.Byt = true;
  request.PathProm = In(folder, "Промышленные.xlsx");
  request.PathByt = In(folder, "Бытовые.xlsx");
  std::vector<std::string> info;
  ImportSubscriberBasesXls(request, info);
}

void MeasureFeeders(const std::string& folder) {
  const TSheetImport& reader = FindSheetImport(kFeederMeasureSheet);
  std::vector<std::string> messages;
  MeasureBaseTables(In(folder, "Образец"), In(folder, "Фидеры.xlsx"), reader.Layouts,
                    [&](std::vector<TDataFile>& tables, const TSheetCells& cells) {
                      return reader.Read(tables, cells, {&messages, 0, {}, {}, nullptr});
                    });
}

void ImportNetWorkbook(const std::string& folder) {
  const std::string file = In(folder, "Сеть.xlsx"), stem = In(folder, "Образец");
  TBaseImport base;
  if (ImportBase(file, stem, true, base, [&] { return ImportNetWorkbooks({file}, stem, base); }) !=
      TImportEnd::Written)
    throw Error("база не записана");
}

void ImportSubscriberBases(const std::string& folder) {
  TSubscriberDbfRequest request;
  request.BaseStem = In(folder, "Образец");
  request.Byt = request.Dog = true;
  request.PathByt = In(folder, "быт.dbf");
  request.PathDog = In(folder, "дог.dbf");
  std::vector<std::string> info;
  ImportSubscriberBasesDbf(request, info);
}

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
  const auto formed = fs::last_write_time(FamilyFile(base, GetMaketExtention(LayoutBranches)));
  for (const std::string& name : Named(base, DistrictExtensions()))
    if (fs::exists(FamilyFile(name))) fs::last_write_time(FamilyFile(name), formed - std::chrono::seconds(1));
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, base);
  const TBranchCols& b = box.BranchCols;
  int row = 1;
  while (row < b.RowCount && (b.ExtFile->GetItem(row) != GetMaketExtention(LayoutLines10) || b.Idx->Get(row) == 0))
    ++row;
  SwitchOnDiagramRow(box, row, true);
}

// "Тест переключений" of the switched scheme over the month of its switching, both reports asked for.
void TestSwitchings(const std::string& folder) {
  const std::string base = In(folder, "Образец");
  TSwitchTestTables tables;
  ReadSwitchTestTables(base, tables);
  TSwitchTestSettings settings;
  settings.Date1 = EncodeDate(2026, 11, 1);
  settings.Date2 = EncodeDate(2026, 11, 30);
  RunSwitchTest(base, tables, ReadSchemeSwitchDate(base), settings, {});
}

// A tap changer on the scheme's first transformer branch, its taps far from the middle and its own end
// held at the nominal voltage, so that the regulation moves them.
void LaySampleTaps(const std::string& base) {
  TDataFile branches, taps;
  ReadTableFile(base + GetMaketExtention(LayoutBranches), branches);
  TBranchCols b;
  FillBranchCols(branches, b);
  int row = 1;
  while (row < b.RowCount && b.Kta->Get(row) == 0) ++row;
  ReadMaket(LayoutKtrTable, taps);
  CreateColumns(taps, 1);
  TKtrCols c;
  FillKtrCols(taps, c);
  TRecTr rec;
  rec.Num1 = b.N1->Get(row), rec.Num2 = b.N2->Get(row), rec.NameTr = "Т1";
  rec.Knom = b.Kta->Get(row);
  rec.Kotv = 19, rec.Nnom = 10, rec.Ntek = 1, rec.Delta = 1.78f;
  rec.N1 = b.N2->Get(row), rec.Node1 = b.Name2->GetItem(row), rec.U1min = 9.9f, rec.U1max = 10.1f;
  PutRecTr(c, 1, rec);
  WriteTableFile(KtrTableFileName(base), taps);
}

// The month with that tap changer.
void PrepareMonthWithTaps(const std::string& folder) {
  PrepareMonth(folder);
  LaySampleTaps(In(folder, "Образец"));
}

// "Запись Ктр" of the tap window over "Пример": the transformer's tap moved in the table, as a search
// or the slider moves it, and the table titled by the scheme's folder, as the window titles it.
void WriteTaps(const std::string& folder) {
  const std::string stem = In(folder, "Пример");
  TDataFile taps, branches;
  ReadTableFile(KtrTableFileName(stem), taps);
  ReadTableFile(stem + GetMaketExtention(LayoutBranches), branches);
  TKtrCols c;
  FillKtrCols(taps, c);
  (*c.Ntek)[1] = 5;
  taps.Title = folder + "/";
  WriteKtrWithBranches(taps, branches, stem, nullptr);
}

void RunMonthWithTaps(const std::string& folder) { RunMonthWith(IniRec.RegKtr, folder); }

// "Реконфигурация" of the switched scheme back to the morning of the switching's day.
void PrepareSwitched(const std::string& folder) {
  PrepareMonth(folder);
  SwitchWithBase(folder);
}

void Reconfigure(const std::string& folder) {
  if (!ReconfigureScheme(In(folder, "Образец"), EncodeDate(2026, 11, 2)))
    throw Error("реконфигурация не записана");
}

// "Формирование схемы" of the sample base, with the program's converter and no question.
void FormSample(const std::string& folder) {
  TRegime engine;
  std::vector<std::string> messages;
  FormSchemeFromBase(In(folder, "Образец"), false, {}, engine, DefaultSchemeConverter(), {}, messages);
}

}  // namespace

const std::vector<TSetWriter>& SetWriters() {
  static const std::vector<TSetWriter> writers = {
      {"База данных района: Формирование схемы", {}, FormSample,
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
      {"База данных района: Создать", [](const std::string& folder) { LayEveryKind(In(folder, "Образец")); },
       [](const std::string& folder) { CreateEmptyBase(In(folder, "Образец")); },
       [] { return TSets{FamilyNamed("Образец", {TFileFamily::Base, TFileFamily::Scheme})}; }},
      {"База данных района: Сохранить как",
       [](const std::string& folder) {
         WriteBaseProtocol(folder);
         LayEveryKind(In(folder, "Копия"));
       },
       [](const std::string& folder) { SaveBaseAs(In(folder, "Образец"), In(folder, "Копия")); },
       [] {  // the sample's tables and the protocol beside them, and what the copy's name held besides
         return TSets{FamilyNamed("Копия", {TFileFamily::Base, TFileFamily::Scheme})};
       }},
      // the scheme formed from the sample with its base, onto a name holding a district of its own
      {"Z-режим: Сохранить как",
       [](const std::string& folder) {
         FormSample(folder);
         LayEveryKind(In(folder, "Пример2-"));
       },
       [](const std::string& folder) { SaveSchemeAs(In(folder, "Образец"), In(folder, "Пример2-")); },
       [] { return TSets{FamilyNamed("Пример2-", {TFileFamily::Base, TFileFamily::Scheme})}; }},
      {"Z-режим: сохранение схемы на графике", {}, SaveEditedDiagram,
       [] { return TSets{Named("Пример", FormingSchemeExtensions())}; }},
      {"Z-режим: переключение на графике с записью в журнал", {}, SwitchOnDiagram,
       [] { return TSets{Named("Пример", FormingSchemeExtensions() + "," + GetMaketExtention(LayoutSwitchLog) + ",.INI")}; }},
      {"Z-режим: Расчет режима", {}, CalculateRegime, [] { return TSets{Named("Пример", SchemeExtensions() + ",.RGM")}; }},
      {"Z-режим: Расчет по коэф. совмещ.", {}, CalculateCoincidence,
       [] { return TSets{Named("Пример", SchemeExtensions() + ",.RGM")}; }},
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
      {"Z-режим: Очистка данных (новый месяц)", PrepareMonthRun,
       [](const std::string& folder) { ClearMonthData(In(folder, "Образец")); }, ClearedMonthSets},
      {"Z-режим: Технологические потери", PrepareMonth, RunTechnological, [] { return TSets{{"Образец.WRG"}}; }},
      {"Z-режим: Импорт замеров", PrepareMeasurements,
       [](const std::string& folder) {
         ImportMeasurementFile(In(folder, "Образец"), In(folder, "Замеры.xlsx"), {"замер", 0.5}, {});
       },
       [] { return TSets{Named("Образец", Extensions({LayoutNodes, LayoutLineFlows}))}; }},
      {"Z-режим: Импорт ЦДУ",
       [](const std::string& folder) {
         PrepareCards(folder);
         LayEveryKind(In(folder, "Карты"));
       },
       [](const std::string& folder) {
         // the card file's reader of the program's list, as the regime window reads it
         ImportSchemeFile(In(folder, "Карты.cdu"), [](const std::string& file, TDataFile& nodes, TDataFile& branches) {
           TOutsideRun run;
           const TImportTaken taken = FindOutsideReader(kCardsReader).ReadInto(file, run);
           nodes = std::move(run.Tables[0]);
           branches = std::move(run.Tables[1]);
           return taken;
         });
       },
       [] { return TSets{FamilyNamed("Карты", {TFileFamily::Scheme})}; }},
      {"Z-режим: Чтение файлов PNT,LIN", PrepareExchangePair, ReadExchangePair,
       [] { return TSets{SchemeNamed("Пример")}; }},
      {"Z-режим: Запись файлов PNT,LIN", {}, WriteExchangePair, [] { return TSets{{"Обмен.PNT", "Обмен.LIN"}}; }},
      {"Каталог графиков нагрузок: Удалить", PrepareGraphCatalog, DeleteGraph,
       [] { return TSets{Named("Графики", Extensions({GraphCatalogMaket, GraphValuesMaket}))}; }},
      {"Каталог графиков нагрузок: Свойства", PrepareGraphCatalog, RenumberGraph,
       [] { return TSets{Named("Графики", Extensions({GraphCatalogMaket, GraphValuesMaket}))}; }},
      {"Каталог графиков нагрузок: Импорт из файлов *.GRC, *.GRV", PrepareGraphCatalogs, ImportGraphs,
       [] { return TSets{Named("Графики", Extensions({GraphCatalogMaket, GraphValuesMaket}))}; }},
      {"Каталог графиков нагрузок: Импорт из файлов *.LB", PrepareGraphCatalog, ImportGraphsLB,
       [] { return TSets{Named("Графики", Extensions({GraphCatalogMaket, GraphValuesMaket}))}; }},
      {"Каталог графиков нагрузок: Импорт из файлов *.xls (АСКУЭ СВЭ)", PrepareGraphCatalog,
       [](const std::string& folder) { ImportMetering(folder, "АСКУЭ.xlsx", false); },
       [] { return TSets{Named("Графики", Extensions({GraphCatalogMaket, GraphValuesMaket}))}; }},
      {"Каталог графиков нагрузок: Импорт из файлов *.xls (АСКУЭ Кирмаоблэнерго)", PrepareGraphCatalog,
       [](const std::string& folder) { ImportMetering(folder, "АСКУЭ типовые.xlsx", true); },
       [] { return TSets{Named("Графики", Extensions({GraphCatalogMaket, GraphValuesMaket}))}; }},
      {"База данных района: Импорт сети из книг", PrepareNetWorkbook, ImportNetWorkbook,
       [] { return BaseTableSets("Образец"); }},
      {"База данных района: Абоненты из книг", PrepareSubscriberBooks, ImportSubscriberBooks,
       [] { return TSets{Named("Образец", Extensions({LayoutMeterPoints, LayoutHouseholds}))}; }},
      {"База данных района: Импорт замеров 10(6) кВ", PrepareFeederMeasurements, MeasureFeeders,
       [] { return TSets{Named("Образец", Extensions({LayoutSubstInputs, LayoutSubstFeeders}))}; }},
      {"База данных района: Абоненты из баз dBase", PrepareSubscriberBases, ImportSubscriberBases,
       [] { return TSets{Named("Образец", Extensions({LayoutHouseholds, LayoutConsumers}))}; }},
      {"Z-режим: Расчет емкостных токов", PrepareMonth, CalculateCapCurrents,
       [] { return TSets{SchemeNamed("Образец")}; }},
      {"Z-режим: Выделение фрагмента графики схемы", {}, SaveFragment, [] { return TSets{SchemeNamed("Фрагмент")}; }},
      {"Z-режим: Стыковка схем по балансирующим узлам", PrepareJoin, JoinSchemes,
       [] { return TSets{SchemeNamed("Пример")}; }},
      {"Z-режим: чтение схемы с перенумерацией модели", PrepareRenumbering, ReadRenumbered,
       [] { return TSets{SchemeNamed("Пример")}; }},
      {"База данных района: Импорт", PrepareDistrictFile,
       [](const std::string& folder) {
         ImportBaseBy(kRsReader, In(folder, "Сеть.RS"), In(folder, "Сеть.RS"), In(folder, "Образец"));
       },
       [] { return BaseTableSets("Образец"); }},
      {"База данных района: Импорт файлов *.psh", PrepareFeederFile,
       [](const std::string& folder) {
         const std::string stem = In(folder, "Образец");
         ImportBaseBy(kPshReader, PshFolderSource(stem), stem, stem);
       },
       [] { return BaseTableSets("Образец"); }},
      {"Оптимизация реактивной мощности: Записать", {}, WriteQopt,
       [] { return TSets{Named("Пример", GetMaketExtention(LayoutNodes) + "," + GetMaketExtention(LayoutReactiveSources))}; }},
      {"Z-режим: Создать", {}, [](const std::string& folder) { CreateEmptyScheme(In(folder, "Пример"), "Пример"); },
       [] { return TSets{SchemeNamed("Пример")}; }},
      // over a data set of that name, which it replaces
      {"Расчет токов трехфазного короткого замыкания: Создать", SaveTkzRowsOverNew,
       [](const std::string& folder) { CreateTkzData(In(folder, "Данные")); }, [] { return TkzNamed("Данные"); }},
      {"Расчет токов трехфазного короткого замыкания: Сохранить",
       [](const std::string& folder) { CreateTkzData(In(folder, "Данные")); }, SaveTkzRows,
       [] { return TkzNamed("Данные"); }},
      {"Расчет токов трехфазного короткого замыкания: Сохранить как",
       [](const std::string& folder) {
         CreateTkzData(In(folder, "Данные"));
         CreateTkzData(In(folder, "копия"));  // the same data set's name, as another workstation spelled it
       },
       [](const std::string& folder) { CopyTkzData(In(folder, "Данные"), In(folder, "Копия")); },
       [] {
         TSets sets = TkzNamed("Копия");
         const TSets other = TkzNamed("копия");
         sets.front().insert(sets.front().end(), other.front().begin(), other.front().end());
         return sets;
       }},
      // the district tables first, as the save writes them: a base newer than the scheme refuses the edit
      {"Z-режим: переключение на графике с сохранением в базу РЭС", PrepareMonth, SwitchWithBase,
       [] {
         return TSets{Named("Образец", DistrictExtensions() + "," + FormingSchemeExtensions() + "," +
                                           GetMaketExtention(LayoutSwitchLog) + ",.INI")};
       }},
      {"Z-режим: Тест переключений", PrepareSwitched, TestSwitchings,
       [] {
         return TSets{{"Образец (длительность отключений).txt", "Образец (отклонения от СНР).txt"}};
       }},
      {"Z-режим: Потери энергии, Расчет потерь с регулированием Ктр", PrepareMonthWithTaps, RunMonthWithTaps,
       [] { return MonthSets("," + GetMaketExtention(LayoutKtrTable)); }},
      {"Оптимизация коэффициентов трансформации: Запись Ктр",
       [](const std::string& folder) { LaySampleTaps(In(folder, "Пример")); }, WriteTaps,
       [] { return TSets{Named("Пример", Extensions({LayoutBranches, LayoutKtrTable}))}; }},
      {"Z-режим: Реконфигурация", PrepareSwitched, Reconfigure,
       [] {
         return TSets{Named("Образец", DistrictExtensions() + "," + GetMaketExtention(LayoutBranches) + ",.INI," +
                                           FormedBaseExt)};
       }},
  };
  return writers;
}

}  // namespace ld
