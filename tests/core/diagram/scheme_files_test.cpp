#include "core/diagram/scheme_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/session.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_edit.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/formed_base.h"
#include "core/tables/journal.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"
#include "core/engine/regime.h"
#include "scheme_files_test_util.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using test::TableText;
using test::TempDir;

// A lock file opens with its owner's name as a length-prefixed string; what follows is the
// workstation, which depends on the machine.
std::string LockOwnerBytes(const std::string& lockFile) {
  const std::string bytes = test::ReadBytes(lockFile);
  if (bytes.empty()) return bytes;
  return bytes.substr(0, 1 + static_cast<unsigned char>(bytes[0]));
}

constexpr const char* kDistrictExts[] = {".RSL", ".RTP", ".R04", ".RSV"};
constexpr const char* kDistrictLayouts[] = {LayoutLines10, LayoutTransTP, LayoutLines04, LayoutSubstInputs};

// The district tables beside a scheme, older than its node and branch files as after forming.
void WriteDistrictFiles(const std::string& base) {
  for (int k = 0; k < 4; ++k) {
    CreateEmptyTableFile(base + kDistrictExts[k], kDistrictLayouts[k], "");
    test::ShiftFileTime(base + kDistrictExts[k], -60);
  }
}

void WriteFlows(const std::string& fileName, const std::vector<std::array<int, 4>>& rows) {
  TDataFile flows;
  ReadMaket(LayoutLineFlows, flows);
  CreateColumns(flows, static_cast<int>(rows.size()));
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  for (int r = 1; r <= static_cast<int>(rows.size()); ++r) {
    const auto& [n1, n2, nl, typ] = rows[static_cast<std::size_t>(r) - 1];
    (*f.N1)[r] = n1, (*f.N2)[r] = n2, (*f.Nl)[r] = static_cast<std::uint8_t>(nl);
    (*f.Typ)[r] = static_cast<std::int16_t>(typ);
  }
  WriteTableFile(fileName, flows);
}

// The current user for one test.
class UserName {
public:
  explicit UserName(const std::string& name) : saved_(CurrentUserName) { CurrentUserName = name; }
  ~UserName() { CurrentUserName = saved_; }

private:
  std::string saved_;
};

// The new-branch dialog adding one node `node` and one branch n1 - n2, as a user's star of one ray.
auto OneRayStar(std::int32_t node, std::int32_t n1, std::int32_t n2) {
  return [=](const std::string&, const std::string&, std::int32_t, int& count, TDataFile& b, TDataFile& n, float) {
    TNodeCols nc;
    TBranchCols bc;
    ++n.RowCount, ++b.RowCount;
    FillNodeCols(n, nc);
    FillBranchCols(b, bc);
    (*nc.NS)[n.RowCount] = node, (*bc.N1)[b.RowCount] = n1, (*bc.N2)[b.RowCount] = n2;
    count = 1;
    return true;
  };
}

// A selected node element standing for a node row, as the diagram hands it to the commands.
struct Selected {
  SElem elem;
  Selected(TSchemBoxState& box, int nodeRow) {
    elem.NodeRow = nodeRow;
    elem.NodeNr = box.NodeCols.NS->Get(nodeRow);
    box.SelectedNode = &elem;
  }
};

TEST(SchemeFiles, LoadingListsTheFilesDatesFlowsAndDistrictsOfTheScheme) {
  TempDir dir;
  const DiagramScheme scheme = test::DistrictScheme();
  const std::string plain = scheme.Write(dir.Path(), "Sch1");
  const std::string full = scheme.Write(dir.Path(), "Sch2");
  WriteDistrictFiles(full);
  // Flows of branch 6 (11 - 60): another type and another line number do not stop the search, and
  // of the rows with types 5 and 4 the first wins; branch 13 (21 - 41) has one.
  WriteFlows(full + ".PL", {{60, 11, 0, 3}, {11, 60, 2, 4}, {60, 11, 0, 5}, {11, 60, 0, 4}, {21, 41, 0, 4}});

  TSchemBoxState box;
  LoadScheme(box, plain);
  EXPECT_EQ(box.LockExtList, ".UZL,.VET");
  EXPECT_EQ(box.GivenFlowRow, std::vector<std::int32_t>(17, 0));

  LoadScheme(box, full);
  EXPECT_EQ(box.LockExtList, ".UZL,.VET,.PL,.RSL,.RTP,.R04,.RSV");
  std::vector<std::int32_t> given(17, 0);
  given[5] = 3, given[12] = 5;
  EXPECT_EQ(box.GivenFlowRow, given);

  // No files at all: empty tables of the layouts, no message.
  test::ScriptedMsgBox msg;
  LoadScheme(box, dir / "none");
  EXPECT_EQ(box.NodeTable->RowCount + box.BranchTable->RowCount, 0);
  EXPECT_EQ(box.NodeTable->Extention, ".UZL");
  EXPECT_TRUE(msg.Calls().empty());
}

