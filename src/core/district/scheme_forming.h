#pragma once
// "Формирование схемы": a district base becomes a calculation scheme beside it. The converter builds
// the node, branch and line-flow tables in memory, the scheme is optionally cut down to the supply trees
// of chosen feeders, the window's engine checks its configuration (unsupplied nodes and closed loops are
// reported, not refused), and the tables are written under the base's stem, or its name followed by
// " СНР" for the normal-regime scheme.
#include <functional>
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/tables/formed_base.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

class TRegime;

// ---- feeders

// Feeder names are compared by FeederKey of the converter.
// The items of the feeder choice, "<substation bus> - <feeder>" per row of the base's feeder table,
// sorted; none when the base has no feeder table.
std::vector<std::string> FeederChoiceItems(const std::string& baseStem);
// The feeder of a chosen item (the text after its first " - ") as its key.
std::string FeederOfChoice(const std::string& item);

// ---- the command

// Builds the three tables of a scheme from a base in place (they arrive empty and titled), appending its
// messages; progress in percent. base gets the stamps of the district tables as it read or wrote them
// (TDistrictStamps): the base the scheme is formed from.
using TSchemeConverter =
    std::function<void(const std::string& baseStem, bool feederMode, const std::vector<std::string>& feeders,
                       TDataFile& nodes, TDataFile& branches, TDataFile& flows, const TProgressProc& progress,
                       std::vector<std::string>& messages, TDistrictStamps& base)>;

struct TSchemeFormingCallbacks {
  TProgressProc Progress;  // the converter's and the engine's progress
  TStageProc Stage;        // the stage caption
  // Asked, where given, once the scheme is built and before anything is written, when forming removes
  // files of the scheme it replaces (FormedSchemeKinds that it does not write): what it writes over and
  // what it removes. False: nothing is written.
  std::function<bool(const TCopyReplaced& replaced)> Replace;
};

struct TSchemeFormingResult {
  bool Written = false;     // the node and branch tables were written
  std::string SchemeStem;   // where; empty before the stem is known
};

// The base tables that forming holds locked: lines, stations, 0.4 kV lines, inputs and the journal.
std::string FormingBaseExtensions();
// The scheme's files that forming writes: nodes, branches, line flows and the record of the base it was
// formed from (FormedBaseExt), as the program's list of a stem's files gives them (FormedSchemeKinds).
std::string FormingSchemeExtensions();

// The whole command after the options were chosen (the forming options are read from the settings
// record). Messages receives the converter's lines, the feeder errors and the configuration report as
// they come, so that whoever catches an error still has what was collected. Every lock taken is released
// and the engine's model cleared however the run ends.
TSchemeFormingResult FormSchemeFromBase(const std::string& baseStem, bool feederMode,
                                        const std::vector<std::string>& feeders, TRegime& engine,
                                        const TSchemeConverter& converter, const TSchemeFormingCallbacks& callbacks,
                                        std::vector<std::string>& messages);

// The district converter of the program.
TSchemeConverter DefaultSchemeConverter();

// Every branch of the model under another branch that has district number 0 takes its parent's
// number, in tree order, so a head feeder's number spreads down the tree below it.
void SpreadDistrictNumbers(TRegime& engine, TDataFile& branches);

}  // namespace ld
