#pragma once
// Aligning this program's catalogue files with those of another folder (another workplace's copy):
// afterwards both sides hold the rows of both. Rows are never changed or deleted; a row that one side
// lacks is appended to it with the row mark 9.
#include <array>
#include <functional>
#include <string>

#include "core/tables/layout.h"

namespace ld {

// The aligned files, in the order they are aligned (names compare without regard to letter case).
inline const std::array<std::string, 7> kAlignedCatalogFiles = {
    "sprav_ka.cat", "sprav_ln.cat", "sprav_rt.cat", "sprav_t2.cat", "sprav_t3.cat", "sprav_tr.cat", "sthar_pq.cat"};

inline constexpr unsigned char kAlignedRowMark = 9;

// Aligns two tables of one layout; tells which of them changed.
void AlignCatalogTables(TDataFile& a, TDataFile& b, bool& changedA, bool& changedB);

// Aligns every file of the list that exists in both folders (each ending with the path separator);
// stepDone is called after each of the seven files. A missing other folder gives the error message
// "Путь не существует" and false. Every file is read and aligned before the first is written; the
// changed files of each folder are written in one run (WriteTableSet), this folder's first. Table file
// errors throw.
bool AlignCatalogFolders(const std::string& folder, const std::string& other,
                         const std::function<void(int done)>& stepDone = {});

}  // namespace ld