TEST(SchemeFiles, LoadingFindsTheShownRowsAgain) {
  TempDir dir;
  DiagramScheme scheme = test::DistrictScheme();
  const std::string base = scheme.Write(dir.Path(), "Sch1");
  TSchemBoxState box;
  LoadScheme(box, base);
  box.NodeSet = {3, 5, 7};  // nodes 200, 202, 12
  box.LineSet = {4, 6, 9};  // branches 101 - 11, 11 - 60, 201 - 31

  // Node 202 goes, node 81 moves to the front; branch 11 - 60 turns round in place, branch 101 - 11
  // moves to the end.
  scheme.Nodes.erase(scheme.Nodes.begin() + 4);
  scheme.Nodes.insert(scheme.Nodes.begin(), scheme.Nodes.back());
  scheme.Nodes.pop_back();
  std::swap(scheme.Branches[5].N1, scheme.Branches[5].N2);
  scheme.Branches.push_back(scheme.Branches[3]);
  scheme.Branches.erase(scheme.Branches.begin() + 3);
  scheme.Write(dir.Path(), "Sch1");

  LoadScheme(box, base);
  EXPECT_EQ(box.NodeSet, (std::vector<std::int32_t>{4, 7}));
  EXPECT_EQ(box.LineSet, (std::vector<std::int32_t>{17, 5, 8}));
}

TEST(SchemeFiles, SavingSettlesTheSwitchColumnsAndTheEquipmentText) {
  TempDir dir;
  DiagramScheme scheme = test::DistrictScheme();
  const char* letters[] = {"", "н", "К", "О", "П", "Ф", "Z"};
  for (int k = 0; k < 7; ++k) scheme.Branches[static_cast<std::size_t>(k)].Commut = letters[k];
  scheme.Branches[7].TypEqu = std::string(200, 'T');
  scheme.Branches[7].Mark = std::string(100, 'M');
  const std::string base = scheme.Write(dir.Path(), "Sch1");
  TSchemBoxState box;
  LoadScheme(box, base);
  (*box.BranchCols.Com1)[7] = 'x';  // a letter the table does not know leaves the columns
  (*box.BranchCols.Notv)[5] = 3;
  int saves = 0;
  box.OnSaveProc = [&](TDataFile*, TDataFile*) { ++saves; };
  StartChange(box);

  test::ScriptedMsgBox msg;
  msg.Answer(1);
  int answer = -1;
  EXPECT_TRUE(SaveScheme(box, true, false, answer));
  ASSERT_EQ(msg.Calls().size(), 1u);
  EXPECT_EQ(msg.Calls()[0].text, "Сохранить схему \"Sch1\" ?");
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(box.Modified || fileio::FileExists(base + ".VET~") || fileio::FileExists(base + ".UZL~"));

  TDataFile written;
  ReadTableFile(base + ".VET", written);
  TBranchCols b;
  FillBranchCols(written, b);
  auto com = [&](int row) {
    std::string text;
    for (const char c : {b.Com1->Get(row), b.Com2->Get(row)}) text += c == 0 ? '_' : c;
    return text;
  };
  std::vector<std::string> coms;
  for (int row = 1; row <= 7; ++row) coms.push_back(com(row));
  EXPECT_EQ(coms, (std::vector<std::string>{"__", "o_", "_o", "oo", "oo", "_o", "x_"}));
  EXPECT_EQ((std::vector<std::string>{b.Text->GetItem(1), b.Text->GetItem(2), b.Text->GetItem(5), b.Text->GetItem(6),
                                      b.Text->GetItem(8)}),
            (std::vector<std::string>{"", "T2|ТДН-10000/35|ТДН-10000/35", "T2|ТМ-400/10|ТМ-400/10Pos=3",
                                      "LN|АС-70|АС-70", std::string(200, 'T') + std::string(55, 'M')}));
}

