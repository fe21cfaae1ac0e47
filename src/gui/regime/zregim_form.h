#pragma once
// The regime window "Z-режим": the work window of one calculation scheme. It is created once at program
// start and shown by the main tool bar below itself. It opens, creates, copies and prints a scheme,
// calculates its regime and shows the results, and checks its configuration; every command runs
// through the window's guard and reports through its status line.
//
// The files of the window: zregim_form.cpp (state, showing and closing, status line, callbacks),
// zregim_menus.cpp (menus, tool bar, panels), zregim_scheme.cpp (menu "Схема"), zregim_calc.cpp (menu
// "Режим"), zregim_control.cpp (menu "Контроль схемы"), zregim_tables.cpp (the tables in the grid),
// zregim_exchange.cpp (PNT/LIN files), zregim_recalc.cpp (branch recalculation), zregim_month.cpp
// (the month's measured data), zregim_period.cpp (menu "Потери энергии": the period losses),
// zregim_tasks.cpp (menu "Задачи").
#include <QChar>
#include <QRect>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/dynarray.h"
#include "core/tables/switch_rec.h"
#include "gui/common/work_form.h"
#include "gui/grid/data_grid.h"
#include "gui/regime/diagram_link.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QScrollBar;
class QSplitter;
class QTextEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace ld {
class TRegime;
struct TResultViewOptions;
struct TLossChoices;
}

namespace ld::gui {

// The row on screen, the column and the first shown row of a table last shown in the grid.
struct TGridPos {
  int Row = 1, Col = 1, TopRow = 1;
};

class TZregimForm : public TWorkForm {
  Q_OBJECT

public:
  static constexpr int kMaketCount = 26;

  explicit TZregimForm(QWidget* parent = nullptr);
  ~TZregimForm() override;

  TDataGrid5& DataGrid() { return *DataGrid_; }

  // ---- state
  std::string SchemePath;  // base path of the open scheme; empty without one
  // A table of the open scheme under the name its family has (FamilyFile), whatever the letter case of
  // its extension or stem: the file every existence check of the window looks at, as every reader,
  // writer and lock of the table finds it.
  std::string SchemeFile(const std::string& layout) const;
  std::uint8_t StopRequested = 0;
  std::array<std::string, kMaketCount> MaketNames;
  std::array<TGridPos, kMaketCount> GridPositions;
  std::unique_ptr<DAPointer> MeasurementElements;
  std::unique_ptr<DALongint> MeasurementMarks;
  std::unique_ptr<DAPointer> MeasurementTreeNodes;
  // The window's engine: made when the window is shown, freed when it closes.
  TRegime* Regime() const { return regime_.get(); }

  // The diagram behind the window; the default link stands for none.
  TDiagramLink& Diagram() { return *diagram_; }
  void SetDiagramLink(std::unique_ptr<TDiagramLink> link);

  // The command-line parameters FormShow looks at (the program's own by default).
  std::vector<std::string> Params;

  // ---- lifecycle
  void FormCreate();
  // The commands that this build does not offer are hidden, unless the program runs as the full build.
  void HideUnofferedCommands();
  void FormShow();
  void FormCloseQuery(bool& canClose) override;
  void ResetForm();
  void EnableSchemeUI();
  void LoadModel();
  bool SaveDrawingAndReload(bool ask);
  // After a command wrote the scheme's files: the shown diagram reads them anew, under the caption of
  // the scheme's switching moment.
  void ReloadDiagram();
  // Steps 1 to 3 of the guard every command runs first; false: the command stops. Without diagram the
  // drawing is never modified.
  bool CommonGuard(bool withDiagram = true, bool storePosition = true);
  void SaveGridPos(const std::string& maketName, int row, int col, int topRow);
  TGridPos GetGridPos(const std::string& maketName) const;
  // SaveGridPos for the table the grid shows.
  void StoreShownGridPos();

