#pragma once
// The stations that feed each contract of a district: the district subscriber table "Формат РЭС
// (абоненты)" gets, in NameTP of each contract, the stations of the metering points that the industrial
// base "База промышленных абонентов" holds for the same contract number.
//
// A list is the station names joined by "," without spaces, a station being a point's NameTP up to its
// first "." (the numbered sections of one station count once). The stations come in the reverse of the
// base's order (sorted by contract, then station), a station repeated on consecutive rows once. A list
// longer than the NameTP column holds (its most characters in the layout) goes on in continuation rows
// after the contract's row: copies of it whose NameTP begins with "+". A new run removes those rows
// first, so repeated runs give the same table.
#include <string>

#include "core/base/callbacks.h"
#include "core/district/base_import.h"
#include "core/tables/layout.h"

namespace ld {

// Sorts the industrial base by Ndog, NameTP and rebuilds the station lists of the subscriber table.
void LinkConsumersToStations(TDataFile& meterPoints, TDataFile& consumers, const TImportProgress& progress = {});

// The command over the base's files: both tables read (a missing one empty), linked, and the subscriber
// table written back. Takes no locks: a subscriber table that another user edits refuses the write with
// the table store's error and nothing is written.
void LinkConsumersOfBase(const std::string& baseStem, const TImportProgress& progress = {},
                         const TStageProc& stage = {});

}  // namespace ld