TEST(SchemeFiles, SavingASettledSchemeAgainWritesTheSameBytes) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  test::ScriptedMsgBox msg;
  int answer = 0;
  {
    TSchemBoxState box;
    LoadScheme(box, base);
    StartChange(box);
    SaveScheme(box, false, false, answer);
  }
  const std::string nodes = test::ReadBytes(base + ".UZL"), branches = test::ReadBytes(base + ".VET");
  TSchemBoxState box;
  LoadScheme(box, base);
  for (int k = 0; k < 2; ++k) {
    StartChange(box);
    SaveScheme(box, false, false, answer);
    EXPECT_EQ(test::ReadBytes(base + ".UZL"), nodes) << k;
    EXPECT_EQ(test::ReadBytes(base + ".VET"), branches) << k;
  }
}

// The save puts the scheme's tables in place in one run, the branch energies among them when their
// district numbers were changed with the scheme; saved into the district base, the base's tables and the
// scheme's switching date go in the same run, and the next change finds the base no newer than the scheme.
TEST(SchemeFiles, SavingWritesTheSchemeInOneRun) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  CreateEmptyTableFile(base + GetMaketExtention(LayoutBranchEnergy), LayoutBranchEnergy, "Sch1");
  test::ScriptedMsgBox msg;
  const TDateTime switched = EncodeDate(2026, 11, 2) + 0.5;
  for (const bool energies : {false, true, false}) {
    const bool intoBase = std::filesystem::exists(base + kDistrictExts[0]);
    TSchemBoxState box;
    LoadScheme(box, base);
    StartChange(box);
    box.BranchEnergyChanged = energies;
    if (intoBase) box.WrittenBytesWith = {CurDateSwtRunBytes(base, switched)};
    std::vector<TRunStep> steps;
    SetTableRunStepHook([&](TRunStep step) {
      if (step == TRunStep::RecordsLaid || step == TRunStep::Renamed) steps.push_back(step);
    });
    int answer = 0;
    EXPECT_TRUE(SaveScheme(box, false, intoBase, answer));
    SetTableRunStepHook(nullptr);
    // nodes, branches, flows; the four district tables, the date and the record of the base
    std::vector<TRunStep> expected((energies ? 4 : 3) + (intoBase ? 6 : 0), TRunStep::Renamed);
    expected.insert(expected.begin(), TRunStep::RecordsLaid);
    EXPECT_EQ(steps, expected) << energies << intoBase;
    EXPECT_FALSE(box.BranchEnergyChanged);
    if (intoBase) {
      EXPECT_EQ(ReadCurDateSwt(base), switched);
      EXPECT_NO_THROW(StartChange(box));
      SaveScheme(box, false, false, answer);
      // Another workstation saves a district table as soon as the next such save's run is over, within
      // the tick of the branches: the stamps this save keeps are those of its run, and the next change
      // is refused.
      StartChange(box);
      TDataFile theirs;
      ReadTableFile(base + kDistrictExts[0], theirs);
      theirs.Title += " (другая станция)";
      theirs.FileDate = 0;  // a new file of these rows
      WriteTableFile(base + "-другая.RSL", theirs);
      SetTableRunStepHook([&, laid = 0, removed = 0](TRunStep step) mutable {
        if (step == TRunStep::Locked) laid = removed = 0;
        laid += step == TRunStep::RecordLaid;
        if (step != TRunStep::RecordRemoved || ++removed != laid) return;
        std::filesystem::last_write_time(base + "-другая.RSL", std::filesystem::last_write_time(base + ".VET"));
        std::filesystem::rename(base + "-другая.RSL", base + kDistrictExts[0]);
      });
      EXPECT_TRUE(SaveScheme(box, false, true, answer));
      SetTableRunStepHook(nullptr);
      EXPECT_THROW(StartChange(box), Error);
      EXPECT_FALSE(box.Modified);
      // and so is the change of a diagram that reads the scheme again, until it is formed from the base as
      // that workstation left it
      TSchemBoxState again;
      LoadScheme(again, base);
      EXPECT_THROW(StartChange(again), Error);
      TDistrictStamps formed;
      for (int k = 0; k < 4; ++k) formed[k] = FileStampOf(base + kDistrictExts[k]);
      test::WriteBytes(base + FormedBaseExt, FormedBaseBytes(formed));
    } else {
      WriteDistrictFiles(base);
    }
  }
}

