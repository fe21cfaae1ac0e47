// The regime window's menu "Задачи": the economic equivalents of the nodes and their tests and
// statement, the capacitive currents, the regime by coincidence coefficients, tgφ by voltage class,
// saving a fragment of the diagram as a scheme and joining another scheme. The calculations are the
// core's; the handlers gather the settings, hold the locks and show what came out.
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/regime/task_eerm.h"
#include "core/regime/task_emk.h"
#include "core/regime/task_fragment.h"
#include "core/regime/task_koef.h"
#include "core/regime/task_regime.h"
#include "core/regime/task_tg.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/diagram/sch_box.h"
#include "gui/grid/grid_exchange.h"
#include "gui/regime/eerm_test_form.h"
#include "gui/regime/flow_kf_form.h"
#include "gui/regime/set_eerm_form.h"
#include "gui/regime/set_emk_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }
std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }


// What a calculating task holds from its locks to its end: the engine's lists, the locks this run took
// and the window's side lists. However the task ends, the locks this run took go, the side lists show
// what the engine listed and the kept sensitivities are given up.
class TTaskRun {
  TZregimForm& form_;
  TRegime& r_;

public:
  TTaskRun(TZregimForm& form, TRegime& r) : form_(form), r_(r), locks(&r) {}
  ~TTaskRun() {
    locks.ReleaseAll();
    r_.Errors = r_.Unsupplied = r_.Contours = nullptr;
    FreeKeptSensitivities(r_);
    form_.ShowSideLists(unsupplied, contours);
  }
  TTaskRun(const TTaskRun&) = delete;
  TTaskRun& operator=(const TTaskRun&) = delete;

  // The regime settings and the window's callbacks into the engine, the lists attached.
  void Attach(bool qLimits) {
    form_.NoSupBox->clear();
    form_.ConturBox->clear();
    PrepareTaskEngine(r_, qLimits);
    r_.OnProgress = [this](int position) { form_.OnCalcProgress(position); };
    r_.OnStage = [this](const std::string& text) { form_.OnCalcStatus(text); };
    r_.Errors = &errors;
    r_.Unsupplied = &unsupplied;
    r_.Contours = &contours;
  }
  // The verdict shown; true when the task may go on with the regime.
  bool Accept(TTaskVerdict verdict) {
    if (verdict == TTaskVerdict::Failed) {
      ShowMsgForm("Ошибка расчета режима", mkError, mbOk);
      form_.SetInfoLines(errors);
      return false;
    }
    if (verdict == TTaskVerdict::NotConverged) {
      ShowMsgForm("Режим не сходится", mkWarning, mbOk);
      return false;
    }
    return true;
  }

  std::vector<std::string> errors, unsupplied, contours;
  TTaskLocks locks;
};

}  // namespace

void TZregimForm::BindTaskCommands() {
  Bind(CalcEERMItem, [this] { CalcEERMItemClick(); });
  Bind(EERMTestItem, [this] { EquivalentTestClick(false); });
  Bind(EEAMTestItem, [this] { EquivalentTestClick(true); });
  Bind(PrintEERMItem, [this] { PrintEERMItemClick(); });
  Bind(CalcEmkItem, [this] { CalcEmkItemClick(); });
  Bind(EmkBPItem, [this] { EmkBPItemClick(EmkBPItem); });
  Bind(EmkRPItem, [this] { EmkBPItemClick(EmkRPItem); });
  Bind(CalcFlowsKoefItem, [this] { CalcFlowsKoefItemClick(); });
  Bind(FragItem, [this] { FragItemClick(); });
  Bind(JoinItem, [this] { JoinItemClick(); });
  Bind(CalcTgItem, [this] { CalcTgItemClick(); });
}

void TZregimForm::FinishTask() {
  ShowSchemeCounters();
  ReloadDiagram();
}

