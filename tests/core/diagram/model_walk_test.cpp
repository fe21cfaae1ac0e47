// The fast walk over incidence lists and maps against the walk exactly as the rows are scanned:
// every branch from the cursor on examined once per node, parents and targets searched backwards.
#include <gtest/gtest.h>

#include <random>

#include "core/diagram/model_walk.h"
#include "core/diagram/schem_state.h"
#include "model_describe.h"
#include "support/diagram_fixture.h"

namespace ld::diagram {
namespace {

TWalkResult PlainWalk(TWalkData& data) {
  auto& nodes = data.Nodes;
  auto& branches = data.Branches;
  const int n = static_cast<int>(nodes.size()), m = static_cast<int>(branches.size());
  TWalkResult r;
  r.P = data.V;
  int q = 0, c = 1;
  auto pass = [&](bool first) {
    while (q != (first ? r.P : n)) {
      ++q;
      const std::int32_t u = nodes[q - 1].Nr;
      for (int k = c; k <= m; ++k) {
        TWalkBranch& b = branches[k - 1];
        if (b.N1 == u) {
          std::swap(b.N1, b.N2);
          const bool offBegin = b.Marks & wmOffBegin, offEnd = b.Marks & wmOffEnd;
          b.Marks &= ~(wmOffBegin | wmOffEnd);
          if (offBegin) b.Marks |= wmOffEnd;
          if (offEnd) b.Marks |= wmOffBegin;
          b.Marks ^= wmReversed;
        } else if (b.N2 != u) {
          continue;
        }
        std::swap(branches[c - 1], branches[k - 1]);
        TWalkBranch& t = branches[c - 1];
        bool placed = false;
        if (t.N1 != u)
          for (int s = (first ? r.P : n) + 1; s <= n; ++s)
            if (nodes[s - 1].Nr == t.N1) {
              ++r.P;
              std::swap(nodes[r.P - 1], nodes[s - 1]);
              t.Down = r.P;
              placed = true;
              break;
            }
        if (!placed) t.Marks |= wmRing;
        ++c;
      }
    }
  };
  pass(true);
  r.C1 = c;
  pass(false);
  r.C2 = c;
  return r;
}

void PlainParents(TSchemeModel& model) {
  for (PSElem e = model.Last; e != nullptr && e != model.First; e = e->Prev)
    for (PSElem p = e->Prev; p != nullptr; p = p->Prev)
      if (p->NodeNr == e->ParentNodeNr && !p->Has(efReference)) {
        e->Parent = p;
        break;
      }
}

PSElem PlainTargets(TSchemeModel& model) {
  for (PSElem e = model.Last; e != nullptr; e = e->Prev) {
    if (!e->Has(efReference | efUnsupplied)) continue;
    PSElem target = nullptr;
    for (PSElem t = model.Last; t != nullptr && target == nullptr; t = t->Prev)
      if (t->NodeNr == e->NodeNr && !t->Has(efReference)) target = t;
    if (target == nullptr) return e;
    if (target->Caption) e->Caption = target->Caption;
    e->NodeRow = target->NodeRow;
    e->Target = target;
    model.RefList.push_back(e);
    model.TargetList.push_back(target);
  }
  return nullptr;
}

ld::test::DiagramScheme RandomScheme(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  ld::test::DiagramScheme s;
  const int nodes = pick(26);
  const bool duplicates = pick(4) == 0;
  std::vector<std::int32_t> numbers;
  for (int i = 0; i < nodes; ++i) {
    const std::int32_t nr = duplicates ? 1 + pick(nodes + 2) : 10 + i;
    numbers.push_back(nr);
    const std::string k = std::to_string(1 + pick(3));
    const std::string sec = std::to_string(1 + pick(3));
    const std::string names[] = {"ПС-" + k + "." + sec, "пс-" + k + "." + sec + ".А", "ПС-" + k, "ТП-" + k,
                                 "ТП-" + k + ".0,4", "ОТП_" + k + ".1", "_" + sec, "Узел " + std::to_string(i), ""};
    ld::test::DiagNode& n = s.Node(nr, names[pick(9)]);
    const int sign = pick(20);
    n.Sign = sign < 3 ? "B" : sign == 3 ? "u" : "";
    const int peak = pick(20);
    n.Peak = peak < 2 ? 1 : peak == 2 ? 2 : 0;
    const float um[] = {110, 35, 10.5f, 0.4f};
    n.Um = um[pick(4)];
    n.NumES = pick(3) == 0 ? pick(50) : 0;
  }
  const int branches = pick(36);
  const char* commut[] = {"", "", "", "Н", "К", "О", "П", "Ф", "н"};
  const char* marks[] = {"", "В", "-", "р", "Н"};
  for (int i = 0; i < branches; ++i) {
    auto end = [&]() -> std::int32_t {
      if (numbers.empty() || pick(50) == 0) return 900 + pick(3);
      return numbers[static_cast<std::size_t>(pick(static_cast<int>(numbers.size())))];
    };
    const std::int32_t n1 = end();
    ld::test::DiagBranch& b = s.Branch(n1, pick(10) == 0 ? n1 : end());
    b.Commut = commut[pick(9)];
    b.MarkCom1 = marks[pick(5)];
    b.MarkCom2 = marks[pick(5)];
    if (pick(4) == 0) b.Kta = 0.04f;
  }
  return s;
}

TEST(ModelWalk, FastWalkGivesThePlainWalksModel) {
  std::mt19937 rng(20261207);
  int failures = 0, unsupplied = 0, rings = 0;
  for (int round = 0; round < 500; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const ld::test::DiagramScheme scheme = RandomScheme(rng);
    TSchemBoxState box;
    box.FIntegral = rng() % 3 != 0;
    box.FSection = rng() % 2 == 0;
    box.FTap = rng() % 2 == 0;
    box.FPaintNod = rng() % 4 == 0 ? static_cast<std::uint8_t>(rng() % 3) : std::uint8_t{ncmName};
    box.FlagNumES = rng() % 5 == 0;
    scheme.Load(box);
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    std::shuffle(nodes.begin(), nodes.end(), rng);
    if (!nodes.empty() && rng() % 4 == 0) nodes.pop_back();
    if (rng() % 8 == 0) lines.push_back(1000);
    const TWalkData prepared = PrepareWalk(box, nodes, lines);

    TWalkData fastData = prepared, plainData = prepared;
    const TWalkResult fast = OrientBranches(fastData);
    const TWalkResult plain = PlainWalk(plainData);
    ASSERT_EQ(fast.P, plain.P);
    ASSERT_EQ(fast.C1, plain.C1);
    ASSERT_EQ(fast.C2, plain.C2);
    for (std::size_t i = 0; i < plainData.Nodes.size(); ++i) ASSERT_EQ(fastData.Nodes[i].Row, plainData.Nodes[i].Row);
    for (std::size_t i = 0; i < plainData.Branches.size(); ++i) {
      ASSERT_EQ(fastData.Branches[i].Row, plainData.Branches[i].Row);
      ASSERT_EQ(fastData.Branches[i].N1, plainData.Branches[i].N1);
    }
    if (plain.C2 <= static_cast<int>(plainData.Branches.size())) {
      ++failures;
      continue;
    }

    TSchemeModel fastModel, plainModel;
    MakeElements(box, fastData, fast, fastModel);
    MakeElements(box, plainData, plain, plainModel);
    LinkParents(fastModel);
    PlainParents(plainModel);
    const PSElem fastMissing = LinkTargets(fastModel);
    const PSElem plainMissing = PlainTargets(plainModel);
    ASSERT_EQ(fastMissing == nullptr, plainMissing == nullptr);
    if (fastMissing) {
      EXPECT_EQ(fastMissing->NodeNr, plainMissing->NodeNr);
      ++failures;
    }
    ASSERT_EQ(test::Describe(fastModel), test::Describe(plainModel));
    ASSERT_EQ(test::DescribeRefs(fastModel), test::DescribeRefs(plainModel));
    unsupplied += plain.P < static_cast<int>(plainData.Nodes.size());
    rings += plain.C1 > 1 && fastModel.RefList.size() > static_cast<std::size_t>(static_cast<int>(plainData.Nodes.size()) - plain.P);
  }
  // The schemes reach every branch of the walk: errors, unsupplied parts and rings all occur.
  EXPECT_GT(failures, 10);
  EXPECT_GT(unsupplied, 100);
  EXPECT_GT(rings, 100);
}

}  // namespace
}  // namespace ld::diagram
