#pragma once
// The rows of a district table grouped by a key made once per row (the station part of a name, upper
// case): built once per run, asked by key. A station's rows are found whatever their full names and
// however those sort among names that begin alike: full names sort "ТП-5", "ТП-5 НН", "ТП-5-1",
// "ТП-5.1", so neither the rows of the station ТП-5 nor their station parts stand together in the
// table's order.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ld {

class TStationIndex {
public:
  TStationIndex() = default;
  // keys[r - 1] is the key of table row r.
  explicit TStationIndex(const std::vector<std::string>& keys);

  // The rows whose key is the one given, ascending; empty when no row has it.
  std::span<const int> Find(std::string_view key) const;

private:
  std::vector<std::string> keys_;  // distinct keys, ascending
  std::vector<int> starts_;        // rows of keys_[k]: rows_[starts_[k] .. starts_[k + 1])
  std::vector<int> rows_;
};

}  // namespace ld
