#pragma once
// The short-circuit data set "<stem>": its sources table and its radius table, made, copied and saved
// together.
#include <string>
#include <vector>

#include "core/tables/table_file.h"

namespace ld {

// Makes the data set empty, both tables titled with the stem's file name, in one run: a program that
// ends halfway leaves the previous data set of that name whole or the new one. A scheme kept under the
// same stem stays.
void CreateTkzData(const std::string& stem);
// The kinds of the data set's two tables.
TFileKinds TkzFileKinds();
// What a copy of the data set onto newStem replaces there: its two tables, and any other file of the data
// set's kinds under newStem whatever its letter case, which the copy removes. A scheme kept under the
// same stem is no part of it, and onto the data set's own stem (SameStem) it is nothing.
TCopyReplaced TkzCopyReplaced(const std::string& stem, const std::string& newStem);
// What a new empty data set (CreateTkzData) replaces at the stem, for the question asked first.
TCopyReplaced TkzCreateReplaced(const std::string& stem);
// Copies the data set to another stem in one run, each table read (restructured to its current layout)
// and titled with its copy's path, the files TkzCopyReplaced names as removed removed in the same run;
// the source tables are locked meanwhile. A copy onto itself does nothing.
void CopyTkzData(const std::string& stem, const std::string& newStem);
// Saves the data set's two tables as its window holds them in one run: a program that ends halfway
// leaves the previous pair or the new one, and a table whose file was changed since it was read
// (FileDate) refuses the run, neither table written. Each table gets the date it was written with.
void WriteTkzData(const std::string& stem, TDataFile& sources, TDataFile& radius);

}  // namespace ld
