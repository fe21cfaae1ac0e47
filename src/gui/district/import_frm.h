#pragma once
// "Импорт баз промышленных и бытовых абонентов": which dBase files of the billing department are read
// (industrial base, household base, contract list), whether the industrial rows are added to the base's
// own for one district, and the prefix given to household feeder names.
#include <QDialog>
#include <initializer_list>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ld::gui {

// The last prefix entered: offered again while the program runs, empty at its start, never saved.
extern std::string HouseholdFeederPrefix;

class TImportFrm : public QDialog {
  Q_OBJECT

public:
  explicit TImportFrm(QWidget* parent = nullptr);

  // A box enables or disables its own edit and browse button (and the prefix for the household base).
  void PromBoxClick(QCheckBox* box);
  // A browse button puts the chosen dBase file into its edit.
  void PromBtnClick(QPushButton* button);
  // A district number that is not an integer is cleared at once.
  void ResEditChange();
  void AddBoxClick();
  // "Применить": a base ticked without a file named is said so, its edit given the focus, and the dialog
  // stays open.
  void ApplyClick();

  QCheckBox *PromBox, *AddBox, *BytBox, *DogBox;
  QLineEdit *PromEdit, *ResEdit, *BytEdit, *Edit1, *DogEdit;
  QPushButton *PromBtn, *BytBtn, *DogBtn;
};

// True on "Применить": the three flags and paths go into the settings and the arguments take the
// dialog's choices; "Отменить" changes nothing.
bool ExecuteImportBasesDialog(bool& AddMode, int& DistrictNo, std::string& FeederPrefix);

// Whether every base ticked in a dialog has its file named; the first that has none is said so
// ("Не выбран файл ..."), its edit gets the focus, and false is returned, so that the dialog stays open.
// Each base: its box, its edit, and what it is in the genitive ("базы бытовых абонентов").
struct TChosenBase {
  QCheckBox* Box;
  QLineEdit* Edit;
  const char* What;
};
bool ChosenBasesNamed(std::initializer_list<TChosenBase> bases);

// The browse dialog of the base imports: an existing file chosen under the title, starting in the
// folder of current (the current folder when it is empty); empty when none was chosen.
std::string ChooseBaseFile(QWidget* parent, const char* title, const char* filter, const char* suffix,
                           const std::string& current);

}  // namespace ld::gui
