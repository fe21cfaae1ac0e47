// Fixed-voltage nodes that break their reactive limits under algorithms 0 and 1: between calculation
// passes such a node becomes a load node whose generation is held at the limit it broke, and is
// released when its voltage shows that it no longer needs the limit.
//
// The limit reaches the model through the node table (model building reads Qg from it), so the pass
// writes it there; the user's own Qg is kept and written back when the node is released and when the
// calculation ends, so that a calculation never changes the data the user entered.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

bool HasLimits(const TRegimeElement& e) { return e.Qmin != 0 || e.Qmax != 0; }

double ReactivePower(const TRegimeElement& at, double qg) {
  return at.U.imag() * at.I.real() - at.U.real() * at.I.imag() + qg;
}

// Qg of a table against a limit of single precision: equal within what the limit can hold.
bool SameQ(double qg, float limit) { return std::abs(qg - limit) <= 1e-6 * std::max(1.0, std::abs(double(limit))); }

struct Violation {
  std::int32_t key;  // +row: below Qmin, -row: above Qmax
  double value;      // how far beyond the limit (negative)
};

}  // namespace

// The node table of the scheme with its columns of generation and limits.
struct TRegime::QgTable {
  TDataFile table;
  DALongint* NS = nullptr;
  DAdouble* Qg = nullptr;
  DAsingle* Qmin = nullptr;
  DAsingle* Qmax = nullptr;
};

std::unique_ptr<TRegime::QgTable> TRegime::ReadQgTable() const {
  auto t = std::make_unique<QgTable>();
  ReadTableFile(SchemePath + GetMaketExtention(LayoutNodes), t->table);
  t->NS = GetColumnAs<DALongint>("NS", t->table);
  t->Qg = GetColumnAs<DAdouble>("Qg", t->table);
  t->Qmin = GetColumnAs<DAsingle>("Qmin", t->table);
  t->Qmax = GetColumnAs<DAsingle>("Qmax", t->table);
  return t;
}

void TRegime::WriteQgTable(QgTable& t) const {
  const std::string extension = GetMaketExtention(LayoutNodes);
  if (LockFiles) UnlockTableFiles(SchemePath, extension);
  WriteTableFile(SchemePath + extension, t.table);
  if (LockFiles) LockTableFiles(SchemePath, extension);
}

bool TRegime::ReassignQLimitedPV() {
  if (ModelError || ZeroContours || !Converged) return false;

  std::vector<Violation> violations;
  auto check = [&](const TRegimeElement& node, double q) {
    if (!HasLimits(node)) return;
    if (q < node.Qmin) {
      violations.push_back({node.NodeIndex, q - node.Qmin});
    } else if (q > node.Qmax) {
      violations.push_back({-node.NodeIndex, node.Qmax - q});
    }
  };
  if (PVAlgorithm == 0) {
    for (int c = NetworkContourCount; c < TotalContourCount; ++c) {
      const TRegimeElement& branch = *ContourEntry1[c];
      const TRegimeElement& node = *ContourEntry2[c];
      check(node, ReactivePower(branch, node.Load2.imag()));
    }
  } else if (PVAlgorithm == 1) {
    for (const TRegimeElement* e : PVElements()) check(*e, ReactivePower(*e, e->Load2.imag()));
  }

  std::string* line = nullptr;
  auto token = [&](const std::string& text) {
    if (line == nullptr) {
      PVProtocol.emplace_back();
      line = &PVProtocol.back();
    }
    *line += text;
  };

  std::vector<std::int32_t> released;
  if (PVAlgorithm == 0 || PVAlgorithm == 1) {
    for (const TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
      if (e->NodeIndex <= 0 || (e->Flags & efLoopClosing) != 0 || !HasLimits(*e)) continue;
      const double qg = e->Load2.imag();
      const double u = std::abs(e->U);
      if (!((SameQ(qg, e->Qmax) && u > e->Unom) || (SameQ(qg, e->Qmin) && u < e->Unom))) continue;
      const auto it = std::find(ExcludedPV.begin(), ExcludedPV.end(), e->NodeIndex);
      if (it == ExcludedPV.end()) continue;
      ExcludedPV.erase(it);
      released.push_back(e->NodeIndex);
      token(std::to_string(e->Number) + "+ ");
    }
  }

  if (QLimitCount > 0) {
    std::stable_sort(violations.begin(), violations.end(),
                     [](const Violation& a, const Violation& b) { return a.value < b.value; });
    if (static_cast<int>(violations.size()) > QLimitCount) violations.resize(QLimitCount);
  }

  if (!violations.empty() || !released.empty()) {
    std::unique_ptr<QgTable> t = ReadQgTable();
    const int rows = t->table.RowCount;
    for (const std::int32_t row : released) {
      const auto saved = std::find_if(savedQg_.begin(), savedQg_.end(), [&](const auto& s) { return s.first == row; });
      if (saved == savedQg_.end() || row > rows) continue;
      (*t->Qg)[row] = saved->second;
      savedQg_.erase(saved);
    }
    for (const Violation& v : violations) {
      const std::int32_t row = std::abs(v.key);
      if (row > rows) continue;
      const auto saved = std::find_if(savedQg_.begin(), savedQg_.end(), [&](const auto& s) { return s.first == row; });
      if (saved == savedQg_.end()) savedQg_.push_back({row, (*t->Qg)[row]});
      (*t->Qg)[row] = SingleToDouble(v.key > 0 ? (*t->Qmin)[row] : (*t->Qmax)[row]);
      ExcludedPV.push_back(row);
      token(std::to_string((*t->NS)[row]) + "- ");
    }
    WriteQgTable(*t);
  }
  return !violations.empty() || !released.empty();
}

void TRegime::RestoreAllUserQg() {
  if (savedQg_.empty()) return;
  std::unique_ptr<QgTable> t = ReadQgTable();
  for (const auto& [row, qg] : savedQg_) {
    if (row <= t->table.RowCount) (*t->Qg)[row] = qg;
  }
  savedQg_.clear();
  WriteQgTable(*t);
}

}  // namespace ld
