#pragma once
// A node's load and generation from what was measured: powers, currents at a voltage, apparent powers
// or energies, each with its power factor given as cos or tg.
#include <string>
#include <string_view>

namespace ld {

// "Тип замера": the list index is the mode.
enum TLoadInputMode : int {
  lmPQ, lmPCos, lmPTg, lmIUCos, lmIUTg, lmSCos, lmSTg, lmWPWQ, lmWPCos, lmWPTg, kLoadModeCount
};
inline constexpr const char* kLoadModeNames[kLoadModeCount] = {"P,Q",   "P,cos", "P,tg",  "I,U,cos", "I,U,tg",
                                                               "S,cos", "S,tg",  "WP,WQ", "WP,cos",  "WP,tg"};
// The captions of the four value fields in each mode.
extern const char* const kLoadModeFields[kLoadModeCount][4];

bool LoadModeWithCos(int mode);     // the second value of each side is a cos
bool LoadModeWithTg(int mode);      // ... a tg
bool LoadModeOfEnergy(int mode);    // the values are energies and go to WPn .. WQg
// Whether the unit change (МВт <-> кВт) rescales field 1..4 of the mode: the powers do, currents and
// energies do not.
bool LoadFieldInPowerUnit(int mode, int field);

// What the dialog reads on confirmation. Texts that are no numbers are the caller's to refuse first.
struct TLoadEntry {
  int Mode = lmPQ;
  double X[4] = {0, 0, 0, 0};  // fields 1..4
  double Unom = 0;             // kV; the current modes calculate at 1.05 of it
  double DefaultCos = 0.8;     // used for a cos of 0
  double DefaultTg = 0.5;      // used for a tg of 0
  bool KiloWatt = false;       // powers entered in кВт
  int Divisor = 1;             // below 1 counts as 1
};

// The values of one node row that the entry sets.
struct TNodeLoadValues {
  double Pn = 0, Qn = 0, Pg = 0, Qg = 0;
  double WPn = 0, WQn = 0, WPg = 0, WQg = 0;
};

// "Неверно задан COS" when a mode with cos would use a cos outside [0, 1] as entered, or a default cos
// outside (0, 1] in place of an entered 0 (it would write an infinite or undefined reactive value);
// empty when the entry may be converted.
std::string CheckLoadEntry(const TLoadEntry& entry);

// Sets Pn, Qn, Pg, Qg (power, current and apparent-power modes) or WPn, WQn, WPg, WQg (energy modes)
// and leaves the others.
void ApplyLoadEntry(const TLoadEntry& entry, TNodeLoadValues& values);

// The note with the addition appended, unless the addition is empty, already in the note, or would make
// the note longer than 255 characters.
std::string AppendNoteAddition(std::string_view note, std::string_view addition);

}  // namespace ld