  // ---- status line and layout
  void ShowSchemeCounters();
  // The scheme table the grid shows (nodes, branches or line flows), read from its file again.
  void ShowSchemeTableAgain();
  // The unsupplied nodes and closed loops the engine listed, into their side lists, and the counters.
  void ShowSideLists(const std::vector<std::string>& unsupplied, const std::vector<std::string>& contours);
  void ShowLimitFlags(bool vm, bool vp, bool il, bool st);
  // The general results of a regime written to the scheme's tables shown and the limit flags set.
  void ShowResults(TRegime& r);
  void ArrangeTopPanels();
  void ArrangeBottomPanels();
  void HideSideLists();
  // Info and its splitter together.
  void ShowInfo(bool on);
  void SetInfoLines(const std::vector<std::string>& lines);
  std::vector<std::string> InfoLines() const;

  // ---- callbacks of long calculations
  void OnCalcProgress(int position);
  void OnCalcStatus(const std::string& text);
  void OnCalcMessage(const std::string& line);
  bool IsStopRequested() const { return StopRequested != 0; }
  void StopBarClick();
  // The status line of a long command from its start to every way out: Info emptied and the progress
  // bar (with the stop label when the command can be stopped) shown; at the end the bars go, the status
  // text is cleared and Info comes back when the command left lines in it.
  class TLongRun {
  public:
    TLongRun(TZregimForm& form, bool stoppable);
    ~TLongRun();
    TLongRun(const TLongRun&) = delete;
    TLongRun& operator=(const TLongRun&) = delete;

  private:
    TZregimForm& form_;
  };
  // True while a command runs; the other commands and the close query refuse meanwhile.
  bool Busy() const { return busy_; }

  // The geometry of the maximised window: below the main tool bar (Tag) and inside the work area.

