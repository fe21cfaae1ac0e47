#pragma once
// "Каталог графиков": the load graphs of a scheme or district base, their values as a table and as a
// plot, their properties, imports and printing; in pick mode it hands a graph number back.
#include <QDialog>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/catalogs/catwin_settings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_rows.h"

class QAction;
class QLabel;
class QMenuBar;
class QProgressBar;
class QScrollBar;
class QSplitter;
class QToolButton;
class QWidget;

namespace ld::gui {

class TDataGrid5;
class TGraphBox;

// The number that opens the window without searching the catalogue for a graph.
inline constexpr int kNoGraphSearch = static_cast<int>(0xEFFFFFFFu);

class TCatGrForm : public QDialog {
  Q_OBJECT

public:
  TCatGrForm(std::string basePath, int graphNo, QWidget* parent = nullptr);
  ~TCatGrForm() override;

  // Controls by their names.
  QToolButton *GrafBtn = nullptr, *ValBtn = nullptr, *NewBtn = nullptr, *EditBtn = nullptr, *PrnCatBtn = nullptr,
              *LoadBtn = nullptr, *SetBtn = nullptr, *PrnGrafBtn = nullptr, *MulGrafBtn = nullptr;
  QToolButton *SaveValBtn = nullptr, *PrnValBtn = nullptr, *MaxBtn = nullptr, *MinBtn = nullptr, *CorBtn = nullptr;
  QLabel* LGrafik = nullptr;
  TDataGrid5* CatGrid = nullptr;
  TDataGrid5* ValGrid = nullptr;
  TGraphBox* GrafBox = nullptr;
  QScrollBar* GScroll = nullptr;
  QWidget* Panel5 = nullptr;
  QWidget* OkPanel = nullptr;
  QProgressBar* ProcBar = nullptr;
  QLabel *PerBox = nullptr, *DateBox = nullptr, *HelpBox = nullptr, *SredBox = nullptr, *KvadBox = nullptr;
  QMenuBar* GMenu = nullptr;
  QAction *GrafItem = nullptr, *ImpItem = nullptr, *AddItem = nullptr, *EditItem = nullptr, *DelItem = nullptr,
          *SetItem = nullptr;
  QAction *ImpLBItem = nullptr, *ImpGRItem = nullptr, *ImpSVEItem = nullptr, *ImpKOEItem = nullptr,
          *SaveItem = nullptr;

  int GraphNo() const { return graphNo_; }
  const TGraphDisplaySettings& Display() const { return display_; }

  // The commands, as the buttons and menu items run them.
  void LoadGraph();
  void AddGraph();
  void EditGraph();
  void DeleteGraph();
  void Settings();
  void ToggleGraf();
  void ToggleVal();
  void ToggleMul();
  void ToggleCor();
  void FindMax();
  void FindMin();
  // Saves the values of the current graph; ask puts the question first. False: "Отмена".
  bool SaveValues(bool ask);
  void PrintCatalog();
  void PrintValues();
  void PrintPlot();
  void ImportLB();
  void ImportGRC();
  void ImportSVE();
  void ImportKOE();
  void SaveImport();

  // The graph that the toggles, opening and edits show.
  void ShowGraph();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

public slots:
  void done(int result) override;

private:
  void BuildControls();
  void FormShow();
  void FillCols();
  void ResetGraph();
  void UpdateLoadBtn();
  void RebuildValueTable(const std::string& dateTitle, const std::string& valueTitle);
  // Saves the catalogue, and in the same run the tables of `together` (the values of imported graphs).
  void SaveCatalog(const std::vector<std::pair<std::string, TDataFile*>>& together = {});
  void ClearStatistics();
  std::string ChooseFile(const char* filter, const char* title);
  // A metering workbook's first sheet: by slices of an hour, or typical days.
  void ImportMetering(const char* title, bool typical);
  // Runs a graph import along the import path: read takes the whole file, and its new graphs go into
  // the catalogue and the values table, saved together.
  void ImportGraphs(const std::string& file, const std::function<TGraphsRead()>& read);
  // Shows the last row of the catalogue and saves it (with `together`, as SaveCatalog).
  void ShowImported(const std::vector<std::pair<std::string, TDataFile*>>& together = {});
  bool CloseQuery();

  std::string basePath_;
  int graphNo_ = 0;
  bool shown_ = false;
  bool closing_ = false;
  TGraphCatalogCols cols_;
  TGraphDisplaySettings display_;
  QSplitter* split_ = nullptr;
  QWidget* plotPanel_ = nullptr;
  QWidget* valuePanel_ = nullptr;
};

// Opens the graph catalogue of a base path. MaxInt browses; any other number picks: "Выбрать" then
// returns true with GraphNo set to the number of the chosen row.
bool ShowGraphCatalog(const std::string& BasePath, int& GraphNo);

}  // namespace ld::gui