void TZregimForm::CalcEERMItemClick() {
  if (!CommonGuard()) return;
  if (!ExecuteEERMSettingsDialog()) return;
  TRegime& r = *regime_;
  TTaskRun task(*this, r);
  task.locks.Lock(SchemePath);
  const TLongRun status(*this, false);
  task.Attach(IniRec.FlagRQ);
  r.StorePVJacobian = true;
  if (!task.Accept(RunTaskCalculation(r, SchemePath, task.errors))) return FinishTask();

  OnCalcStatus("Расчет ЭЭРМ");
  TDataFile nodes;
  ReadTableFile(NodeFile(), nodes);
  TNodeCols cols;
  FillNodeCols(nodes, cols);
  ProcBar->setValue(0);
  CalcNodeEquivalents(r, cols, IniRec.dQ, IniRec.AbsEERM, [this](int position) { OnCalcProgress(position); });
  RewriteLockedTable(SchemePath, nodes);
  NodesItemClick();
  FinishTask();
}

void TZregimForm::EquivalentTestClick(bool active) {
  if (!CommonGuard()) return;
  int node = 0;
  double d = 1;
  if (!ExecuteEERMTestDialog(node, d)) return;
  TRegime& r = *regime_;
  TTaskRun task(*this, r);
  task.locks.Lock(SchemePath);
  const TLongRun status(*this, false);
  task.Attach(false);
  if (!task.Accept(RunTaskCalculation(r, SchemePath, task.errors))) return FinishTask();

  TDataFile nodes;
  ReadTableFile(NodeFile(), nodes);
  TNodeCols cols;
  FillNodeCols(nodes, cols);
  LinesItemClick(LinesItem);
  if (ShownMaket() != LayoutBranches) return FinishTask();
  TDataFile& table = *DataGrid_->GetTable();
  RunEquivalentTest(r, cols, table, node, d, active);
  DataGrid_->Refresh();
  // The grid writes the colours itself, which its own lock allows and the task's would refuse. Its
  // save forms the equipment texts anew from the marks: the labels come back for the eye alone.
  std::vector<std::string> labels;
  TBranchCols b;
  FillBranchCols(table, b);
  for (int i = 1; i <= b.RowCount && b.Text != nullptr; ++i) labels.push_back(b.Text->GetItem(i));
  task.locks.ReleaseAll();
  DataGrid_->SaveWithoutAsking();
  FillBranchCols(table, b);
  for (int i = 1; i <= b.RowCount && b.Text != nullptr && i <= static_cast<int>(labels.size()); ++i)
    b.Text->SetItem(i, labels[static_cast<std::size_t>(i - 1)]);
  DataGrid_->SetModified(false);
  DataGrid_->Refresh();
  FinishTask();
}

void TZregimForm::PrintEERMItemClick() {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  const std::string templateFile = EERMStatementTemplate();
  const std::string outFile = EERMStatementFile(SchemePath);
  {
    const TLongRun status(*this, false);
    TDataFile nodes;
    ReadTableFile(NodeFile(), nodes);
    TNodeCols cols;
    FillNodeCols(nodes, cols);
    WriteEERMStatement(templateFile, cols, outFile, [this](int position) { OnCalcProgress(position); });
  }
  OpenWrittenFile(outFile, "Ведомость ЭЭРМ записана", "документов");
}

void TZregimForm::CalcEmkItemClick() {
  if (!CommonGuard()) return;
  if (!ExecuteCapCurrentSettings()) return;
  TRegime& r = *regime_;
  TTaskRun task(*this, r);
  const std::string shown = ShownMaket();
  {
    const TLongRun status(*this, false);
    task.Attach(IniRec.FlagRQ);
    if (!task.Accept(CalculateSchemeCapCurrents(r, SchemePath, task.errors,
                                                [this](int position) { OnCalcProgress(position); })))
      return FinishTask();
  }
  FinishTask();
  task.locks.ReleaseAll();
  if (shown == LayoutNodes) NodesItemClick();
  else if (shown == LayoutBranches) LinesItemClick(LinesItem);
}

void TZregimForm::EmkBPItemClick(QAction* sender) {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  StoreShownGridPos();
  HideSideLists();
  ProcBar->setValue(0);
  ProcBar->show();
  ArrangeBottomPanels();
  TDataFile nodes, branches, view;
  ReadTableFileOrEmpty(NodeFile(), LayoutNodes, nodes);
  ReadTableFileOrEmpty(BranchFile(), LayoutBranches, branches);
  BuildCapCurrentView(*regime_, nodes, branches,
                      sender == EmkRPItem ? TCapCurrentPoints::Distribution : TCapCurrentPoints::Supply, view,
                      [this](int position) { OnCalcProgress(position); });
  ShowResultTable(view, LayoutCapCurrents);
}

