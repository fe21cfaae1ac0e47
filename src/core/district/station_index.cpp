#include "core/district/station_index.h"

#include <algorithm>
#include <numeric>


namespace ld {

TStationIndex::TStationIndex(const std::vector<std::string>& keys) {
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  // stable: the rows of one key stay ascending; keys of a table sorted by their names mostly come in
  // order already
  if (!std::is_sorted(keys.begin(), keys.end()))
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });
  rows_.reserve(order.size());
  for (const int at : order) {
    const std::string& key = keys[static_cast<std::size_t>(at)];
    if (keys_.empty() || keys_.back() != key) {
      keys_.push_back(key);
      starts_.push_back(static_cast<int>(rows_.size()));
    }
    rows_.push_back(at + 1);
  }
  starts_.push_back(static_cast<int>(rows_.size()));
}

std::span<const int> TStationIndex::Find(std::string_view key) const {
  const auto it = std::lower_bound(keys_.begin(), keys_.end(), key,
                                   [](const std::string& a, std::string_view b) { return a < b; });
  if (it == keys_.end() || *it != key) return {};
  const auto k = static_cast<std::size_t>(it - keys_.begin());
  return std::span<const int>(rows_).subspan(static_cast<std::size_t>(starts_[k]),
                                             static_cast<std::size_t>(starts_[k + 1] - starts_[k]));
}

}  // namespace ld
