#include "core/office/merged_ranges.h"

#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <tuple>
#include <utility>

#include "core/base/import_number.h"

namespace ld::office {

std::string TMergedRange::Name() const {
  return SheetCellName(firstRow, firstCol) + ":" + SheetCellName(lastRow, lastCol);
}

void TMergedRanges::Clear() {
  ranges_.clear();
  ranges_.shrink_to_fit();
  bounds_.clear();
  bounds_.shrink_to_fit();
  firsts_.clear();
  firsts_.shrink_to_fit();
  members_.clear();
  members_.shrink_to_fit();
  leaves_ = 0;
}

std::string TMergedRanges::Build() {
  const auto key = [](const TMergedRange& r) { return std::tie(r.firstRow, r.firstCol, r.lastRow, r.lastCol); };
  std::sort(ranges_.begin(), ranges_.end(), [&](const TMergedRange& a, const TMergedRange& b) { return key(a) < key(b); });
  ranges_.erase(std::unique(ranges_.begin(), ranges_.end(),
                            [&](const TMergedRange& a, const TMergedRange& b) { return key(a) == key(b); }),
                ranges_.end());
  // Rows from the top: the ranges still open at a range's first row cover other columns each, so its
  // neighbours by first column are the only ones it can meet.
  std::map<int, std::size_t> open;  // first column -> range
  std::priority_queue<std::pair<int, std::size_t>, std::vector<std::pair<int, std::size_t>>, std::greater<>> ends;
  for (std::size_t i = 0; i < ranges_.size(); ++i) {
    const TMergedRange& r = ranges_[i];
    while (!ends.empty() && ends.top().first < r.firstRow) {
      open.erase(ranges_[ends.top().second].firstCol);
      ends.pop();
    }
    auto next = open.lower_bound(r.firstCol);
    const TMergedRange* met = nullptr;
    if (next != open.end() && next->first <= r.lastCol) met = &ranges_[next->second];
    if (!met && next != open.begin() && ranges_[std::prev(next)->second].lastCol >= r.firstCol)
      met = &ranges_[std::prev(next)->second];
    if (met) return "объединенные ячейки " + met->Name() + " и " + r.Name() + " перекрываются";
    open.emplace(r.firstCol, i);
    ends.emplace(r.lastRow, i);
  }
  bounds_.clear();
  for (const TMergedRange& r : ranges_) {
    bounds_.push_back(r.firstCol);
    bounds_.push_back(r.lastCol + 1);
  }
  std::sort(bounds_.begin(), bounds_.end());
  bounds_.erase(std::unique(bounds_.begin(), bounds_.end()), bounds_.end());
  leaves_ = 1;
  while (leaves_ < bounds_.size()) leaves_ *= 2;
  const auto spanOf = [&](int col) {
    return static_cast<std::size_t>(std::lower_bound(bounds_.begin(), bounds_.end(), col) - bounds_.begin());
  };
  // The nodes that cover a range's columns, counted first and then filled; ranges_ is in first-row order,
  // so every node's list is too.
  const auto eachNode = [&](const TMergedRange& range, auto&& take) {
    std::size_t lo = spanOf(range.firstCol) + leaves_, hi = spanOf(range.lastCol + 1) + leaves_;
    for (; lo < hi; lo /= 2, hi /= 2) {
      if (lo & 1) take(lo++);
      if (hi & 1) take(--hi);
    }
  };
  firsts_.assign(2 * leaves_ + 1, 0);
  for (const TMergedRange& range : ranges_) eachNode(range, [&](std::size_t node) { ++firsts_[node + 1]; });
  for (std::size_t n = 1; n < firsts_.size(); ++n) firsts_[n] += firsts_[n - 1];
  members_.assign(firsts_.back(), 0);
  std::vector<std::uint32_t> filled(firsts_.begin(), firsts_.end() - 1);
  for (std::size_t i = 0; i < ranges_.size(); ++i)
    eachNode(ranges_[i], [&](std::size_t node) { members_[filled[node]++] = static_cast<std::uint32_t>(i); });
  return {};
}

const TMergedRange* TMergedRanges::Find(int row, int col) const {
  if (ranges_.empty() || bounds_.empty() || col < bounds_.front() || col >= bounds_.back()) return nullptr;
  const auto span = static_cast<std::size_t>(std::upper_bound(bounds_.begin(), bounds_.end(), col) - bounds_.begin() - 1);
  for (std::size_t node = span + leaves_; node >= 1; node /= 2) {
    const auto first = members_.begin() + firsts_[node], last = members_.begin() + firsts_[node + 1];
    // the last range of the node that begins at or above the row
    const auto it = std::upper_bound(first, last, row, [&](int r, std::uint32_t i) { return r < ranges_[i].firstRow; });
    if (it != first && ranges_[*std::prev(it)].lastRow >= row) return &ranges_[*std::prev(it)];
  }
  return nullptr;
}

}  // namespace ld::office
