#pragma once
// What the regime window does to a scheme's files apart from showing them: the caption of an open
// scheme, the upgrade of a branch file of the old format, the copies of a scheme and of a district base
// and the rounding of a copied scheme.
#include <functional>
#include <string>
#include <vector>

#include "core/tables/file_import.h"
#include "core/tables/table_file.h"

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
// file of a scheme's kind there gone (whatever its letter case; a district base's stays), in one run, so
// that a program that ends halfway leaves the scheme that was there whole or the new one.
void CreateEmptyScheme(const std::string& schemePath, const std::string& title);
// What CreateEmptyScheme (or WriteNewScheme) replaces there, for the question asked first.
TCopyReplaced EmptySchemeReplaced(const std::string& schemePath);
// A new scheme's node and branch tables at its base path, in one run with the removal of every other file
// of a scheme's kind there (EmptySchemeReplaced), so that no end of the program leaves the new network
// beside the old scheme's journal, switching moment, flows or results; a base there stays. The scheme
// made empty, the fragment of a diagram and a node's equivalent are each written so.
void WriteNewScheme(const std::string& schemePath, TDataFile& nodes, TDataFile& branches);

// A new empty district base at its base path: its line table empty, titled with the base's file name, and
// every other file there of the base's kinds and of the scheme's (formed from the base it replaces) gone,
// whatever its letter case, in one run; the files of other families of the stem (the short-circuit data,
// the load variants) stay. EmptyBaseReplaced: what it replaces there, for the question asked first.
void CreateEmptyBase(const std::string& basePath);
TCopyReplaced EmptyBaseReplaced(const std::string& basePath);

// A district base and the scheme formed from it share a stem ("Образец.RSL", "Образец.UZL"). What each
// of them holds, every kind of file the program writes for it, with what the file is in words, in the
// order a copy writes them: the base's tables, its areas and load graphs; the scheme's nodes, branches and
// flows, its tap table and transformer lists, its switching journal and switching moment (".INI"), the
// results and protocols of its calculations and the tables of its optimisations.
TFileKinds BaseFileKinds();
TFileKinds SchemeFileKinds();

// The scheme saved under another name: every file of the scheme's stem copied to newPath in one run
// (CopyTableFiles), the base's tables first; the files of a scheme's kind there that the scheme lacks
// removed in the same run. A base there stays whole where the copy writes no table of a base; where it
// writes one, that base is replaced whole (its consumers and load graphs that the copy lacks go), so that
// no base of two districts is left. The node and branch tables are rounded on the way as RoundSchemeCopy
// rounds them. SchemeCopyReplaced: what it replaces there, for the question asked first.
TCopyReplaced SchemeCopyReplaced(const std::string& schemePath, const std::string& newPath);
void SaveSchemeAs(const std::string& schemePath, const std::string& newPath);

// The district base saved under another name: every file of the base's stem (its scheme among them)
// copied to newBase in one run, the base's tables first; the files of a base's or a scheme's kind there
// that the source lacks removed in the same run. A scheme under newBase was formed from the base that
// the copy replaces, so it goes with that base; the copy's own scheme, where it has one, takes its place.
// BaseCopyReplaced: what it replaces there, for the question asked first.
TCopyReplaced BaseCopyReplaced(const std::string& basePath, const std::string& newBase);
void SaveBaseAs(const std::string& basePath, const std::string& newBase);

// A scheme made from a file of another program beside it, under the file's name without its extension,
// along the one import path (RunFileImport): read fills the empty node and branch tables and says what
// it took; a scheme of that name is replaced whole, as a new empty scheme replaces it
// (EmptySchemeReplaced: its journal, switching moment, flows and results go, a base there stays), only
// after "Да" to the question that names each file; both tables and the removals go in one run, so that no
// end of the program leaves the nodes of one scheme beside the branches or journal of another; then
// written runs (the window opens the new scheme). Declined when the answer was not "Да".
using TSchemeFileRead = std::function<TImportTaken(const std::string& file, TDataFile& nodes, TDataFile& branches)>;
TImportEnd ImportSchemeFile(const std::string& file, const TSchemeFileRead& read,
                            const std::function<void()>& written = {});

}  // namespace ld