  // ---- menu "Схема"
  void NewItemClick();
  void OpenItemClick();
  void SaveItemClick();
  void SaveAsItemClick();
  void PrintItemClick();
  void ImportCDUClick();
  void ExportCDUClick();
  void QuitItemClick();
  // ---- menu "Режим"
  void CalcItemClick();
  // ---- loss panel and load balancing (zregim_losses.cpp, zregim_balance.cpp)
  void BuildLossPanel();
  void LossesBtnClick();
  // LossesItem; WLossItem belongs to the energy view.
  void LossesItemClick(QAction* sender);
  // The loss panel opened over the given voltage classes and districts, calculated at once.
  void OpenLossPanel(const TLossChoices& choices);
  void CalcLossBtnClick();
  void ClearBtnClick();
  void LossViewBtnClick();
  void BalansBtnClick();
  QToolButton *ClearBtn = nullptr, *LossViewBtn = nullptr;
  void VoltItemClick();
  void TokLnItemClick(bool lines);
  void LossLnItemClick(bool lines);
  // ResultItem, WResultItem or WMsgItem.
  void ResultItemClick(QAction* sender);
  // ---- menu "Потери энергии" (zregim_period.cpp): WCalcItem the losses over a period, TreItem the
  // technological consumption by meters
  void WCalcItemClick(QAction* sender);
  // ---- menu "Контроль схемы"
  void ARKItemClick();
  // ---- the diagram panel and its selections (zregim_diagram.cpp, zregim_schpanel.cpp, zregim_select.cpp)
  class TSchemBox* SchBox = nullptr;
  QWidget* SchCommands = nullptr;  // the diagram's command row inside SchPanel
  QLineEdit* FindEdit = nullptr;
  QToolButton *UpdateBtn = nullptr, *FullSchBtn = nullptr, *SaveSchBtn = nullptr, *PrintSchBtn = nullptr,
              *SetPrmBtn = nullptr, *ColorBtn = nullptr, *ComBtn = nullptr, *PQBtn = nullptr, *RXBtn = nullptr,
              *WhBtn = nullptr, *AddLinBtn = nullptr, *AddNodBtn = nullptr, *AddLnkBtn = nullptr,
              *FitNodBtn = nullptr, *DelNodBtn = nullptr, *DelLinBtn = nullptr, *DelFitNodBtn = nullptr,
              *FindBtn = nullptr, *SubstBtn = nullptr, *ClearSchBtn = nullptr, *TreeBtn = nullptr,
              *RadiusBtn = nullptr, *TrassBtn = nullptr, *LayerBtn = nullptr, *LinksBtn = nullptr,
              *UnomBtn = nullptr;
  std::string SubstSearch;  // what was typed into SubstList
  void InstallDiagram();
  void BuildSchPanel();
  void SchBtnClick();
  void UpdateBtnClick();
  // The scheme's files read into the diagram again and the whole scheme drawn.
  void DrawWholeScheme();
  void FullSchBtnClick();
  void SaveSchBtnClick();
  void PrintSchBtnClick();
  void SetPrmBtnClick();
  void ColorBtnClick();
  void CorrectBtnClick();
  void ClickModeBtnClick(QToolButton* sender);
  void CorrectMenuClick(QToolButton* sender);
  void FindBtnClick();
  void SubstBtnClick();
  void ClearSchBtnClick();
  void SchBoxGetNode(const std::string& node);
  void SubstListClick(QListWidget* list);
  // A key typed into SubstList; true when the list must not see it.
  bool SubstListKey(int key, const QString& text, bool keypad);
  // The mode is the sender's Tag (data() of a menu item, the "Tag" property of a button).
  void TreeBtnClick(QObject* sender);
  void ShowSelection(int mode, std::string text);
  // The subscribers of a substation (15), a node (16) or the line of branch row lineRow (17).
  void ShowSubscribers(int mode, const std::string& text, std::int32_t lineRow = 0);
  // A branch changed on the diagram (before: its state before the change) entered into the journal and
  // saved with the scheme and its switching date. False when the entry was cancelled or refused or the
  // save failed: the branch table is then as the change left it, for the diagram to undo the change.
  bool SchBoxChangeLine(const std::string& base, TDataFile* branches, int li, const TRecSwt* before);
  void ReconfigItemClick();
  // The switching journal replayed over a period (zregim_testswt.cpp).
  void TestSwtItemClick();
  void EkvZItemClick();
  void EkvLinItemClick(int tag);
  void SetRayonItemClick();
  // ---- menu "Оптимизация" (zregim_optim.cpp)
  void RazrezItemClick();
  void TransformItemClick();
  void ReactivItemClick();
  void OptimT2ItemClick();
  // The guard, the scheme's locks around the optimisation window (entry: true when it wrote into the
  // scheme), then the shown table (nodes or branches) and the diagram read anew after a write.
  void RunOptimisationCommand(const std::function<bool()>& entry, bool nodeTable);
  void NoSupItemClick(QAction* sender);
  // ---- menu "Задачи" (zregim_tasks.cpp)
  void CalcEERMItemClick();
  // EERMTestItem (reactive load taken off) or EEAMTestItem (active load added).
  void EquivalentTestClick(bool active);
  void PrintEERMItemClick();
  void CalcEmkItemClick();
  // EmkBPItem or EmkRPItem.
  void EmkBPItemClick(QAction* sender);
  void CalcFlowsKoefItemClick();
  void FragItemClick();
  void JoinItemClick();
  void CalcTgItemClick();
  // ---- the scheme's tables in the grid
  void NodesItemClick();
  void LinesItemClick(QAction* sender);
  void DebugTableClick(QAction* sender);
  void MeteringImportClick();

  // ---- the tables in the grid and their hooks (zregim_tables.cpp), the exchange files
  // (zregim_exchange.cpp), the recalculation of branches (zregim_recalc.cpp), the month's data
  // (zregim_month.cpp)
  // A catalogue, passport list or program list by its menu item.
  void LNItemClick(QAction* sender);
  void GraphPQItemClick();
  void CmpCatItemClick();
  void CloseItemClick();
  void PrnInfoItemClick();
  void DataGridSetMaketProc(PDataFile df);
  void DataGridParamProc(const std::string& folder, PDataFile df, int row, bool& modify);
  void DataGridSaveProc(PDataFile df);
  // A character typed into a cell of the grid; true when it was consumed by a picker.
  bool DataGridKeyPress(QObject* sender, const QString& text);
  void DataGridExtKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
  void DataGridMoveProc(PDataFile df, int acol, int arow);
  void DataGridDblClick(TDataGrid5* grid, const QPoint& position);
  void RecalcItemClick();
  void NewMonthItemClick();
  void ImpZamerClick();
  // The tap optimisation of the branch table's hot key: whatever TransformItem is bound to.
  void TransformHotKey();
  QMenu* InfoMenu = nullptr;
  QAction *CloseItem = nullptr, *PrnInfoItem = nullptr;

