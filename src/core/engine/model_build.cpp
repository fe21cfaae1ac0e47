// The node and branch tables of a scheme turned into the element model: nodes ordered breadth-first from
// the balancing nodes, branches oriented from their parent side, unsupplied parts found and marked.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/engine/electric.h"
#include "core/engine/input_check.h"
#include "core/engine/model_tables.h"
#include "core/engine/number_map.h"
#include "core/engine/regime.h"

namespace ld {

namespace {

constexpr std::uint8_t kMarkBalancing = 16;
constexpr std::uint8_t kMarkFixed = 'P';
constexpr std::uint8_t kMarkUnsupplied = 'p';

// Commutation letters in Windows-1251.
constexpr unsigned char kCommutN = 205;  // "Н": open at the N1 end
constexpr unsigned char kCommutK = 202;  // "К": open at the N2 end
constexpr unsigned char kCommutO = 206;  // "О": switched off
constexpr unsigned char kCommutP = 207;  // "П": damaged, switched off
constexpr unsigned char kCommutF = 212;  // "Ф": fixed off at the N2 end

// Table values of single precision as the decimals they show. Most cells of a scheme are zero or whole
// numbers, which are that decimal already (SingleToDouble's own first case, here without the call).
double Widen(float f) { return f == std::trunc(f) && std::abs(f) < 1e7f ? f : SingleToDouble(f); }

Complex PolarDegrees(double magnitude, double degrees) {
  if (magnitude == 0) return Complex(0, 0);
  const double a = degrees * std::numbers::pi / 180.0;
  return Complex(magnitude * std::cos(a), magnitude * std::sin(a));
}

double TzFactor(int tz) {
  switch (tz) {
    case 1: return 1.0 / 3.0;
    case 2: return 0.2;
    case 3: return 8.0 / 15.0;
    default: return 1.0;
  }
}

// One branch during tree ordering.
struct BranchState {
  std::int32_t n1 = 0, n2 = 0;  // current ends; n2 the parent side once placed
  int row1 = 0, row2 = 0;       // their node rows, 0 for a number that is no node
  bool open1 = false, open2 = false;  // open ends as tree ordering sees them
  bool reversed = false;
  bool placed = false;
  bool loopClosing = false;
  bool unsuppliedPart = false;
};

}  // namespace

void TRegime::BuildModel(TDataFile& nodeTable, TDataFile& branchTable, bool& changed) {
  changed = false;
  ClearModel();
  TSchemeTables t(nodeTable, branchTable);
  SchemeName = t.Title();
  NodeCount = t.NodeCount();
  BranchCount = t.BranchCount();
  const int nodeCount = NodeCount;
  const int branchCount = BranchCount;
  if (const std::string fault = NonFiniteSchemeInput(nodeTable, branchTable); !fault.empty()) {
    ReportError(SchemeQuoted() + ". " + fault);
    return;
  }

  if (StaticChars) LoadStaticChars();
  Stage("Предварительные действия", 20);

  auto setNodeMark = [&](int row, std::uint8_t mark) {
    if (t.NodeMark(row) != mark) {
      t.SetNodeMark(row, mark);
      changed = true;
    }
  };
  auto setBranchMark = [&](int row, std::uint8_t mark) {
    if (t.BranchMark(row) != mark) {
      t.SetBranchMark(row, mark);
      changed = true;
    }
  };
  auto signOf = [&](int row) { return t.Sign(row); };

  // ---- Node order: balancing nodes first, then (algorithms 1-3) the fixed-voltage nodes.
  std::vector<int> order(nodeCount);
  for (int i = 0; i < nodeCount; ++i) order[i] = i + 1;
  int front = 0;
  for (int i = 0; i < nodeCount; ++i) {
    if (signOf(order[i]) != 'B') continue;
    std::swap(order[front], order[i]);
    setNodeMark(order[front], kMarkBalancing);
    ++front;
  }
  BalancingCount = front;
  if (front == 0) ReportError("В схеме " + std::string("\"") + SchemeName + "\" нет балансирующих пунктов");

  std::unordered_set<std::int32_t> excluded;
  for (const std::int32_t row : ExcludedPV) {
    if (row > 0) excluded.insert(row);
  }
  modelHoldsPV_ = !excluded.empty();
  const bool pvSources = FixModule && PVAlgorithm >= 1 && PVAlgorithm <= 3;
  const bool pvContours = FixModule && PVAlgorithm == 0;
  if (pvSources) {
    const int balancing = front;
    for (int i = balancing; i < nodeCount; ++i) {
      const int row = order[i];
      if (signOf(row) != 'U') continue;
      setNodeMark(row, kMarkFixed);
      if (excluded.count(row) != 0) continue;
      ++FixedCount;
      ++BalancingCount;
      std::swap(order[front], order[i]);
      ++front;
    }
  }

  // ---- Open ends from the commutation letters.
  // Node numbers are mostly close to 1..count: then a plain array finds a row, a quarter of the memory
  // of a hash map for the two look-ups of every branch. The first row of a number wins.
  std::int64_t lowest = 0, highest = -1;
  for (int row = 1; row <= nodeCount; ++row) {
    const std::int64_t ns = t.NS(row);
    lowest = row == 1 ? ns : std::min(lowest, ns);
    highest = row == 1 ? ns : std::max(highest, ns);
  }
  const bool dense = highest - lowest < 4 * static_cast<std::int64_t>(nodeCount) + 16;
  std::vector<int> rowByNumber(dense ? static_cast<std::size_t>(highest - lowest + 1) : 0, 0);
  TNumberMap<int> rowOfNode(dense ? 0 : nodeCount);
  for (int row = nodeCount; row >= 1; --row) {
    if (dense) {
      rowByNumber[static_cast<std::size_t>(t.NS(row) - lowest)] = row;
    } else {
      rowOfNode[t.NS(row)] = row;
    }
  }
  auto nodeRow = [&](std::int32_t number) {
    if (dense) {
      return number < lowest || number > highest ? 0 : rowByNumber[static_cast<std::size_t>(number - lowest)];
    }
    const int* row = rowOfNode.Find(number);
    return row == nullptr ? 0 : *row;
  };

  std::vector<BranchState> br(branchCount + 1);
  std::vector<int> adjacencyStart(nodeCount + 2, 0);
  for (int b = 1; b <= branchCount; ++b) {
    BranchState& s = br[b];
    s.n1 = t.N1(b);
    s.n2 = t.N2(b);
    switch (t.Commut(b)) {
      case kCommutN: case kCommutO: case kCommutP: s.open1 = true; break;
      case kCommutK: case kCommutF: s.open2 = true; break;
      default: break;
    }
    s.row1 = nodeRow(s.n1);
    s.row2 = nodeRow(s.n2);
    if (s.row1 != 0) ++adjacencyStart[s.row1 + 1];
    if (s.row2 != 0 && s.row2 != s.row1) ++adjacencyStart[s.row2 + 1];
  }
  for (int r = 1; r <= nodeCount + 1; ++r) adjacencyStart[r] += adjacencyStart[r - 1];
  std::vector<int> adjacency(adjacencyStart[nodeCount + 1]);
  {
    std::vector<int> fill(adjacencyStart.begin(), adjacencyStart.end() - 1);
    for (int b = 1; b <= branchCount; ++b) {
      const int r1 = br[b].row1, r2 = br[b].row2;
      if (r1 != 0) adjacency[fill[r1]++] = b;
      if (r2 != 0 && r2 != r1) adjacency[fill[r2]++] = b;
    }
  }

  Stage("Анализ конфигурации", 30);

  // ---- Breadth-first tree ordering from the front group.
  std::vector<char> nodePlaced(nodeCount + 1, 0);
  std::vector<int> queue;
  queue.reserve(nodeCount);
  for (int i = 0; i < front; ++i) {
    queue.push_back(order[i]);
    nodePlaced[order[i]] = 1;
  }
  std::vector<int> treeBranches;  // tree positions
  treeBranches.reserve(branchCount);
  std::vector<int> childRow(branchCount + 1, 0);
  auto examine = [&](int v, bool allPlaced, bool unsuppliedPart) {
    const std::int32_t number = t.NS(v);
    for (int a = adjacencyStart[v]; a < adjacencyStart[v + 1]; ++a) {
      const int b = adjacency[a];
      BranchState& s = br[b];
      if (s.placed) continue;
      if (s.n1 == number && !s.open1) {
        std::swap(s.n1, s.n2);
        std::swap(s.row1, s.row2);
        std::swap(s.open1, s.open2);
        s.reversed = !s.reversed;
      } else if (!(s.n2 == number && !s.open2)) {
        continue;
      }
      s.placed = true;
      s.unsuppliedPart = unsuppliedPart;
      treeBranches.push_back(b);
      const int far = s.row1;
      if (!allPlaced && !s.open1 && far != 0 && nodePlaced[far] == 0) {
        nodePlaced[far] = 1;
        queue.push_back(far);
        childRow[b] = far;
      } else {
        s.loopClosing = true;
      }
    }
  };
  // The queue reaches the rows at random: what a node's examination reads is fetched some nodes before.
  for (std::size_t q = 0; q < queue.size(); ++q) {
    if (q + 3 * kFetchAhead < queue.size()) {
      const int v = queue[q + 3 * kFetchAhead];
      FetchLine(&adjacencyStart[static_cast<std::size_t>(v)]);
      FetchLine(&nodePlaced[static_cast<std::size_t>(v)]);
      t.FetchNS(v);
    }
    if (q + 2 * kFetchAhead < queue.size()) {
      const auto v = static_cast<std::size_t>(queue[q + 2 * kFetchAhead]);
      const auto start = static_cast<std::size_t>(adjacencyStart[v]);
      if (start < adjacency.size()) FetchLine(&adjacency[start]);
    }
    if (q + kFetchAhead < queue.size()) {
      const auto v = static_cast<std::size_t>(queue[q + kFetchAhead]);
      const int from = adjacencyStart[v], to = std::min(adjacencyStart[v + 1], from + 4);
      for (int a = from; a < to; ++a) {
        FetchLine(&br[static_cast<std::size_t>(adjacency[static_cast<std::size_t>(a)])]);
      }
    }
    examine(queue[q], false, false);
  }

  // ---- Unsupplied nodes and row marks.
  std::vector<int> unsupplied;
  for (int i = 0; i < nodeCount; ++i) {
    if (nodePlaced[order[i]] == 0) unsupplied.push_back(order[i]);
  }
  UnsuppliedCount = static_cast<int>(unsupplied.size());
  if (Unsupplied != nullptr) {
    for (const int row : unsupplied) Unsupplied->push_back(RowCaption(t.NS(row), t.Name(row)));
  }
  if (NodeMarks != nullptr) NodeMarks->assign(nodeCount, 0);
  for (const int row : unsupplied) {
    setNodeMark(row, kMarkUnsupplied);
    if (NodeMarks != nullptr) (*NodeMarks)[row - 1] = 1;
  }
  for (int row = 1; row <= nodeCount; ++row) {
    if (nodePlaced[row] != 0 && t.NodeMark(row) == kMarkUnsupplied) {
      setNodeMark(row, signOf(row) == 'U' ? kMarkFixed : 0);
    }
  }
  if (BranchMarks != nullptr) BranchMarks->assign(branchCount, 0);
  for (int b = 1; b <= branchCount; ++b) {
    const unsigned char c = t.Commut(b);
    const bool off = c == kCommutO || c == kCommutP;
    if (br[b].placed && !off) {
      if (t.BranchMark(b) == kMarkUnsupplied) setBranchMark(b, 0);
    } else {
      setBranchMark(b, kMarkUnsupplied);
      if (BranchMarks != nullptr) (*BranchMarks)[b - 1] = 1;
    }
  }

  // ---- The branches of the unsupplied part go behind the others; what is left names no node.
  // Only a node with a branch still unplaced has anything to examine; placing never unplaces, so the
  // nodes passed over here would have found nothing either.
  {
    std::vector<char> pending(static_cast<std::size_t>(nodeCount) + 1, 0);
    for (int b = 1; b <= branchCount; ++b) {
      if (br[b].placed) continue;
      pending[br[b].row1] = 1;  // row 0 (a number that is no node) marks nothing that is examined
      pending[br[b].row2] = 1;
    }
    for (int i = 0; i < nodeCount; ++i) {
      if (pending[order[i]] != 0) examine(order[i], true, true);
    }
  }
  for (int b = 1; b <= branchCount; ++b) {
    if (br[b].placed) continue;
    if (br[b].row1 == 0) ReportError(SchemeQuoted() + ". Отсутствует узел : " + std::to_string(br[b].n1));
    if (br[b].row2 == 0) ReportError(SchemeQuoted() + ". Отсутствует узел : " + std::to_string(br[b].n2));
  }

  Stage("Формирование модели", 50);

  // ---- Elements in tree order.
  BranchKtn.assign(static_cast<std::size_t>(branchCount) + 1, 0.0f);
  if (StaticChars) {
    Nsh.assign(nodeCount + 1, 0);
    Ush.assign(nodeCount + 1, 0.0f);
  }
  auto savedNumber = [](const std::vector<std::int32_t>& saved, int row, std::int32_t value) {
    return row > 0 && static_cast<std::size_t>(row) < saved.size() && saved[row] != 0 ? saved[row] : value;
  };
  auto loadsAndGraphs = [&](TRegimeElement& e, int row) {
    e.NodeIndex = row;
    e.Name = t.NameView(row);
    if (LoadType == 0) {
      e.Load1 = Complex(t.Pn(row), -t.Qn(row));
      e.Load2 = Complex(-t.Pg(row), t.Qg(row));
    } else if (LoadType == 1) {
      // The table holds amperes, as the results write them back.
      const double unit = std::sqrt(PhaseCurrents ? 1.0 : 3.0) / 1000.0;
      e.Load1 = unit * Complex(Widen(t.Ina(row)), Widen(t.Inr(row)));
      e.Load2 = -unit * Complex(Widen(t.Iga(row)), Widen(t.Igr(row)));
    }
    e.Load = e.Load1 + e.Load2;
    if (LoadType == 0 && (t.WPn(row) != 0 || t.WQn(row) != 0 || t.WPg(row) != 0 || t.WQg(row) != 0)) {
      e.Flags |= efEnergyLoads;
      e.Load1 = Complex(t.WPn(row), -t.WQn(row));
      e.Load2 = Complex(-t.WPg(row), t.WQg(row));
    }
    e.Ng_n = savedNumber(SavedNg_n, row, t.Ng_n(row));
    e.Ng_g = savedNumber(SavedNg_g, row, t.Ng_g(row));
    e.Nq_n = savedNumber(SavedNq_n, row, t.Nq_n(row));
    e.Nq_g = savedNumber(SavedNq_g, row, t.Nq_g(row));
    e.Ng_u = savedNumber(SavedNg_u, row, t.Ng_u(row));
  };
  auto shuntsAndLimits = [&](TRegimeElement& e, int row) {
    e.Qmin = static_cast<float>(Widen(t.Qmin(row)));
    e.Qmax = static_cast<float>(Widen(t.Qmax(row)));
    e.Gs = Widen(t.Gs(row));
    e.Bs = Widen(t.Bs(row));
    e.Kvi = t.Kvi(row);
    e.Kvu = t.Kvu(row);
  };
  auto staticChar = [&](int row) {
    if (!StaticChars) return;
    Nsh[row] = t.Nsh(row);
    Ush[row] = t.Ush(row);
    if (Nsh[row] != 0 && Ush[row] == 0) {
      ReportError(SchemeQuoted() + ". В узле " + std::to_string(t.NS(row)) + " не задано напряжение (Uс.х.)");
    }
  };
  auto noVoltage = [&](int row) {
    ReportError(SchemeQuoted() + ". В узле " + std::to_string(t.NS(row)) + " не задано напряжение (Um)");
  };

  Root = NewElement();
  Root->Number = kRootNumber;
  Root->K = Complex(1.0, 0);
  Root->Flags = efSource;
  AppendToTree(Root);

  for (int i = 0; i < front; ++i) {
    const int row = order[i];
    TRegimeElement& e = *NewElement();
    e.Number = t.NS(row);
    e.Number2 = kRootNumber;
    e.Flags = efSource;
    loadsAndGraphs(e, row);
    shuntsAndLimits(e, row);
    const double um = Widen(t.Um(row));
    e.Unom = static_cast<float>(NearestNominalVoltage(um));
    e.UNode = PolarDegrees(um, t.Angle(row));
    if (signOf(row) == 'U') {
      e.Flags |= efFixedVoltage;
      e.Um = um;
      if (InitVoltageMode == 0 || InitVoltageMode == 2) e.UNode = Complex(um, 0);
    }
    e.K = e.UNode / 110.0;
    // A source without a voltage cannot feed anything, however its loads are given.
    if (um == 0) noVoltage(row);
    staticChar(row);
    AppendToTree(&e);
  }
  for (const int row : unsupplied) {
    TRegimeElement& e = *NewElement();
    e.Number = t.NS(row);
    e.Number2 = kRootNumber;
    e.Flags = efSource | efUnsupplied;
    loadsAndGraphs(e, row);
    e.Unom = static_cast<float>(NearestNominalVoltage(Widen(t.Um(row))));
    AppendToTree(&e);
  }
  // The elements of the branches in tree order; the columns of the branches and of their child nodes
  // are then read in row order, which walks the tables' memory in order instead of at random.
  std::vector<TRegimeElement*> branchElement(branchCount + 1, nullptr);
  std::vector<TRegimeElement*> childElement(nodeCount + 1, nullptr);
  for (std::size_t k = 0; k < treeBranches.size(); ++k) {
    // The branches come in tree order, their rows at random.
    if (k + 2 * kFetchAhead < treeBranches.size()) {
      const auto ahead = static_cast<std::size_t>(treeBranches[k + 2 * kFetchAhead]);
      FetchLine(&branchElement[ahead]);
      FetchLine(&childRow[ahead]);
    }
    if (k + kFetchAhead < treeBranches.size()) {
      const int child = childRow[static_cast<std::size_t>(treeBranches[k + kFetchAhead])];
      FetchLine(&childElement[static_cast<std::size_t>(child)]);
      if (pvContours) t.FetchSign(child);
    }
    const int b = treeBranches[k];
    TRegimeElement& e = *NewElement();
    branchElement[b] = &e;
    const int child = childRow[b];
    if (child != 0) {
      childElement[child] = &e;
      // Voltages of the child nodes come in the row pass below; a fixed-voltage node needs its own here,
      // where its messages keep their order.
      if (pvContours && signOf(child) == 'U') {
        const double um = Widen(t.Um(child));
        ++FixedCount;
        if (excluded.count(child) == 0) {
          e.Flags |= efFixedVoltage;
          e.Um = um;
          e.Angle = 0;
          e.Unom = static_cast<float>(NearestNominalVoltage(um));
          setNodeMark(child, kMarkFixed);
          if (um == 0) noVoltage(child);
        }
      }
      staticChar(child);
    }
    AppendToTree(&e);
  }
  for (int row = 1; row <= nodeCount; ++row) {
    if (row + kFetchAhead <= nodeCount && childElement[row + kFetchAhead] != nullptr) {
      PrefetchRecord(childElement[row + kFetchAhead]);
    }
    if (childElement[row] == nullptr) continue;
    TRegimeElement& e = *childElement[row];
    if (!(e.Flags & efFixedVoltage)) e.Unom = static_cast<float>(Widen(t.Um(row)));
    e.UNode = PolarDegrees(t.Urez(row), t.Angle(row));
    loadsAndGraphs(*childElement[row], row);
    shuntsAndLimits(*childElement[row], row);
  }
  for (int b = 1; b <= branchCount; ++b) {
    if (b + kFetchAhead <= branchCount && branchElement[b + kFetchAhead] != nullptr) {
      PrefetchRecord(branchElement[b + kFetchAhead]);
    }
    if (branchElement[b] == nullptr) continue;
    const BranchState& s = br[b];
    TRegimeElement& e = *branchElement[b];
    e.Number = s.n1;
    e.Number2 = s.n2;
    e.BranchIndex = b;
    e.Nl = t.Nl(b);
    const unsigned char c = t.Commut(b);
    const bool off = c == kCommutO || c == kCommutP;
    if (off) {
      e.Flags |= efOpenNumber | efOpenNumber2;
    } else {
      if (s.open1) e.Flags |= efOpenNumber;
      if (s.open2) e.Flags |= efOpenNumber2;
    }
    if (s.reversed) e.Flags |= efReversed;
    if (s.loopClosing) e.Flags |= efLoopClosing;
    if (c == kCommutF) e.Flags |= efCommutF;
    if (c == kCommutP) e.Flags |= efDamaged;
    if (s.unsuppliedPart) e.Flags |= efUnsupplied;
    if (t.MarkCom1Is(b, "-")) e.Flags |= s.reversed ? efDeviceNumber2 : efDeviceNumber;
    if (t.MarkCom2Is(b, "-")) e.Flags |= s.reversed ? efDeviceNumber : efDeviceNumber2;

    const double factor = TzFactor(t.Tz(b));
    e.R = Widen(t.R(b)) * factor;
    e.X = Widen(t.X(b)) * factor;
    e.G = Widen(t.G(b));
    e.B = Widen(t.B(b));
    e.K = Complex(Widen(t.Kta(b)), Widen(t.Ktr(b)));
    BranchKtn[static_cast<std::size_t>(b)] = t.Ktn(b);
    e.Ng_kta = savedNumber(SavedNg_kta, b, t.Ng_kta(b));
    e.Ng_ktr = savedNumber(SavedNg_ktr, b, t.Ng_ktr(b));
    e.IPrev = Complex(Widen(t.Ia(b)), Widen(t.Ir(b)));
    e.SIdop = static_cast<float>(std::sqrt(3.0) * Widen(t.Idop(b)) * 0.001);
    e.Sdop = t.Sdop(b);
    e.Kflow = t.Kflow(b);
    const bool openHere = (e.Flags & efOpenNumber) != 0;
    if (!s.reversed) {
      e.IPrev = -e.IPrev;
      if (openHere) e.UNode = PolarDegrees(Widen(t.U1(b)), Widen(t.F1(b)));
    } else {
      if (e.K != Complex(0, 0)) {
        e.IPrev *= e.K;
        const double k2 = std::norm(e.K);
        e.R /= k2;
        e.X /= k2;
        e.K = std::conj(e.K) / k2;
      }
      if (openHere) e.UNode = PolarDegrees(Widen(t.U2(b)), Widen(t.F2(b)));
    }
  }

  if (pvSources) BalancingCount -= FixedCount;
}

std::string TRegime::RowCaption(std::int32_t number, const std::string& name) const {
  switch (NameMode) {
    case 1: return name;
    case 2: return name.empty() ? std::to_string(number) : std::to_string(number) + " " + name;
    default: return std::to_string(number);
  }
}

}  // namespace ld