void TZregimForm::CalcFlowsKoefItemClick() {
  if (!CommonGuard()) return;
  DAsingle list;
  if (!ExecuteFlowsKoefDialog(list)) return;
  std::vector<float> coefs;
  for (int i = 1; i <= list.Count; ++i) coefs.push_back(list.Get(i));
  TRegime& r = *regime_;
  TTaskRun task(*this, r);
  const TLongRun status(*this, false);
  task.Attach(IniRec.FlagRQ);
  if (!CalculateCoincidenceRegime(r, SchemePath, coefs, task.errors,
                                  [] { ShowMsgForm("Режим не сходится", mkWarning, mbOk); })) {
    ShowMsgForm("Ошибка построения модели", mkError, mbOk);
    SetInfoLines(task.errors);
    return;
  }
  ShowResults(r);
  FinishTask();
}

void TZregimForm::FragItemClick() {
  if (!SchBtn->isChecked() || SchBox == nullptr || SchBox->NodeSet.empty() || !SchBox->NodeTable ||
      !SchBox->BranchTable) {
    ShowMsgForm("Не выбран фрагмент на графике схемы", mkInfo, mbOk);
    return;
  }
  if (!CommonGuard()) return;
  const std::string file = AskSchemeFile("Запись фрагмента схемы", FolderOf(SchemePath));
  if (file.empty() || !ConfirmOverwrite(file)) return;
  const std::string target = RemoveExtension(file);
  TRegime& r = *regime_;
  TTaskRun task(*this, r);
  {
    const TLongRun status(*this, false);
    task.Attach(IniRec.FlagRQ);
    if (!task.Accept(SaveSchemeFragment(r, SchemePath, *SchBox->NodeTable, *SchBox->BranchTable, SchBox->NodeSet,
                                        SchBox->LineSet, target, task.errors)))
      return;
  }
  try {
    SchemePath = target;
    r.ClearModel();
    if (SchemeTablesExist()) LoadModel();
    OpenNodeTable();
  } catch (const std::exception& e) {
    ShowSchemeError("Ошибка записи фрагмента схемы", e.what());
    ResetForm();
  }
}

void TZregimForm::JoinItemClick() {
  if (!CommonGuard()) return;
  const std::string file = AskSchemeFile("Добавить схему", FolderOf(SchemePath));
  if (file.empty()) return;
  const std::string added = RemoveExtension(file);
  std::vector<std::string> missing;
  // The names without a junction are told at the very end, whatever ended the command.
  struct TMissingWarning {
    const std::vector<std::string>& names;
    ~TMissingWarning() {
      if (names.empty()) return;
      std::string list;
      for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
      ShowMsgForm("Не найдены стыковочные узлы: " + list, mkWarning, mbOk);
    }
  } warning{missing};
  TRegime& r = *regime_;
  TTaskRun task(*this, r);
  bool joined = false;
  {
    const TLongRun status(*this, false);
    task.Attach(IniRec.FlagRQ);
    joined = task.Accept(JoinScheme(r, SchemePath, added, missing, task.errors));
  }
  // The engine holds the added scheme's model: the open scheme's is read again in either case.
  try {
    r.ClearModel();
    if (SchemeTablesExist()) LoadModel();
    if (joined) {
      OpenNodeTable();
      // the diagram drew the scheme as it was before the join: it shows the joined one
      if (SchBox != nullptr && SchPanel2->isVisible()) DrawWholeScheme();
    }
  } catch (const std::exception& e) {
    ShowMsgForm("Ошибка добавления схемы \"" + FileNameOf(file) + "\" : " + e.what(), mkError, mbOk);
    ResetForm();
  }
}

void TZregimForm::CalcTgItemClick() {
  if (!CommonGuard()) return;
  SetInfoLines(TgByVoltageClassReport(SchemePath));
  ShowInfo(true);
  ArrangeBottomPanels();
}

}  // namespace ld::gui
