#pragma once
// What the regime window does to a scheme's files apart from showing them: the caption of an open
// scheme, the upgrade of a branch file of the old format and the rounding of a copied scheme.
#include <functional>
#include <string>
#include <vector>

#include "core/tables/file_import.h"

namespace ld {

// "Z-режим - NAME (dd.mm.yyyy hh:nn)": the window caption of the scheme at its base path, with the
// scheme's current switching moment when one is stored.
std::string SchemeCaption(const std::string& schemePath);

// The branch file of the old format stores the commutation in the Latin letters of Com1 and Com2 and
// the equipment in Text ("type|type|markPos=n"). When the file has no column Commut but both old
// columns, it is read, converted (Commut, TypEqu, Notv, Mark) and written back; true when it was.
// A file that stores Commut is never touched.
bool UpgradeOldBranchFile(const std::string& branchFile);

// The value read back from its fixed-point text with `digits` decimals (15 significant at most).
double RoundToDigits(double value, int digits);

// A copy saved as "NAME<d>-" keeps its loads and branch parameters with d decimals: the node file
// (".UZL": Pn, Qn, Pg, Qg, Angle, Um, Gs, Bs, Qmin, Qmax) and the branch file (".VET": R, X, G, B, Kta,
// Ktr, Ktn) are rounded in place, together. Any other name is left alone. A table that lacks a column of
// those stays as it is; a failure is not reported: the copy itself is already complete.
void RoundSchemeCopy(const std::string& newPath);

// A new empty scheme at its base path: its node and branch tables empty, titled title, and every other
// file of that base path gone, in one run, so that a program that ends halfway leaves the scheme that
// was there whole or the new one.
void CreateEmptyScheme(const std::string& schemePath, const std::string& title);

// A district base and the scheme formed from it share a stem ("Образец.RSL", "Образец.UZL"); a copy
// onto a stem replaces the family it copies and never a file of the other one. The kinds of file
// (extensions with their point) of each: the base's tables, the scheme's tables, and for both the
// switching journal, the areas, the load graphs, the protocols of calculations and the INI file that
// holds the switching moment.
std::vector<std::string> BaseFileKinds();
std::vector<std::string> SchemeFileKinds();

// The scheme saved under another name: every file of the scheme copied to newPath in one run
// (CopyTableFiles), the files of the scheme family there that the scheme lacks removed in the same run,
// its node and branch tables rounded on the way as RoundSchemeCopy rounds them.
void SaveSchemeAs(const std::string& schemePath, const std::string& newPath);

// A scheme made from a file of another program beside it, under the file's name without its extension,
// along the one import path (RunFileImport): read fills the empty node and branch tables and says what
// it took; a scheme of that name is replaced only after "Да"; both tables go in one run, so that no end
// of the program leaves the nodes of one scheme beside the branches of another; then written runs (the
// window opens the new scheme). Declined when the answer was not "Да".
using TSchemeFileRead = std::function<TImportTaken(const std::string& file, TDataFile& nodes, TDataFile& branches)>;
TImportEnd ImportSchemeFile(const std::string& file, const TSchemeFileRead& read,
                            const std::function<void()>& written = {});

}  // namespace ld
