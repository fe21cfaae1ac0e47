#pragma once
// The district database window "База РЭС": the tables of one district base (the table files of one
// folder that share a stem) shown one at a time in its grid, the equipment catalogues in the same grid,
// and the commands that create, open, copy and print a base. The later district commands (imports,
// subscribers, load forming, scheme forming) hang in its menus. It is created once at program start
// and shown by the main tool bar below itself.
//
// The files of the window: base_res_form.cpp (state, showing and closing, the command states, the
// bottom panels), base_res_menus.cpp (menus, tool bar, panels, the entries hidden in this build),
// base_res_files.cpp (menu "Сеть РЭС", the tables and catalogues in the grid), base_res_grid.cpp (the
// grid's events: pickers, generated names, the line-station jump, the parameter dialog),
// base_res_measure.cpp (measurements from workbooks, tap-off and switch names).
#include <QChar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/district/base_import.h"
#include "core/district/base_rules.h"
#include "core/district/measure_sheet.h"
#include "gui/common/work_form.h"
#include "gui/grid/data_grid.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollBar;
class QSplitter;
class QTextEdit;
class QToolButton;

namespace ld {
class TRegime;
}

namespace ld::gui {

class TBaseResForm : public TWorkForm {
  Q_OBJECT

public:
  explicit TBaseResForm(QWidget* parent = nullptr);
  ~TBaseResForm() override;

  TDataGrid5& DataGrid() { return *DataGrid_; }

  // ---- state
  std::string BaseFileName;         // stem of the open base; empty without one
  std::string MatchSchemeFileName;  // the 110(150)/35 kV scheme last matched with the base's names
  TBaseGridPositions BaseGridPositions;
  // The window's engine that checks formed schemes: made when the window is shown, freed when it closes.
  TRegime* BaseRegime() const { return baseRegime_.get(); }
  void GetBaseFileName(std::string& name) const { name = BaseFileName; }

  // ---- lifecycle and command states
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormCloseQuery(bool& canClose) override;
  void ResetForm();
  // The window over the base of that file (its extension dropped), the line table shown; fresh: a new
  // base whose old table files go first. Whatever fails leaves the window without a base.
  void StartBase(const std::string& file, bool fresh);
  void EnableBaseCommands();
  void EnableSchemeTables();
  void DisableSchemeTables();
  void SaveBaseGridPos(const std::string& maketName, int topRow, int col, int row);
  void GetBaseGridPos(const std::string& maketName, int& topRow, int& col, int& row) const;
  void ProgressCallback(int position);
  void ArrangeBottomPanels();
  // Info and its splitter together.
  void ShowInfo(bool on);

  // ---- menu "Сеть РЭС"
  void NewItemClick();
  void OpenItemClick();
  void SaveItemClick();
  void SaveAsItemClick();
  void PrintItemClick();
  void QuitItemClick();
  void ImportItemClick();
  void ImpPshItemClick();
  void ImpXlsNetItemClick();
  // ---- the tables of the base and the catalogues in the grid
  void LineItemClick();
  // sender: an item of "Данные", "Абоненты" or "Схема", or its tool-bar button.
  void DataItemClick(QObject* sender);
  // sender: an item of "Каталоги".
  void LNItemClick(QAction* sender);
  void CmpCatItemClick();
  void GraphPQItemClick();
  // ---- menu "Данные"
  void ImportTPItemClick();
  void ImpTPMeasItemClick();
  void ImpFeederMeasItemClick();
  void ImpLine04ItemClick();
  void RenumItemClick();
  void RenameItemClick();
  // ---- menu "Абоненты"
  void LinkDogItemClick();
  void ImpDbfBaseItemClick();
  void ImpXlsBaseItemClick();
  void ImportWItemClick();
  void AnalizItemClick();
  // ---- menu "Схема"
  void ExportBtnClick();
  void CmpItemClick();
  // ---- pop-up of Info
  void CloseItemClick();
  void PrnInfoItemClick();

  // ---- the grid's events
  void DataGridSetMaketProc(PDataFile df);
  void DataGridMoveProc(PDataFile df, int acol, int arow);
  void DataGridSaveProc(PDataFile df);
  // A character typed into the grid (from the cell editor when editor is set); true when a picker or
  // a generated name consumed it.
  bool DataGridKeyPress(QChar key, bool editor);
  void DataGridExtKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
  void DataGridParamProc(const std::string& folder, PDataFile df, int row, bool& modify);

