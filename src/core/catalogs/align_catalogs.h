#pragma once
// Aligning this program's catalogue files with those of another folder (another workplace's copy):
// afterwards both sides hold the rows of both. Rows are never changed or deleted; a row that one side
// lacks is appended to it with the row mark 9.
#include <array>
#include <functional>
#include <string>

namespace ld {

// The aligned files, in the order they are aligned (names compare without regard to letter case).
inline const std::array<std::string, 7> kAlignedCatalogFiles = {
    "sprav_ka.cat", "sprav_ln.cat", "sprav_rt.cat", "sprav_t2.cat", "sprav_t3.cat", "sprav_tr.cat", "sthar_pq.cat"};

inline constexpr unsigned char kAlignedRowMark = 9;

// Aligns two table files of one layout; tells which of them was rewritten. Table file errors throw.
void AlignCatalogFiles(const std::string& fileA, const std::string& fileB, bool& changedA, bool& changedB);

// Aligns every file of the list that exists in both folders (each ending with the path separator);
// stepDone is called after each of the seven files. A missing other folder gives the error message
// "Путь не существует" and false; files written before a table file error stay written.
bool AlignCatalogFolders(const std::string& folder, const std::string& other,
                         const std::function<void(int done)>& stepDone = {});

}  // namespace ld
