#pragma once
// The one write of a scheme together with the district base it was formed from: the diagram's save with
// the base, a switching saved with the base, the scheme moved along its journal. The base is brought to
// the scheme, never to the scheme's last save, and the record that the scheme is its base's is written
// only with a base that agrees with the scheme.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/tables/formed_base.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_run.h"

namespace ld {

class TDataFile;

struct TSchemeWithBase {
  std::string SchemeStem;
  TDataFile* Branches = nullptr;  // the scheme's branch table, written among Tables
  // The scheme's tables (Branches among them) and the tables that belong with them (its journal), each
  // with its file, and the files of bytes of the same run (its switching date).
  std::vector<std::pair<std::string, TDataFile*>> Tables;
  std::vector<TRunBytes> Files;
  // The scheme's record of its base as the scheme's read found it (ReadFormedBase).
  std::optional<std::string> Record;
  // The tap a station without one of its own is formed at (NeutralTapOf): that stays unwritten.
  TNeutralTap NeutralTap;
};

// What the run wrote: the district tables' stamps (unknown for a table that is not there), and the
// record, where it wrote one.
struct TSchemeWithBaseWritten {
  TDistrictStamps Base;
  std::optional<std::string> Record;
};

// Writes the scheme's tables in one run with the district tables beside the stem, found whatever the
// letter case of their names, brought to the scheme's branches (PrepareElementTables): every state and
// every parameter the diagram edits in which the base differs from the scheme. The district tables go
// before the branches, so that a scheme without a record, which is judged by the dates of the files, stays
// its base's. The record goes with them only where the base then agrees with the scheme: for a scheme whose
// record names the base as this run read it (FormedFromBase), and for one without a record (formed by an
// earlier version) that the dates take for the base's and whose every branch formed from an element found
// that element's row. Any other scheme gets no record. False, with nothing written, where a branch does not
// match its element (told in the message box); a stem without district tables writes the scheme alone.
// Table-store errors pass to the caller.
bool WriteSchemeWithBase(TSchemeWithBase run, TSchemeWithBaseWritten& written);

}  // namespace ld