// The scheme's read by the engine writes the tables back with its own marks (rows found supplied that
// were marked unsupplied): the diagram that holds the very tables that read took takes the stamps of that
// write and changes on; one that holds tables another workstation replaced before the read keeps its own,
// and its change is refused.
TEST(SchemeFiles, TheDiagramTakesTheStampsOfTheSchemesReadWritingItBack) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  const auto markUnsupplied = [&] {
    for (const char* ext : {".UZL", ".VET"}) {
      TDataFile table;
      ReadTableFile(base + ext, table);
      if (!table.MarkRec) table.MarkRec = std::make_unique<DAbyte>(table.RowCount);
      table.MarkRec->EnsureIndex(table.RowCount);
      for (int row = 1; row <= table.RowCount; ++row) (*table.MarkRec)[row] = 'p';
      table.Title += " ";
      WriteTableFile(base + ext, table);
    }
  };
  for (const bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "replaced before the read" : "read as the diagram holds it");
    markUnsupplied();
    TSchemBoxState box;
    LoadScheme(box, base);
    if (replaced) markUnsupplied();
    TRegime engine;
    engine.ReadScheme(base);
    ASSERT_EQ(engine.Rewritten.size(), 2u);
    for (const TRegime::TTableRewrite& rewrite : engine.Rewritten)
      TakeRewrittenStamp(box, rewrite.File, rewrite.Read, rewrite.Written);
    const std::string error = test::ErrorOf([&] { StartChange(box); });
    EXPECT_EQ(error, replaced ? ChangedMeanwhileText(fileio::FullFileName(base + ".UZL")) : "<no error>");
    int answer = 0;
    if (box.Modified) SaveScheme(box, false, false, answer);
  }
}

TEST(SchemeFiles, AnswersRefusalsAndFailuresOfTheSave) {
  TempDir dir;
  DiagramScheme scheme = test::DistrictScheme();
  const std::string base = scheme.Write(dir.Path(), "Sch1");
  TSchemBoxState box;
  int paints = 0;
  box.PaintHook = [&] { ++paints; };
  LoadScheme(box, base);
  box.NodeSet = {1, 2};
  StartChange(box);
  box.NodeCols.Name->SetItem(1, "Изменено");
  const std::string branches = test::ReadBytes(base + ".VET");
  test::ScriptedMsgBox msg;
  int answer = -1;

  // "Отмена" keeps the change and its locks; "Нет" reads the files again, with nothing shown.
  msg.Answer(2);
  EXPECT_FALSE(SaveScheme(box, true, false, answer));
  EXPECT_TRUE(answer == 2 && box.Modified && fileio::FileExists(base + ".UZL~"));
  msg.Answer(0);
  EXPECT_TRUE(SaveScheme(box, true, false, answer));
  EXPECT_FALSE(answer != 0 || box.Modified || fileio::FileExists(base + ".UZL~") || !box.NodeSet.empty());
  EXPECT_EQ(box.NodeCols.Name->GetItem(1), "ПС-1.1");
  EXPECT_EQ(test::ReadBytes(base + ".VET"), branches);

  // A write refused as one over a file saved by another meanwhile leaves at once, still modified, and
  // gives up the editing marks: this drawing can never be saved, and nobody edits the scheme.
  StartChange(box);
  test::ShiftFileTime(base + ".VET", 5);
  EXPECT_THROW(SaveScheme(box, false, false, answer), Error);
  EXPECT_TRUE(box.Modified);
  EXPECT_FALSE(fileio::FileExists(base + ".UZL~") || fileio::FileExists(base + ".VET~"));
  msg.Answer(0);
  EXPECT_TRUE(SaveScheme(box, true, false, answer));
}

