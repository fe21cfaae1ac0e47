#include "gui/catalogs/cmp_cat_form.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/catalogs/align_catalogs.h"
#include "gui/common/modal.h"

namespace ld::gui {

TCmpCatFrm::TCmpCatFrm(std::string folder, QWidget* parent) : QDialog(parent), folder_(std::move(folder)) {
  setObjectName("CmpCatFrm");
  setWindowTitle("Выравнивание каталожных данных");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("Полный путь к другим каталожным данным (файлы SPRAV_**.CAT)", this);
  label->setObjectName("Label1");
  layout->addWidget(label);
  auto* path = new QHBoxLayout;
  PathEdit = new QLineEdit(this);
  PathEdit->setObjectName("PathEdit");
  Button1 = new QPushButton("...", this);
  Button1->setObjectName("Button1");
  path->addWidget(PathEdit, 1);
  path->addWidget(Button1);
  layout->addLayout(path);
  ProgBar = new QProgressBar(this);
  ProgBar->setObjectName("ProgBar");
  ProgBar->setRange(0, static_cast<int>(kAlignedCatalogFiles.size()));
  ProgBar->hide();
  layout->addWidget(ProgBar);
  auto* buttons = new QHBoxLayout;
  OKBtn = new QPushButton("Применить", this);
  OKBtn->setObjectName("OKBtn");
  CancelBtn = new QPushButton("Выход", this);
  CancelBtn->setObjectName("CancelBtn");
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);
  PathEdit->setText(QString::fromStdString(folder_));
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TCmpCatFrm::Button1Click() {
  QString start = PathEdit->text();
  if (start.isEmpty()) start = QString::fromStdString(std::filesystem::current_path().string());
  QFileDialog dialog(this, "Выбор пути на каталожные данные", start, "Каталоги (*.cat *.CAT)");
  dialog.setObjectName("OpenDlg");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("cat");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  std::string folder = std::filesystem::path(dialog.selectedFiles().front().toStdString()).parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  PathEdit->setText(QString::fromStdString(folder));
}

void TCmpCatFrm::OKBtnClick() {
  const std::string other = PathEdit->text().toStdString();
  std::error_code ec;
  if (other.empty() || !std::filesystem::is_directory(other, ec)) {
    ShowMsgForm("Путь не существует", mkError, mbOk);
    return;
  }
  for (QPushButton* b : {Button1, OKBtn, CancelBtn}) b->setEnabled(false);
  ProgBar->setValue(0);
  ProgBar->show();
  try {
    AlignCatalogFolders(folder_, other, [this](int done) {
      ProgBar->setValue(done);
      QApplication::processEvents();
    });
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  for (QPushButton* b : {Button1, OKBtn, CancelBtn}) b->setEnabled(true);
  ProgBar->hide();
}

void ShowCmpCatalogForm(const std::string& Folder) {
  TCmpCatFrm form(Folder);
  ExecModal(form);
}

}  // namespace ld::gui
