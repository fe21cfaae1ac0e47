// The short-circuit window's data set files, printing and scheme list.
#include <QComboBox>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <algorithm>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/optim/tkz_data.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/grid/grid_exchange.h"
#include "gui/grid/report_print.h"
#include "gui/optim/form_tkz.h"

namespace ld::gui {

namespace {

namespace fs = std::filesystem;

constexpr char kCaption[] = "Расчет токов трехфазного короткого замыкания";
constexpr char kNodeListLayout[] = "Список узлов";

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string WithoutExtension(const std::string& file) { return (fs::path(file).parent_path() / fs::path(file).stem()).string(); }
std::string FileNameOf(const std::string& stem) { return fs::path(stem).filename().string(); }

// "Title (*.EXT)" of a layout, the extension in both letter cases as files of other workstations come.
QString LayoutFilter(const char* layout) {
  const QString ext = Q(GetMaketExtention(layout));
  return QString("%1 (*%2 *%3)").arg(Q(layout), ext.toUpper(), ext.toLower());
}

std::string DataFolder() {
  if (TkzFileName.empty()) return ProgramDir;
  return fs::path(TkzFileName).parent_path().string();
}

}  // namespace

std::string TFormTKZ::ChooseDataFile(const QString& title, bool askOverwrite, const std::string& copyFrom) {
  QFileDialog dialog(this, title, Q(DataFolder()), LayoutFilter(LayoutTkzSources));
  dialog.setObjectName("TkzFileDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(askOverwrite ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(askOverwrite ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(Q(GetMaketExtention(LayoutTkzSources)).mid(1));
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) return {};
  if (!askOverwrite && copyFrom.empty()) return file;
  // whichever of the data set's files was typed, and whatever their letter case: each file that a new or
  // copied data set replaces there is named, in the words of what the command does; a copy onto the open
  // data set's own name replaces nothing, being the save that the window's question made
  const std::string stem = WithoutExtension(file);
  const TCopyReplaced replaced = !copyFrom.empty() ? TkzCopyReplaced(copyFrom, stem) : TkzCreateReplaced(stem);
  if (!replaced.Empty() &&
      ShowMsgForm(CopyReplaceQuestion("Данные с таким именем уже существует.", replaced,
                                      copyFrom.empty() ? TReplacedBy::Create : TReplacedBy::Copy, TFileFamily::TkzData),
                  mkWarning, mbYesNoCancel) != 1)
    return {};
  return file;
}

void TFormTKZ::OpenData(const std::string& stem) {
  TkzFileName = stem;
  EnableData();
  const bool write = WriteRight();
  dataGrid_->OpenFile(FamilyFile(stem, GetMaketExtention(LayoutTkzSources)), 1, 1, 1, write, true, true);
  radiusGrid_->OpenFile(FamilyFile(stem, GetMaketExtention(LayoutTkzRadius)), 1, 1, 1, write, true, true);
  ListSchChange();
  ShowDataCaption();
}

void TFormTKZ::ShowDataCaption() { setWindowTitle(Q(std::string(kCaption) + " - " + FileNameOf(TkzFileName))); }

void TFormTKZ::NewClick() {
  if (!SaveChanges()) return;
  const std::string file = ChooseDataFile("Создание данных для расчета Т.К.З.", true);
  if (file.empty()) return;
  try {
    const std::string stem = WithoutExtension(file);
    CreateTkzData(stem);
    OpenData(stem);
  } catch (const std::exception& e) {
    ShowMsgForm("Ошибка создания данных Т.К.З. \"" + file + "\" : " + e.what(), mkError, mbOk);
    ResetWindow();
  }
}

void TFormTKZ::OpenClick() {
  if (!SaveChanges()) return;
  const std::string file = ChooseDataFile("Загрузка данных для расчета Т.К.З.", false);
  if (file.empty()) return;
  try {
    OpenData(WithoutExtension(file));
  } catch (const std::exception& e) {
    ShowMsgForm("Ошибка загрузки данных Т.К.З. \"" + file + "\" : " + e.what(), mkError, mbOk);
    ResetWindow();
  }
}

void TFormTKZ::SaveAsClick() {
  if (TkzFileName.empty() || !SaveChanges()) return;
  const std::string file = ChooseDataFile("Копирование данных по Т.К.З.", true, TkzFileName);
  if (file.empty()) return;
  try {
    // onto its own name nothing is copied: the data set opens again as it was saved
    const std::string stem = WithoutExtension(file);
    CopyTkzData(TkzFileName, stem);
    dataGrid_->CloseTable();
    radiusGrid_->CloseTable();
    OpenData(stem);
  } catch (const std::exception& e) {
    ShowMsgForm("Ошибка копирования данных Т.К.З. \"" + file + "\" : " + e.what(), mkError, mbOk);
    ResetWindow();
  }
}

// The two tables of the data set in one run, so that no end of the program and no refusal leaves one
// saved without the other; each grid's lock of an edit serves the run and goes once it is written.
void TFormTKZ::SaveClick() {
  if (TkzFileName.empty()) return;
  TDataGrid5* const grids[] = {dataGrid_, radiusGrid_};
  dataGrid_->Guarded([&] {
    for (TDataGrid5* grid : grids) {
      grid->TrimEmptyTailRows();
      grid->GetTable()->FileDate = grid->FileDate;
    }
    WriteTkzData(TkzFileName, *dataGrid_->GetTable(), *radiusGrid_->GetTable());
    for (TDataGrid5* grid : grids) {
      grid->FileDate = grid->table().FileDate;
      grid->LeaveEditMode();
      grid->SetModified(false);
      grid->ReleaseNoModify();
      grid->Refresh();
    }
  });
}

void TFormTKZ::PrintClick() {
  std::vector<std::string> document;
  const std::string name = FileNameOf(TkzFileName);
  if (dataGrid_->table().RowCount > 0) {
    document.push_back(name + " (Узлы к.з., Zсист, ЭДС)");
    dataGrid_->GetPrintLines(document);
  }
  if (radiusGrid_->table().RowCount > 0) {
    document.push_back(name + " (Расчетный радиус узлов к.з.)");
    radiusGrid_->GetPrintLines(document);
  }
  if (!document.empty()) PrintTextDocument({}, {}, document, this);
}

void TFormTKZ::PrintMessagesClick() {
  std::vector<std::string> document;
  for (const QString& line : info_->toPlainText().split('\n')) document.push_back(line.toStdString());
  PrintTextDocument({windowTitle().toStdString()}, {}, document, this);
}

void TFormTKZ::AddSchemeClick() {
  QFileDialog dialog(this, "Выбор схемы", Q(DataFolder()), LayoutFilter(LayoutNodes));
  dialog.setObjectName("SchemeFileDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) return;
  const std::string path = WithoutExtension(file);
  listSch_->addItem(Q(path));
  IniRec.RadiusTKZ.push_back(path);
}

void TFormTKZ::DeleteSchemeClick() {
  const int index = listSch_->currentIndex();
  if (listSch_->count() == 0 || index < 0) return;
  if (index < static_cast<int>(IniRec.RadiusTKZ.size())) IniRec.RadiusTKZ.erase(IniRec.RadiusTKZ.begin() + index);
  {
    const QSignalBlocker block(listSch_);
    listSch_->removeItem(index);
    listSch_->setCurrentIndex(-1);
    listSch_->setEditText(QString());
  }
  FillNodeList({});
}

void TFormTKZ::ListSchChange() {
  const int index = listSch_->currentIndex();
  FillNodeList(index >= 0 ? listSch_->itemText(index).toStdString() : std::string());
}

void TFormTKZ::FillNodeList(const std::string& schemePath) {
  TDataFile list;
  ReadMaket(kNodeListLayout, list);
  CreateColumns(list, 0);
  const std::string file = schemePath.empty() ? std::string() : FamilyFile(schemePath, GetMaketExtention(LayoutNodes));
  if (!file.empty() && fs::exists(file)) {
    try {
      const std::unique_ptr<TDynamicArray> names = ReadColumnFromFile(file, "Name");
      const auto* texts = dynamic_cast<const DAString*>(names.get());
      if (texts != nullptr) {
        CreateColumns(list, texts->Count);
        auto* column = GetColumnAs<DAString>("Name", list);
        for (int row = 1; row <= texts->Count; ++row) column->SetItem(row, texts->GetItem(row));
      }
    } catch (const std::exception&) {
      // A damaged node file shows no names; forming the radius reports it when the scheme is read.
    }
  }
  nodeGrid_->AssignTable(list, 1, 1, 1);
  FitNodeList();
}

void TFormTKZ::FitNodeList() {
  // The grid widens a column to its caption at the grid's own font; the panel keeps room for all of it.
  const std::vector<int>& widths = nodeGrid_->ColWidths();
  int width = 0;
  for (int g = 0; g < nodeGrid_->ColCount() && g < static_cast<int>(widths.size()); ++g)
    width += widths[static_cast<std::size_t>(g)] + 1;
  nodePanel_->setMinimumWidth(width);
}

}  // namespace ld::gui