// The program's working folder for one test; the layout file is still found where it was.
class WorkingFolder {
public:
  explicit WorkingFolder(const std::filesystem::path& folder)
      : saved_(std::filesystem::current_path()), layouts_(MaketFileName) {
    MaketFileName = std::filesystem::absolute(MaketFileName).string();
    std::filesystem::current_path(folder);
  }
  ~WorkingFolder() {
    std::filesystem::current_path(saved_);
    MaketFileName = layouts_;
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
  std::filesystem::path saved_;
  std::string layouts_;
};

// A scheme that came from no files has no district files: those that lie in the working folder, one
// of them damaged, are neither checked nor dated, and the save writes nothing there.
TEST(SchemeFiles, ASchemeWithoutABasePathSavesWithoutTheDistrictFiles) {
  TempDir dir;
  TSchemBoxState box;
  test::DistrictScheme().Load(box);
  const WorkingFolder folder(dir.Path());
  CreateEmptyTableFile(kDistrictExts[0], kDistrictLayouts[0], "");
  test::WriteBytes(dir.Path() / kDistrictExts[1], "damaged");
  box.Modified = true;
  int saves = 0;
  box.OnSaveProc = [&](TDataFile*, TDataFile*) { ++saves; };
  test::ScriptedMsgBox msg;
  int answer = -1;
  EXPECT_TRUE(SaveScheme(box, false, true, answer));
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(box.Modified);
  EXPECT_EQ((std::vector<double>{box.DateRSL.Date, box.DateRTP.Date, box.DateR04.Date, box.DateRSV.Date}),
            std::vector<double>(4, 0.0));
  EXPECT_TRUE(msg.Calls().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 2);
}

// A save gives up only the locks its own first change took: the host's lock on a scheme file stays.
TEST(SchemeFiles, SavingRemovesOnlyTheLocksOfItsOwnFirstChange) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  TSchemBoxState box;
  LoadScheme(box, base);
  LockTableFiles(base, ".UZL");  // the host's own lock, taken before the diagram changed anything
  const double date = fileio::FileDateOf(base + ".UZL");
  int answer = 0;
  EXPECT_TRUE(SaveScheme(box, false, false, answer));
  EXPECT_EQ(answer, 1);
  EXPECT_TRUE(fileio::FileExists(base + ".UZL~"));
  EXPECT_EQ(fileio::FileDateOf(base + ".UZL"), date);
  UnlockTableFiles(base, ".UZL");
}

TEST(SchemeFiles, TheFirstChangeChecksTheFilesAndLocksThemOnce) {
  TempDir dir;
  const UserName user("Иванов");
  const DiagramScheme scheme = test::DistrictScheme();
  const std::string base = scheme.Write(dir.Path(), "Sch1");
  WriteDistrictFiles(base);
  TSchemBoxState box;
  LoadScheme(box, base);
  Selected node(box, 6);
  test::ScriptedMsgBox msg;
  TEditDialogs dialogs;
  // Every vertex mark rebuilds the diagram, which drops the selection.
  auto mark = [&](int tag) {
    box.SelectedNode = &node.elem;
    NodeMenuClick(box, dialogs, tag);
  };

  mark(12);
  EXPECT_TRUE(box.Modified);
  EXPECT_EQ(box.NodeCols.Peak->Get(6), 1);
  const std::string lock = "\x06" + Utf8ToCp1251("Иванов");
  for (const char* ext : {".UZL", ".VET", ".RSL", ".RTP", ".R04", ".RSV"})
    EXPECT_EQ(LockOwnerBytes(base + ext + "~"), lock) << ext;

  int answer = 0;
  SaveScheme(box, false, false, answer);
  EXPECT_FALSE(fileio::FileExists(base + ".UZL~"));

  const auto nodes = TableText(*box.NodeTable);
  const auto branches = TableText(*box.BranchTable);
  auto refused = [&](const std::string& expected) {
    EXPECT_FALSE(box.Modified);
    EXPECT_FALSE(fileio::FileExists(base + ".UZL~"));
    try {
      mark(12);
      ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), expected);
    }
  };
  test::WriteForeignLock(base + ".VET", "Петров");
  refused("Файл \"" + fileio::FullFileName(base + ".VET") + "\" редактируется. Петров");
  std::filesystem::remove(base + ".VET~");

  const std::string districtError =
      "Файлы базы РЭС (*.RSL, *.RTP, *.R04, *.RSV) были изменены. Необходимо в задаче \"База РЭС\" сформировать "
      "схему и загрузить ее заново в задаче \"Z-режим\"";
  // Saved again within one tick of a folder that keeps whole seconds: the date says nothing, the bytes do.
  const auto rslDate = std::filesystem::last_write_time(base + ".RSL");
  std::string rsl = test::ReadBytes(base + ".RSL");
  rsl.back() = static_cast<char>(rsl.back() ^ 1);
  test::WriteBytes(base + ".RSL", rsl);
  std::filesystem::last_write_time(base + ".RSL", rslDate);
  refused(districtError);
  test::ShiftFileTime(base + ".R04", 5);
  refused(districtError);
}

