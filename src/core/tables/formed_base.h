#pragma once
// The record, beside a scheme formed from the district base of its stem, of the base it was formed from:
// the size and hash of each district table's bytes as the run that formed the scheme, or the last run that
// wrote the scheme with those tables, left them. Whether the scheme is still its base's is judged by these
// bytes, never by the order of file dates: a share that keeps whole seconds, or workstations whose clocks
// differ, date the files of one run in an order that is not the order they were written in.
#include <array>
#include <optional>
#include <string>

#include "core/base/dates.h"
#include "core/tables/file_stamp.h"
#include "core/tables/layout.h"
#include "core/tables/table_run.h"

namespace ld {

// The record's extension: a file of the scheme's family.
inline constexpr char FormedBaseExt[] = ".FRB";

// The district tables that a scheme is formed from and writes its switchings back to, in this order:
// lines, stations, 0.4 kV lines, substation inputs.
inline constexpr std::array<const char*, 4> DistrictTableLayouts = {LayoutLines10, LayoutTransTP, LayoutLines04,
                                                                    LayoutSubstInputs};
// A stamp of each of them; an unknown one for a table that is not there.
using TDistrictStamps = std::array<TFileStamp, 4>;

// The record beside the scheme at its stem, once a stopped run that holds it was ended; none where the
// scheme has none (one made before records were kept, or formed under another stem than its base's).
std::optional<std::string> ReadFormedBase(const std::string& schemeStem);

// The stamps of the district tables beside the stem among those of files (a run's, a read's), found by
// their names whatever their letter case; unknown for a table not among them.
TDistrictStamps DistrictStampsOf(const std::string& schemeStem, const TRunBytes::TWritten& files);

// The record of the base whose district tables stand as the stamps say.
std::string FormedBaseBytes(const TDistrictStamps& base);

// Whether a scheme was formed from the base whose district tables stand as `base` says: by its record
// where it has one (each table there or not as recorded, and of the recorded size and hash; a record that
// cannot be read stands for no base), else by the rule a scheme of an earlier version is held to: no
// district table dated after the scheme's branch table (branchDate).
bool FormedFromBase(const std::optional<std::string>& record, const TDistrictStamps& base, TDateTime branchDate);

// The record in the run that writes the scheme of the stem with its district tables: each table as this
// run writes it, one the run does not write as `unwritten` has it (the run's read of it, under locks that
// keep it so). made, where given, gets the bytes the run wrote.
TRunBytes FormedBaseRunBytes(const std::string& schemeStem, const TDistrictStamps& unwritten = {},
                             std::string* made = nullptr);

}  // namespace ld