  // ---- the period loss views and the loss statement (zregim_loss_views.cpp), the balance panel
  // (zregim_balans_panel.cpp); bound once by BindEnergyCommands
  void BindEnergyCommands();
  // The loss views: transformers for WLossTrItem and WLossTrBtn, lines otherwise.
  void WLossLnItemClick(QObject* sender);
  // The loading views: lines for WFlowLnItem, transformers otherwise.
  void WFlowLnItemClick(QObject* sender);
  void WNodItemClick();
  void NodeItemClick();
  void LineItemClick();
  void WLossBtnClick();
  void WLossPrnItemClick();
  void BuildBalansPanel();
  void WBalansBtnClick();
  void ZamerBoxChange();
  void BuildMeasurementTree(int mode, int group);
  void ToggleMeasurementNode(QTreeWidgetItem* node);
  void DeselectAllMeasurements();
  void SelectTreeLevel();
  void TreeViewClick();
  void TreeViewMouseUp(Qt::MouseButton button, const QPoint& position);
  void TreeViewKeyPress(QChar key);
  void SetBalBtnClick();
  void ReportClick();
  void BuildBalanceReport(bool detailed);
  void PrnBalansBtnClick();
  void B1Click();
  void SelBtnClick();
  void DeselBtnClick();
  void BalansGridExtMenuClick(QAction* item, PDataFile table, int row);
  QComboBox* ZamerBox = nullptr;
  QToolButton *SelBtn = nullptr, *DeselBtn = nullptr, *SetBalBtn = nullptr, *AllZamer = nullptr, *LevelBtn = nullptr,
              *ReportBtn = nullptr, *PrnBalansBtn = nullptr;
  std::array<QToolButton*, 15> BalansColumnBtns{};  // B1 to B15

  // ---- components, named as the forms of the system name them
  QMenu *FileItem, *DataItem, *ControlItem, *RegimItem, *WItem, *OptimItem, *TaskItem, *CatalogItem;
  QAction *NewItem, *OpenItem, *SaveItem, *SaveAsItem, *PrintItem, *ImportCDU, *ExportCDU, *QuitItem;
  QAction *NodesItem, *LinesItem, *FiderItem, *RayonItem, *SwitchItem, *ReconfigItem, *TestSwtItem;
  QAction *NewMonthItem, *ImpZamer;
  std::array<QAction*, 3> MeteringItems{};
  QAction *ARKItem, *NoSupItem, *ConturItem, *PSItem, *RecalcItem;
  QAction *CalcItem, *BalansFiderItem, *VoltItem, *TokLnItem, *TokTrItem, *LossLnItem, *LossTrItem, *LossesItem,
      *ResultItem;
  QAction *TreItem, *WCalcItem, *WLossLnItem, *WLossTrItem, *WFlowLnItem, *WFlowTrItem, *WNodItem, *NodeItem,
      *LineItem, *WLossItem, *WLossPrnItem, *WResultItem, *WMsgItem;
  QAction *RazrezItem, *TransformItem, *ReactivItem, *OptimT2Item;
  QAction *CalcEERMItem, *PrintEERMItem, *EERMTestItem, *EEAMTestItem, *CalcFlowsKoefItem, *CalcTgItem,
      *CalcEmkItem, *EmkBPItem, *EmkRPItem, *SetRayonItem, *EkvZItem, *EkvCut1Item, *EkvCut2Item, *EkvDelItem,
      *FragItem, *JoinItem;
  QAction *LNItem, *T2Item, *T3Item, *TRItem, *RTItem, *KAItem, *CmpCatItem, *T2PItem, *T3PItem, *TRPItem,
      *RTPItem, *UnItem, *SthPQItem, *GraphPQItem;