TEST(SchemeFiles, ARefusedFirstChangeTakesBackWhatTheDialogWrote) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  TSchemBoxState box;
  LoadScheme(box, base);
  test::WriteForeignLock(base + ".UZL", "Петров");
  const auto nodes = TableText(*box.NodeTable);
  const auto branches = TableText(*box.BranchTable);
  TEditDialogs dialogs;
  std::int32_t preset = -1;
  bool cancel = false;
  // The node dialog renumbers node 11 and the branch ends at it on confirmation, as the real one does.
  dialogs.EditNodeParams = [&](const std::string&, const std::string&, TDataFile& n, TDataFile& b, int row, bool,
                               const std::vector<std::string>&, const std::vector<std::string>&, bool& changed) {
    TNodeCols nc;
    TBranchCols bc;
    FillNodeCols(n, nc);
    FillBranchCols(b, bc);
    preset = (*nc.NS)[row];
    const std::int32_t old = (*nc.NS)[row];
    (*nc.NS)[row] = 99;
    for (int r = 1; r <= bc.RowCount; ++r) {
      if ((*bc.N1)[r] == old) (*bc.N1)[r] = 99;
      if ((*bc.N2)[r] == old) (*bc.N2)[r] = 99;
    }
    changed = true;
    return !cancel;
  };
  // The R/X calculator's values reach the branch row only once the change is allowed.
  dialogs.EditBranchParams = [](int, int, const std::string&, const std::string&, const std::string&,
                                TBranchParamsRec& p, bool) {
    p.R = 0.2f, p.X = 0.1f, p.Mark = "АС-95";
    return true;
  };
  Selected node(box, 6);
  EXPECT_THROW(NodeMenuClick(box, dialogs, 0), Error);
  EXPECT_THROW(AddNewNode(box, dialogs), Error);
  SElem line;
  line.BranchRow = 6;
  EXPECT_THROW(EditLineByCatalog(box, dialogs, &line, 100, 200), Error);
  EXPECT_EQ(TableText(*box.NodeTable), nodes);
  EXPECT_EQ(TableText(*box.BranchTable), branches);
  EXPECT_FALSE(box.Modified);

  // The other dialogs write into the tables too, rows past the end included; a refusal takes all of
  // it back, the given-flow rows with it.
  const auto flows = TableText(*box.FlowTable);
  const std::vector<std::int32_t> given = box.GivenFlowRow;
  dialogs.EditLineParams = [](const std::string&, const std::string&, TDataFile&, TDataFile& b, int row, bool,
                              const std::vector<std::string>&, const std::vector<std::string>&, bool& ends, bool&,
                              bool&) {
    TBranchCols bc;
    FillBranchCols(b, bc);
    (*bc.N1)[row] = 99, (*bc.R)[row] = 9.f;
    ends = true;
    return true;
  };
  dialogs.AddLinkDialog = OneRayStar(98, 11, 98);
  dialogs.EditEnergyMeter = [](const std::string&, TDataFile& n, TDataFile&, TDataFile& f, int nodeRow, int, int row,
                               std::vector<std::int32_t>* givenRows, const std::vector<std::string>&,
                               const std::vector<std::string>&) {
    TNodeCols nc;
    TLineFlowCols fc;
    ++f.RowCount;
    FillNodeCols(n, nc);
    FillLineFlowCols(f, fc);
    (*nc.WPn)[nodeRow] = 700.f;
    (*fc.N1)[f.RowCount] = 11, (*fc.N2)[f.RowCount] = 60, (*fc.Typ)[f.RowCount] = 4;
    if (givenRows != nullptr && row >= 1) (*givenRows)[static_cast<std::size_t>(row) - 1] = f.RowCount;
    return true;
  };
  dialogs.EditNodeLoad = [](const std::string&, TDataFile& n, int row) {
    TNodeCols nc;
    FillNodeCols(n, nc);
    (*nc.Pn)[row] = 5.f;
    return true;
  };
  box.MarkedLine = &line;
  EXPECT_THROW(EditLineProperties(box, dialogs), Error);
  EXPECT_THROW(AddNewLink(box, dialogs), Error);
  EXPECT_THROW(EditLineMeter(box, dialogs, &line), Error);
  EXPECT_THROW(EditNodeByClick(box, dialogs, &node.elem, true), Error);
  EXPECT_THROW(EditNodeByClick(box, dialogs, &node.elem, false), Error);
  EXPECT_EQ(TableText(*box.NodeTable), nodes);
  EXPECT_EQ(TableText(*box.BranchTable), branches);
  EXPECT_EQ(TableText(*box.FlowTable), flows);
  EXPECT_EQ(box.GivenFlowRow, given);
  EXPECT_FALSE(box.Modified);

  // The new node the refused command prepared does not come back in the next one, nor does the one
  // of a cancelled dialog.
  std::filesystem::remove(base + ".UZL~");
  EXPECT_EQ(preset, 0);  // the row beyond the count was empty the first time
  cancel = true;
  AddNewNode(box, dialogs);
  EXPECT_EQ(box.NodeCols.RowCount, 18);
  EXPECT_FALSE(box.Modified);
  cancel = false;
  preset = -1;
  AddNewNode(box, dialogs);
  EXPECT_EQ(preset, 0);
  EXPECT_EQ(box.NodeCols.RowCount, 19);
  EXPECT_EQ(box.NodeCols.NS->Get(19), 99);
  int answer = 0;
  SaveScheme(box, false, false, answer);
}

