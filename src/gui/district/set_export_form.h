#pragma once
// "Формирование расчетной схемы": the options of scheme forming, kept in the settings record, and the
// choice of the substation feeders to which the scheme is cut.
#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ld::gui {

class TSetExportFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetExportFrm(const std::string& baseStem, QWidget* parent = nullptr);

  QLineEdit *SchEdit, *KoefEdit, *TgEdit, *PrefTPEdit;
  QCheckBox *TrBox, *LnBox, *ChkTrBox, *EERMBox, *SNRBox, *NrBox, *FiderBox;
  QListWidget* FiderList;
  QPushButton* KweightBtn;

  // The settings from the controls; the checked feeders (as their keys) when the feeder choice is on.
  void Store(bool& feederMode, std::vector<std::string>& feeders) const;

private:
  void LoadSettings();
  void EnableLines();
  // A number edit keeps only texts that read as numbers; a typing error is reported at once.
  void WatchNumber(QLineEdit* edit, QString& lastGood);

  QString koefText_, tgText_;
};

// True when "Сформировать схему" was pressed: the settings are written and, in feeder mode, feeders holds
// the checked feeders. "Отменить" changes nothing.
bool ExecuteSchemeFormingDialog(const std::string& baseStem, bool& feederMode, std::vector<std::string>& feeders,
                                QWidget* parent = nullptr);

}  // namespace ld::gui
