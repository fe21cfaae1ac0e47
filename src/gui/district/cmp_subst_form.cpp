#include "gui/district/cmp_subst_form.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/district/subst_match.h"
#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/grid_exchange.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

// Only a file can be a node table: while a path is typed, the folders on its way pass by unread.
bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

TCmpSubstForm::TCmpSubstForm(const std::vector<std::string>& baseNames, const std::string& baseFolder,
                             QWidget* parent)
    : QDialog(parent), baseFolder_(baseFolder) {
  setObjectName("CmpSubstForm");
  setWindowTitle("Сравнение п/ст 10 <--> 110 кВ");
  Edit1 = Named<QLineEdit>("Edit1", this);
  Button1 = Named<QPushButton>("Button1", "...", this);
  List1 = Named<QListWidget>("List1", this);
  List2 = Named<QListWidget>("List2", this);
  SetBtn = Named<QPushButton>("SetBtn", "<< Установить соответствие", this);
  ClrBtn = Named<QPushButton>("ClrBtn", "Отменить соответствие", this);
  ApplyBtn = Named<QPushButton>("OKBtn", "Применить", this);
  ExitBtn = Named<QPushButton>("CancelBtn", "Выход", this);
  SetBtn->setEnabled(false);

  auto* file = new QHBoxLayout;
  file->addWidget(new QLabel("Файл схемы 110(150)/35 кВ: ", this));
  file->addWidget(Edit1, 1);
  file->addWidget(Button1);
  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel("Подстанции схемы 10(6) кВ:", this), 0, 0);
  lists->addWidget(new QLabel("Подстанции 110(150)/35 кВ:", this), 0, 1);
  lists->addWidget(List1, 1, 0);
  lists->addWidget(List2, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SetBtn);
  buttons->addWidget(ClrBtn);
  buttons->addStretch();
  buttons->addWidget(ApplyBtn);
  buttons->addWidget(ExitBtn);
  auto* root = new QVBoxLayout(this);
  root->addLayout(file);
  root->addLayout(lists, 1);
  root->addLayout(buttons);
  resize(640, 480);

  SetItems(baseNames);
  if (List1->count() > 0) List1->setCurrentRow(0);

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(SetBtn, &QPushButton::clicked, this, [this] { SetBtnClick(); });
  connect(ClrBtn, &QPushButton::clicked, this, [this] { ClrBtnClick(); });
  // a click, and a move by the keyboard, as the list box of the system reports both as a click
  connect(List1, &QListWidget::itemClicked, this, [this] { List1Click(); });
  connect(List1, &QListWidget::currentRowChanged, this, [this] {
    List1Click();
  });
  connect(ApplyBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(ExitBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::vector<std::string> TCmpSubstForm::Items() const {
  std::vector<std::string> items;
  for (int i = 0; i < List1->count(); ++i) items.push_back(List1->item(i)->text().toStdString());
  return items;
}

void TCmpSubstForm::SetItems(const std::vector<std::string>& items) {
  const QSignalBlocker quiet(List1);  // refilling the list is no choice of the person's
  const int current = List1->currentRow();
  List1->clear();
  for (const std::string& item : items) List1->addItem(Q(item));
  if (current >= 0 && current < List1->count()) List1->setCurrentRow(current);
}

void TCmpSubstForm::Edit1Change() {
  const std::string file = Edit1->text().toStdString();
  if (file.empty() || !IsRegularFile(file)) return;
  TDataFile nodes;
  try {
    ReadTableFile(file, nodes);
    schemeNames_ = SchemeSubstationNames(nodes);
  } catch (const std::exception& e) {
    // a file that is no node table leaves both lists as they are
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  List2->clear();
  for (const std::string& name : schemeNames_) List2->addItem(Q(name));
  SetItems(PairEqualNames(Items(), schemeNames_));
  if (List2->count() > 0) {
    List2->setCurrentRow(0);
    SetBtn->setEnabled(true);
  }
}

void TCmpSubstForm::Button1Click() {
  const std::string current = Edit1->text().toStdString();
  const std::string folder = current.empty() ? baseFolder_ : FolderOf(current);
  QFileDialog dialog(this, "Выбор файла схемы 110(150)/35 кВ", Q(folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter("Узлы схемы (*.uzl)");
  const std::string chosen = ExecFileDialog(dialog);
  if (!chosen.empty()) Edit1->setText(Q(chosen));
}

void TCmpSubstForm::SetBtnClick() {
  QListWidgetItem* base = List1->currentItem();
  const QListWidgetItem* scheme = List2->currentItem();
  if (base == nullptr || scheme == nullptr) return;
  base->setText(Q(UnpairedItem(base->text().toStdString()) + kRenamePair + scheme->text().toStdString()));
}

void TCmpSubstForm::ClrBtnClick() {
  QListWidgetItem* base = List1->currentItem();
  if (base != nullptr) base->setText(Q(UnpairedItem(base->text().toStdString())));
}

void TCmpSubstForm::List1Click() {
  const QListWidgetItem* base = List1->currentItem();
  if (base == nullptr) return;
  const int match = LongestPrefixMatch(schemeNames_, base->text().toStdString());
  if (match >= 0) List2->setCurrentRow(match);
}

bool MatchSubstationNames(const std::string& baseStem, std::string& schemeFile, QWidget* parent) {
  TSubstMatchRun run(baseStem);
  TCmpSubstForm form(run.BaseNames(), FolderOf(baseStem), parent);
  form.Edit1->setText(Q(schemeFile));
  const bool apply = ExecModal(form) == QDialog::Accepted;
  schemeFile = form.Edit1->text().toStdString();
  if (!apply) return false;
  run.Apply(form.Items());
  return true;
}

}  // namespace ld::gui