  // ---- components, named as the forms of the system name them
  QMenu *NetItem, *DataItem, *AbonentItem, *SchemeItem, *CatalogItem;
  QAction *NewItem, *OpenItem, *SaveItem, *SaveAsItem, *PrintItem, *ImportItem, *ImpPshItem, *ImpXlsNetItem,
      *QuitItem;
  QAction *LineItem, *TPItem, *SubstItem, *ZamerItem, *Line04Item, *RayonSeparator, *RayonItem, *SwitchItem,
      *ImportSeparator, *ImportTPItem, *ImpTPMeasItem, *ImpFeederMeasItem, *ImpLine04Item, *RenumItem, *RenameItem;
  QAction *AbonItem, *PromItem, *BytItem, *LinkDogItem, *ImpDbfBaseItem, *ImpXlsBaseItem, *ImportWItem, *AnalizItem;
  QAction *ExportItem, *NodesItem, *LinesItem, *FlowItem, *CmpItem;
  QAction *LNItem, *T2Item, *T3Item, *TRItem, *RTItem, *KAItem, *UnItem, *CmpCatItem, *GraphPQItem;
  QMenu* InfoMenu;
  QAction *CloseItem, *PrnInfoItem;

  QWidget* Panel1;
  QToolButton *OpenBtn, *SaveBtn, *PrintBtn, *LineBtn, *TPBtn, *SubstBtn, *ZamerBtn, *Line04Btn, *PromBtn, *BytBtn,
      *ExportBtn, *NodesBtn, *LinesBtn, *FlowBtn;
  QLabel* DataLabel;
  TDataGrid5* DataGrid_;
  QWidget* Panel2;  // the grid's status panel
  QScrollBar* ScrollBar1;
  QSplitter* ClientSplit;  // the grid above, Info below
  QWidget* Split;          // the handle between them
  QTextEdit* Info;
  QLabel* HelpPanel;
  QLabel* ProcLabel;
  QProgressBar* ProcBar;

protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

private:
  void BuildPanels();
  void BuildMenus();
  void BuildToolBar();
  void BindCommands();
  void Bind(QAction* action, std::function<void()> command);
  void Bind(QToolButton* button, std::function<void()> command);
  // Runs a command unless another one runs; an error ends in the message box.
  void Run(const std::function<void()>& command);

  // base_res_files.cpp
  // The base file dialog; empty when cancelled.
  std::string AskBaseFile(const std::string& title, bool mustExist, bool fromRegimeScheme,
                          const std::string& startName);
  // The line table of the open base into the grid, and the states of an open base.
  void OpenLineTable();
  // Asks to save a changed table; false: the person cancelled.
  bool CommitGrid();
  void StoreShownGridPos();
  // Shows a table at its remembered position: its file when it exists (or must), else an empty table
  // of its layout that its first save writes under the file's name with the title given.
  void ShowTable(const std::string& layout, const std::string& file, const std::string& label,
                 const std::string& missingTitle, bool mustExist);
  // "Тр-ры ТП, РП" and "Линии 10-6 кВ" as the line-station jump takes them; false when refused.
  bool SwitchToTable(QObject* sender);

  // base_res_imports.cpp
  // A new base of the stem from what build reads of the sources (source: the one a refusal names when
  // the sources give nothing); the window keeps its base until the new one is written.
  void RunBaseImport(const std::string& source, const std::string& stem, bool writeEmptyStations,
                     const std::function<TImportTaken(TBaseImport&, const TImportProgress&)>& build);

  // base_res_measure.cpp
  // The station table read, filled from the workbook by the sheet reader of that name (SheetImports)
  // with the command's setting and written, under its lock; a workbook that gives none is refused.
  void ImportTransformerMeasurements(const std::string& file, const char* sheet, double setting);
  // A table of the base read from its file, rewritten in place and written back under its lock.
  void RewriteBaseTable(const std::string& layout,
                        const std::function<void(TDataFile&, const TMeasureProgress&)>& rewrite);

  // base_res_grid.cpp
  void InstallGridEvents();
  bool CellKeyPress(QChar key, bool editor);
  void PickSwitchingDevice(const std::string& field, int row);
  void PickTransformer(const std::string& field, int row);
  void PickGraph(const std::string& field, int row);
  void StationOfLine();
  void TransformerParams(TDataFile& table, int row, bool& modify);
  void LineParams(TDataFile& table, int row, bool& modify);
  void BranchParams(TDataFile& table, int row, bool& modify);

  std::unique_ptr<TRegime> baseRegime_;
  bool busy_ = false;
};

// The one district database window of the program, created at start.
extern TBaseResForm* BaseResForm;

// The open scheme of the regime window (its path without extension, empty without one): the base
// dialogs start in its folder when no base is open. The program installs the source.
using TSchemePathSource = std::function<std::string()>;
TSchemePathSource SetSchemePathSource(TSchemePathSource source);
std::string RegimeSchemePath();

}  // namespace ld::gui
