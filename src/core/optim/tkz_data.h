#pragma once
// The short-circuit data set "<stem>": its sources table and its radius table, made, copied and saved
// together.
#include <string>

namespace ld {

class TDataFile;

// Makes the data set empty, both tables titled with the stem's file name, in one run: a program that
// ends halfway leaves the previous data set of that name whole or the new one. A scheme kept under the
// same stem stays.
void CreateTkzData(const std::string& stem);
// Copies the data set to another stem in one run, each table read (restructured to its current layout)
// and titled with its copy's path; the source tables are locked meanwhile. A copy onto itself does
// nothing.
void CopyTkzData(const std::string& stem, const std::string& newStem);
// Saves the data set's two tables as its window holds them in one run: a program that ends halfway
// leaves the previous pair or the new one, and a table whose file was changed since it was read
// (FileDate) refuses the run, neither table written. Each table gets the date it was written with.
void WriteTkzData(const std::string& stem, TDataFile& sources, TDataFile& radius);

}  // namespace ld
