#include "gui/grid/compare_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>

#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/compare_tables.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/grid_dialogs.h"
#include "gui/grid/grid_exchange.h"

namespace ld::gui {

namespace {

struct Remembered {
  bool difference = false;
  bool percent = false;
  std::string lastFile;
};

Remembered& Memory() {
  static Remembered memory;
  return memory;
}

std::vector<int> CheckedColumns(const QListWidget* list) {
  std::vector<int> columns;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() == Qt::Checked) columns.push_back(i + 1);
  return columns;
}

}  // namespace

TCompareForm::TCompareForm(TDataGrid5& grid, QWidget* parent) : QDialog(parent), grid_(grid) {
  setWindowTitle("Сравнение по колонкам");
  setObjectName("CompareForm");
  auto* layout = new QGridLayout(this);
  auto* source = new QLabel(QString::fromStdString("Исходный файл : " + grid.FileName()), this);
  source->setObjectName("SourceLabel");
  layout->addWidget(source, 0, 0, 1, 2);
  fileEdit_ = new QLineEdit(this);
  fileEdit_->setObjectName("FileEdit");
  fileEdit_->setReadOnly(true);
  browse_ = new QPushButton("...", this);
  browse_->setObjectName("BrowseBtn");
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileEdit_);
  fileRow->addWidget(browse_);
  layout->addLayout(fileRow, 1, 0, 1, 2);
  layout->addWidget(new QLabel("Сравнивать колонки :", this), 2, 0);
  layout->addWidget(new QLabel("Поиск по колонкам :", this), 2, 1);
  compareList_ = Named<QListWidget>("CompareList", this);
  keyList_ = Named<QListWidget>("KeyList", this);
  layout->addWidget(compareList_, 3, 0);
  layout->addWidget(keyList_, 3, 1);
  differenceBox_ = new QCheckBox("Добавить колонку вычитания = N - N*", this);
  differenceBox_->setObjectName("DifferenceBox");
  differenceBox_->setChecked(Memory().difference);
  percentBox_ = new QCheckBox("Добавить колонку вычитания в % = (N - N*)/N", this);
  percentBox_->setObjectName("PercentBox");
  percentBox_->setChecked(Memory().percent);
  layout->addWidget(differenceBox_, 4, 0, 1, 2);
  layout->addWidget(percentBox_, 5, 0, 1, 2);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  layout->addWidget(progress_, 6, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  apply_ = new QPushButton("Применить", this);
  apply_->setObjectName("ApplyBtn");
  exit_ = new QPushButton("Выход", this);
  exit_->setObjectName("ExitBtn");
  buttons->addWidget(apply_);
  buttons->addWidget(exit_);
  layout->addLayout(buttons, 7, 0, 1, 2);
  connect(browse_, &QPushButton::clicked, this, &TCompareForm::BrowseClick);
  connect(apply_, &QPushButton::clicked, this, &TCompareForm::ApplyClick);
  connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
}

TCompareForm::~TCompareForm() {
  Memory().difference = differenceBox_->isChecked();
  Memory().percent = percentBox_->isChecked();
  FreeTable(other_);
}

void TCompareForm::BrowseClick() {
  namespace fs = std::filesystem;
  const std::string extension = grid_.table().Extention;
  std::string folder;
  if (!Memory().lastFile.empty())
    folder = fs::path(Memory().lastFile).parent_path().string();
  else if (!grid_.FileName().empty())
    folder = fs::path(grid_.FileName()).parent_path().string();
  else
    folder = fs::current_path().string();
  QFileDialog dialog(this, "Выбор файла для сравнения", QString::fromStdString(folder),
                     QString::fromStdString(grid_.table().Name + " (*" + extension + ")"));
  dialog.setObjectName("CompareFileDialog");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const std::string file = ExecFileDialog(dialog);
  if (!file.empty()) ChooseFile(file);
}

void TCompareForm::ChooseFile(const std::string& path) {
  grid_.Guarded([&] {
    FreeTable(other_);
    other_ = TDataFile{};
    compareList_->clear();
    keyList_->clear();
    ReadTableFile(path, other_);
    Memory().lastFile = path;
    fileEdit_->setText(QString::fromStdString(path));
    for (int c = 1; c <= other_.NCols; ++c) {
      for (QListWidget* list : {compareList_, keyList_}) {
        auto* item = new QListWidgetItem(QString::fromStdString(other_.ColTitle[static_cast<std::size_t>(c)]), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
      }
    }
  });
}

void TCompareForm::EnableControls(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{browse_, compareList_, keyList_, differenceBox_, percentBox_,
                                                     apply_, exit_})
    w->setEnabled(on);
}

void TCompareForm::ApplyClick() {
  TCompareRequest request;
  request.compared = CheckedColumns(compareList_);
  request.keys = CheckedColumns(keyList_);
  request.difference = differenceBox_->isChecked();
  request.percent = percentBox_->isChecked();
  if (request.compared.empty() || request.keys.empty()) {
    accept();
    return;
  }
  EnableControls(false);
  bool done = false;
  grid_.Guarded([&] {
    done = CompareTables(*grid_.GetTable(), other_, request, [this](int percent) {
      progress_->setValue(percent);
      QApplication::processEvents();
    });
  });
  EnableControls(true);
  if (!done) return;
  grid_.Refresh();
  accept();
}

void ExecuteCompareDialog(TDataGrid5& grid) {
  TCompareForm form(grid, &grid);
  ExecModal(form);
}

}  // namespace ld::gui