// The given-flow row of each branch and the no-supply marks keep to their rows through every edit
// that adds or removes rows: the metering dialog rewrites the flow row of its own branch, and the
// colouring marks the rows that were marked.
TEST(SchemeFiles, GivenFlowsAndSupplyMarksFollowTheRowsOfEveryEdit) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  WriteFlows(base + ".PL", {{11, 60, 0, 4}, {21, 41, 0, 4}, {81, 71, 0, 5}, {98, 11, 0, 4}});
  test::ScriptedMsgBox msg;
  TSchemBoxState box;
  LoadScheme(box, base);
  // The given-flow rows of a branch count, by branch row.
  auto given = [](std::size_t count, std::initializer_list<std::pair<std::size_t, std::int32_t>> rows) {
    std::vector<std::int32_t> v(count, 0);
    for (const auto& [row, flow] : rows) v[row - 1] = flow;
    return v;
  };
  ASSERT_EQ(box.GivenFlowRow, given(17, {{6, 1}, {13, 2}, {17, 3}}));
  box.NoSupplyNodes.assign(18, 0);
  box.NoSupplyNodes[16] = box.NoSupplyNodes[17] = 1;  // ТП-7 and ТП-8
  box.NoSupplyBranches.assign(17, 0);
  box.NoSupplyBranches[16] = 1;  // 71 - 81
  std::vector<std::uint8_t> marks(18, 0);
  marks[17] = 1;

  // A node inserted into branch 4 (101 - 11): the rows below move down, the new ones are supplied.
  TEditDialogs dialogs;
  dialogs.EditNodeParams = [](const std::string&, const std::string&, TDataFile& n, TDataFile&, int row, bool,
                              const std::vector<std::string>&, const std::vector<std::string>&, bool&) {
    TNodeCols nc;
    FillNodeCols(n, nc);
    (*nc.NS)[row] = 500;
    return true;
  };
  SElem line;
  line.BranchRow = 4;
  box.MarkedLine = &line;
  InsertNodeIntoLine(box, dialogs);
  EXPECT_EQ(box.GivenFlowRow, given(18, {{7, 1}, {14, 2}, {18, 3}}));
  EXPECT_EQ(box.NoSupplyBranches, marks);
  EXPECT_EQ(box.NoSupplyNodes, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0}));

  // Branch 7 (11 - 60) deleted: the rows below move up.
  line.BranchRow = 7;
  box.MarkedLine = &line;
  LineMenuClick(box, dialogs, 3);
  marks.erase(marks.begin() + 6);
  EXPECT_EQ(box.GivenFlowRow, given(17, {{13, 2}, {17, 3}}));
  EXPECT_EQ(box.NoSupplyBranches, marks);

  // A branch drawn from 11 to 98 takes the flow row of its ends.
  SElem from, to;
  from.NodeNr = 11, to.NodeNr = 98;
  AddLineBetween(box, dialogs, &from, &to);
  marks.push_back(0);
  EXPECT_EQ(box.GivenFlowRow, given(18, {{13, 2}, {17, 3}, {18, 4}}));
  EXPECT_EQ(box.NoSupplyBranches, marks);

  // Branch 17 given the ends 60 - 11 in its dialog takes their flow row.
  dialogs.EditLineParams = [](const std::string&, const std::string&, TDataFile&, TDataFile& b, int row, bool,
                              const std::vector<std::string>&, const std::vector<std::string>&, bool& ends, bool&,
                              bool&) {
    TBranchCols bc;
    FillBranchCols(b, bc);
    (*bc.N1)[row] = 60, (*bc.N2)[row] = 11;
    ends = true;
    return true;
  };
  line.BranchRow = 17;
  box.MarkedLine = &line;
  EditLineProperties(box, dialogs);
  EXPECT_EQ(box.GivenFlowRow, given(18, {{13, 2}, {17, 1}, {18, 4}}));

  // A star of one node 99 and one branch 99 - 11 added to node 11, then node 60 deleted with its
  // branches 7 (60 - 21) and 17.
  dialogs.AddLinkDialog = OneRayStar(99, 99, 11);
  const Selected tp1(box, 6);
  AddNewLink(box, dialogs);
  EXPECT_EQ(box.GivenFlowRow, given(19, {{13, 2}, {17, 1}, {18, 4}}));
  EXPECT_EQ(box.NoSupplyNodes.size(), 20u);
  const Selected otp(box, 16);
  NodeMenuClick(box, dialogs, 11);
  EXPECT_EQ(box.GivenFlowRow, given(17, {{12, 2}, {16, 4}}));
  EXPECT_EQ(box.NoSupplyBranches, std::vector<std::uint8_t>(17, 0));
  EXPECT_EQ(box.NoSupplyNodes,
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0}));
  int answer = 0;
  SaveScheme(box, false, false, answer);
}

