#pragma once
// The merged ranges of a sheet, found by the cell they cover. A sheet may hold as many ranges as its file
// has room for, a range as wide or tall as the sheet: a cell is found in a few steps whatever their sizes,
// without a table of the cells the ranges cover.
#include <cstdint>
#include <string>
#include <vector>

namespace ld::office {

struct TMergedRange {
  int firstRow = 0, firstCol = 0, lastRow = 0, lastCol = 0;
  // "A2:B3"
  std::string Name() const;
};

class TMergedRanges {
public:
  // A range of more than one cell, its corners in order; the same range given twice is one.
  void Add(const TMergedRange& range) { ranges_.push_back(range); }
  std::size_t Size() const { return ranges_.size(); }

  // Indexes the ranges; returns why the sheet's ranges cannot be taken (two that overlap, which no
  // spreadsheet program shows as one value: which would the shared cells show?), empty when they can.
  std::string Build();
  // The range that covers cell (row, col), nullptr for none; after Build.
  const TMergedRange* Find(int row, int col) const;
  void Clear();

private:
  std::vector<TMergedRange> ranges_;
  // The columns where a range begins or ends after, in order: between two of them every column is covered
  // by the same ranges.
  std::vector<int> bounds_;
  // A tree over the spans between bounds: each node the ranges that cover all its columns, by first row
  // (node n's are members_[firsts_[n]] .. members_[firsts_[n + 1] - 1]). The ranges of one node share a
  // column, so their rows never overlap: a binary search finds the one.
  std::size_t leaves_ = 0;
  std::vector<std::uint32_t> firsts_;
  std::vector<std::uint32_t> members_;
};

}  // namespace ld::office
