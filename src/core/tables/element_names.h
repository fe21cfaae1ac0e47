#pragma once
// The node names that a calculation scheme formed from a district base gives the ends of the branches
// of each district element: 6–10 kV lines (".RSL"), transformers of stations (".RTP", the transformer
// and the link to the station's third point), 0.4 kV lines (".R04") and substation feeds (".RSV").
// Scheme forming names its nodes here, and saving a scheme checks its branches against the same names,
// so a formed scheme always fits the tables it came from.
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/colmaps_district.h"
#include "core/tables/layout.h"

namespace ld {

// A name of a district table as the imports took it in (ImportName): whatever blanks, no-break spaces or
// line breaks an older table or a typed cell holds at its ends do not part it from the same name elsewhere.
std::string TrimName(std::string_view name);

// The part of a node name before its first "." (the whole name without one), in upper case: the station
// or substation that names are compared by.
std::string SubstationOf(std::string_view name);

// The letter of a one-character district cell (a Windows-1251 byte) upper-cased, a Latin look-alike
// read as its Cyrillic twin; 0 for an empty or blank cell.
char32_t DistrictLetter(char cell);
// A commutation letter of the station table as the scheme reads it: "Р" (switched off by load forming)
// reads as "О".
char32_t StationLetter(char cell);

// ---- 6–10 kV lines

struct TLine10Ends {
  std::string Name1, Name2;  // the node names of the branch
  bool NoBegin = false;      // Name1 was empty and is named by one blank
  bool NoEnd = false;        // the same for Name2
  bool Same = false;         // both ends name one node: the row forms no branch
};
// Every row of the line table at once, since a point inside a tap-off group takes the group's number:
// the rows of a group are the rows marked "+" with the row before the first of them, and each name of
// a group row that begins with a digit becomes "отп<group>_<name>". Element 0 is unused.
std::vector<TLine10Ends> ComposeLine10Ends(const TLine10Cols& lines);

// Whether a line row forms a transformer or reactor branch (sign "Т" or "Р", or an equipment type
// beginning with "T" or "R"), which carries no circuit number.
bool IsEquipmentLineRow(const TLine10Cols& lines, int row);

// ---- transformers of stations

struct TStationNames {
  std::string Station;  // Name1: the 6–10 kV node
  std::string Prefix;   // the station before the first "." of Station
  std::string Low;      // the 0.4 kV node; empty when neither Name2 nor Ntr names one
  std::string Third;    // the third point; empty without NameC
};
// Whether the layout of the station table shows its Name2 column: only then does Name2 name the
// 0.4 kV node.
bool StationName2Shown(const TDataFile& stations);
// The 0.4 kV node is the shown, non-empty Name2, else the station and Ntr: the part before the station's
// "." when that point ends the name or a digit follows it (a section of the station's bus), the whole
// station otherwise. The third point is the prefix and the part of NameC between its first and second
// "." (all of NameC without a ".").
TStationNames ComposeStationNames(const TTransTPCols& stations, int row, bool name2Shown);

// ---- 0.4 kV lines

struct TLine04Ends {
  std::string Station;  // NameTP without a bus section suffix
  std::string Name1;    // the transformer's 0.4 kV node
  std::string Name2;    // the end point
};
// A "." of NameTP that ends it or is followed by a digit starts a section suffix that the station's node
// names do not carry. A feeder beginning with "СР", "ЛР", "Р-" or "РК" is a link point shared by the
// stations, named by itself; any other feeder is a point of its station.
TLine04Ends ComposeLine04Ends(const TLine04Cols& lines, int row);

// ---- substation feeds

struct TFeedEnds {
  std::string Subst;  // the substation node behind the bus
  std::string Bus;    // NamePS
  std::string Link;   // LinkPS: a bus joined to this one
};
TFeedEnds ComposeFeedEnds(const TSubstInputCols& feeds, int row);

}  // namespace ld
