#pragma once
// The lock files that one run of a district command holds on the tables of a base or a scheme. Only
// what the run itself locked is ever released: a table that another user, or another window of this
// program, holds keeps its lock, however the run ends.
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/tables/layout.h"

namespace ld {

class TRunTableLocks {
public:
  TRunTableLocks() = default;
  // Locks stem + each extension of the comma-separated list at once; a refused one raises the table
  // store's error and nothing is held.
  TRunTableLocks(std::string stem, std::string extensions);
  ~TRunTableLocks();
  TRunTableLocks(const TRunTableLocks&) = delete;
  TRunTableLocks& operator=(const TRunTableLocks&) = delete;

  // Takes the locks of a stem when none are held yet.
  void Lock(std::string stem, std::string extensions);
  bool Held() const { return held_; }
  const std::string& Stem() const { return stem_; }

  // Writes a table of the run to stem + its extension: the lock is released for the write (writing
  // consumes it) and taken again after it.
  void Write(TDataFile& table);
  // Writes the tables of the run together (WriteTablesTogether); the locks stay held.
  void WriteTogether(const std::vector<TDataFile*>& tables);
  // Releases every lock of the run; idempotent.
  void Release();

private:
  std::string stem_, extensions_;
  bool held_ = false;
};

// The extensions of the layouts, joined by ",".
std::string LayoutExtensions(std::initializer_list<const char*> layouts);

}  // namespace ld
