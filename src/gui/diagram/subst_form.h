#pragma once
// The substation dialog "Подстанция": the name, district, ownership, owner and colour shared by the
// nodes of one substation. It works on the values handed to it; the caller applies them to the nodes.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace ld::gui {

class TSubstForm : public QDialog {
  Q_OBJECT

public:
  TSubstForm(const std::string& name, const std::vector<std::string>& existingNames,
             const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames,
             QWidget* parent = nullptr);

  std::uint32_t Color = 0;

private:
  void OkBtnClick();
  void ComboBox2Change();
  void ComboBox3Change();

  std::string oldName_;
  const std::vector<std::string>& existing_;
  bool updating_ = false;
};

// True when confirmed; only then are the references changed. Ownership is the letter of the rows (a
// Windows-1251 byte, 0 for the main networks); NameChanged whether the name text changed at all.
bool EditSubstation(std::string& Name, std::string& OwnerName, const std::vector<std::string>& ExistingNames,
                    const std::vector<std::string>& DistrictNumbers, const std::vector<std::string>& DistrictNames,
                    bool Editable, bool& NameChanged, char& Ownership, std::int32_t& District, std::uint32_t& Color);

}  // namespace ld::gui