TEST(SchemeFiles, DamagedSchemeFilesAreRefusedByName) {
  TempDir dir;
  const std::string base = test::DistrictScheme().Write(dir.Path(), "Sch1");
  WriteFlows(base + ".PL", {{11, 60, 0, 4}, {21, 41, 0, 5}});
  {
    TDataFile areas;
    ReadMaket(LayoutSchemeAreas, areas);
    CreateColumns(areas, 1);
    WriteTableFile(base + ".RAY", areas);
  }
  std::map<std::string, std::string> good;
  for (const char* ext : {".UZL", ".VET", ".PL", ".RAY"}) good[ext] = test::ReadBytes(base + ext);
  TSchemBoxState box;
  LoadScheme(box, base);
  box.NodeSet = {1, 2, 3};

  // A load that fails leaves the control as it was and names the file.
  auto nodes = TableText(*box.NodeTable);
  auto load = [&](const std::string& ext) {
    try {
      LoadScheme(box, base);
      nodes = TableText(*box.NodeTable);
      box.NodeSet = {1, 2, 3};
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("Sch1" + ext), std::string::npos) << e.what();
      EXPECT_EQ(TableText(*box.NodeTable), nodes);
      EXPECT_EQ(box.NodeSet, (std::vector<std::int32_t>{1, 2, 3}));
    }
  };
  // A table of another layout in place of the node file.
  test::WriteBytes(base + ".UZL", good[".VET"]);
  EXPECT_THROW(LoadScheme(box, base), Error);
  load(".UZL");

  std::mt19937 random(20261207);
  for (int round = 0; round < 15; ++round) {
    for (const auto& [ext, bytes] : good) test::WriteBytes(base + ext, bytes);
    const char* ext = std::array{".UZL", ".VET", ".PL", ".RAY"}[random() % 4];
    std::string bytes = good[ext];
    for (std::size_t i = 0, noise = 1 + random() % 30; i < noise; ++i)
      bytes[random() % bytes.size()] = static_cast<char>(random());
    if (round % 5 == 0) bytes.resize(random() % bytes.size());
    test::WriteBytes(base + ext, bytes);
    load(ext);
  }
}

}  // namespace
}  // namespace ld::diagram