  QWidget* ToolPanel;
  QToolButton *PrintBtn, *OpenBtn, *SaveBtn, *CalcBtn, *VoltBtn, *TokLnBtn, *TokTrBtn, *LossesBtn, *NodesBtn,
      *LinesBtn, *FlowBtn, *BalansBtn, *SchBtn, *TreBtn, *WCalcBtn, *WLossLnBtn, *WLossTrBtn, *WLossBtn,
      *WBalansBtn, *CorrectBtn;
  QLabel* DataLabel;
  TDataGrid5* DataGrid_;

  QWidget *LossPanel, *SchPanel, *BalansPanel, *Split3, *MainPanel, *SchPanel2;
  QComboBox *RayonBox, *EquipBox, *UnomBox, *BalansBox;
  QToolButton* CalcLossBtn;
  TDataGrid5* BalansGrid;
  QTreeWidget* TreeView;
  QSplitter *Split, *Split1;
  QTextEdit* Info;
  QPlainTextEdit* Memo1;
  QListWidget *NoSupBox, *ConturBox, *SubstList;

  QWidget* HelpPanel;
  QLabel *HelpText, *NodesText, *LinesText, *BPText, *FMText, *NoSupText, *ConturText, *ST, *IL, *VP, *VM;
  QToolButton* StopBar;
  QProgressBar* ProcBar;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void BuildPanels();
  void BuildMenus();
  void BuildToolBar();
  // Connects an action to a command that runs unless another one is running; an ld::Error of the
  // command ends in the message box.
  void Bind(QAction* action, std::function<void()> command);
  void Bind(QToolButton* button, std::function<void()> command);
  void Run(const std::function<void()>& command);
  // The node and branch tables (SchemeFile), whether both are there to read a model from, and the list
  // of their extensions for the lock routines.
  std::string NodeFile() const;
  std::string BranchFile() const;
  bool SchemeTablesExist() const;
  std::string LockExtensions() const;
  // The open dialog of scheme files; empty when cancelled.
  std::string AskSchemeFile(const std::string& title, const std::string& folder);
  std::string InitialFolder() const;
  bool ConfirmOverwrite(const std::string& file);
  void ShowSchemeError(const std::string& operation, const std::string& text);
  void OpenNodeTable();
  // A view's table into the grid, read-only, at the position remembered for its layout.
  void ShowResultTable(const TDataFile& table, const std::string& label);
  // The common start of a result view: the guard, the progress bar, the district and dimension of the
  // view; false when the guard refuses.
  bool BeginResultView(TResultViewOptions& options);
  int DistrictFilter() const;
  void ShowTableFile(const std::string& fileName, const std::string& label, bool editable);
  std::string ShownMaket() const;
  void ShowSideList(QListWidget* list, const std::string& label);
  // The branch table shown for editing and saved, so that a task may lock and change the scheme's
  // files; otherwise the task's warning and false.
  bool BranchTableForTask();
  // zregim_tables.cpp: the commands and grid hooks of the tables, bound once.
  void BindTableCommands();
  // zregim_tasks.cpp: the commands of the menu "Задачи", bound once; the last steps of a task that
  // changed the scheme (counters, diagram and caption).
  void BindTaskCommands();
  void FinishTask();
  void ShowGridTable(const std::string& layout, const std::string& file, const std::string& caption, bool editable,
                     bool schemeTable);
  // The diagram is shown in its edit mode, in which it edits the scheme's tables itself.
  bool DiagramEditing() const;
  // DataGridKeyPress without its error guard.
  bool CellKeyPress(QChar c);
  void ReadPntLinFiles();
  void WritePntLinFiles(bool shortLayout);

  std::unique_ptr<TRegime> regime_;
  std::unique_ptr<TDiagramLink> diagram_;
  QVBoxLayout* topLayout_ = nullptr;
  bool busy_ = false;
};

// The one regime window of the program, created at start.
extern TZregimForm* ZregimForm;

// The open scheme's base path of the program's regime window (empty without window or scheme).
void GetSchemePath(std::string& path);
void SaveGridPos(const std::string& maketName, int row, int col, int topRow);
void GetGridPos(const std::string& maketName, int& row, int& col, int& topRow);

}  // namespace ld::gui
