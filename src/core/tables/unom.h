#pragma once
// The nominal-voltage catalogue "sprav_UN.cat" of the catalogue folder, from which the settings
// record takes its list of nominal voltages, and the start of the settings as a whole.
#include <string>

namespace ld {

inline constexpr char LayoutNominalVoltages[] = "Номинальные напряжения";

// Fills IniRec.UnomList from column "Unom" of the catalogue, sorted ascending. A missing catalogue is
// created with the 15 standard voltages from 0.22 to 750 kV, which then make the list. A failure is
// shown as a settings read error; the list then keeps what it had.
void ReadNominalVoltageList();

// What the program does first: the program folder and INI file from the executable's path, the
// settings record from the INI file and the nominal voltages from their catalogue. WriteConfig
// (core/base/settings.h) is its counterpart at the end.
void ReadProgramSettings(const std::string& exePath);

}  // namespace ld
