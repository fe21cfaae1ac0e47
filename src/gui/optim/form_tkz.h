#pragma once
// The short-circuit window: a short-circuit data set, its calculation radius and results. It is
// created once at program start and shown by the main tool bar below itself.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "gui/common/work_form.h"
#include "gui/grid/data_grid.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QToolButton;

namespace ld::gui {

// The data set's stem: its base path without extension; empty while no data set is open.
extern std::string TkzFileName;

// Shows the radius drawn from the node and branch table files of a stem (the scheme viewer's task). The
// files are deleted as soon as it returns, so the viewer reads them at once. Replaceable; by default it
// does nothing.
using TTkzSchemeViewer = std::function<void(const std::string& stem, const std::string& caption)>;
TTkzSchemeViewer SetTkzSchemeViewer(TTkzSchemeViewer viewer);

class TFormTKZ : public TWorkForm {
  Q_OBJECT

public:
  explicit TFormTKZ(QWidget* parent = nullptr);
  ~TFormTKZ() override;

  TDataGrid5& DataGrid() { return *dataGrid_; }
  TDataGrid5& NodeGrid() { return *nodeGrid_; }
  TDataGrid5& RadiusGrid() { return *radiusGrid_; }
  QComboBox& ListSch() { return *listSch_; }
  QPlainTextEdit& Info() { return *info_; }
  TRegime* TkzRegime() { return tkzRegime_.get(); }

  // Asks to save the data set's and then the radius' unsaved table; canClose becomes false when the
  // person cancels. A window that may close frees its engine.
  void FormCloseQuery(bool& canClose) override;

  // The commands of the menus and buttons.
  void NewClick();
  void OpenClick();
  void SaveClick();
  void SaveAsClick();
  void PrintClick();
  void AddSchemeClick();
  void DeleteSchemeClick();
  void RadiusBtnClick();
  void CalcBtnClick();
  void GraphBtnClick();
  void PrintMessagesClick();

  void ResetWindow();
  void EnableData();
  // Where the window goes when maximised: the work area's width, and its height less Tag below Tag.

protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TDataGrid5* dataGrid_ = nullptr;
  TDataGrid5* nodeGrid_ = nullptr;
  TDataGrid5* radiusGrid_ = nullptr;
  QWidget* dataPanel_ = nullptr;
  QWidget* nodePanel_ = nullptr;
  QWidget* radiusPanel_ = nullptr;
  QWidget* schPanel_ = nullptr;
  QSplitter* dataSplitter_ = nullptr;  // between the data set and the node list
  QSplitter* mainSplitter_ = nullptr;  // data, radius and messages one above the other
  QComboBox* listSch_ = nullptr;
  QPlainTextEdit* info_ = nullptr;
  QMenu* infoMenu_ = nullptr;
  QLabel* helpPanel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QAction *newItem_ = nullptr, *openItem_ = nullptr, *saveItem_ = nullptr, *saveAsItem_ = nullptr,
          *printItem_ = nullptr, *exitItem_ = nullptr, *radiusItem_ = nullptr, *graphItem_ = nullptr,
          *calcItem_ = nullptr, *addSchItem_ = nullptr, *delSchItem_ = nullptr;
  QToolButton *newBtn_ = nullptr, *openBtn_ = nullptr, *saveBtn_ = nullptr, *printBtn_ = nullptr,
              *radiusBtn_ = nullptr, *graphBtn_ = nullptr, *calcBtn_ = nullptr;
  std::unique_ptr<TRegime> tkzRegime_;

  void BuildMenus();
  void BuildPanels();
  void SetupGrid(TDataGrid5& grid);
  bool WriteRight() const;
  // The data set's and the radius' unsaved tables saved with the grids' question; false: cancelled.
  bool SaveChanges();
  // Chooses a data file with the overwrite question for an existing one; empty when cancelled. For a
  // copy of the data set copyFrom, the question names every file of the data set that the copy replaces.
  std::string ChooseDataFile(const QString& title, bool askOverwrite, const std::string& copyFrom = {});
  void OpenData(const std::string& stem);
  void ShowDataCaption();
  void ListSchChange();
  void FillNodeList(const std::string& schemePath);
  // The node list kept as wide as its numbers and its one column with the caption whole.
  void FitNodeList();
  void RadiusGridParamProc(int row, bool& modify);
  void ShowMessages(const std::vector<std::string>& lines);
  void Stage(const std::string& caption, int position);
};

// The one short-circuit window of the program, created at start.
extern TFormTKZ* FormTKZ;

}  // namespace ld::gui
