#pragma once
// The text table of the loss panel: each press sums the losses of a calculated scheme (or the energy
// losses of a period) under one set of criteria and gives one row, so that several selections can be
// read line by line. The head is written once, before the first row.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/electric_sums.h"
#include "core/tables/layout.h"

namespace ld {

// Items of the panel's equipment and ownership lists; item 0 ("Все") takes everything.
extern const std::array<std::string, 7> LossEquipItems;
extern const std::array<std::string, 5> LossOwnershipItems;

struct TLossCriteria {
  int District = 0;  // 0 all
  int Equipment = 0;  // EquipmentKinds position + 1, 0 all
  double Unom = 0;   // kV, 0 all
  int Ownership = 0;  // LossOwnershipItems position
};

struct TLossPanelFormat {
  bool Energy = false;     // energies in kWh instead of powers in MW
  bool Kilo = false;       // the settings' Dimension: kW (kWh) instead of MW (MWh)
  std::int32_t Hidden = 0;  // the settings' LossAttr: a set bit hides its column
};

// The total line, a dash line, the column head line and a dash line.
std::vector<std::string> LossPanelHead(const TLossSums& sums, const TLossPanelFormat& format);
// The row of one selection (with " Район:" and the district's name when one is chosen) and its dash line.
std::vector<std::string> LossPanelRow(const TLossSums& sums, const TLossCriteria& criteria,
                                      const TLossPanelFormat& format, const std::string& districtName);

// One press over the scheme's files (SchemePath + the layouts' extensions): the power tables, or the
// period's energy tables when format.Energy. A missing file counts as an empty table. The head comes
// first when withHead; the summing routine's messages follow the row.
std::vector<std::string> LossPanelPress(const std::string& schemePath, const TLossCriteria& criteria,
                                        const TLossPanelFormat& format, bool withHead);

// The name of district nr in the scheme's "Районы схемы"; empty when the file or the row is missing.
std::string SchemeDistrictName(const std::string& schemePath, int nr);

// The distinct non-zero nominal voltages (round(Ul·100), as texts of up to 7 digits) and districts of the
// scheme's branch table, ascending.
struct TLossChoices {
  std::vector<std::string> Voltages;
  std::vector<std::int32_t> Districts;
};
TLossChoices LossPanelChoices(const TDataFile& branches);
// The same of any rows, given each row's voltage in hundredths of a kilovolt and its district.
TLossChoices LossChoicesOfRows(int rowCount, const std::function<long long(int)>& hundredths,
                               const std::function<std::int32_t(int)>& district);

}  // namespace ld
