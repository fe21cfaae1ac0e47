#include <gtest/gtest.h>

#include <functional>

#include "core/diagram/schem_state.h"
#include "model_describe.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"

namespace ld::diagram {
namespace {

using ld::test::DiagramScheme;
using test::Describe;
using test::DescribeRefs;

struct Case {
  const char* what;
  std::function<void(DiagramScheme&)> scheme;
  std::function<void(TSchemBoxState&)> settings;  // after the defaults
  bool built;
  std::vector<std::string> chain;
  std::vector<std::string> refs;
  std::vector<std::string> messages;
};

void NoGrouping(TSchemBoxState& s) { s.FIntegral = false; }
void Defaults(TSchemBoxState&) {}

TEST(BuildSchemeModel, SmallSchemes) {
  const Case cases[] = {
      {"an unsupplied pair: node elements are their own targets",
       [](DiagramScheme& s) { s.Node(1, "A", "B"); s.Node(5, "E"); s.Node(6, "F"); s.Line(5, 6).Commut = "н"; },
       NoGrouping, true,
       {"root", "1<-999999999 N 'A' r1 b0 s0/0 p0 t-", "5<-999999999 NU 'E' r2 b0 s0/0 p0 t2",
        "6<-999999999 NU 'F' r3 b0 s0/0 p0 t3", "6<5 VRUp 'F' r3 b1 s0/0 p2 t3"},
       {"4->3", "3->3", "2->2"}, {}},
      {"a branch to a node outside the set",
       [](DiagramScheme& s) { s.Node(1, "A", "B"); s.Line(1, 9); },
       NoGrouping, false,
       {"root", "1<-999999999 N 'A' r1 b0 s0/0 p0 t-", "9<1 VR r0 b1 s0/0 p1 t-"},
       {}, {"В схеме отсутствует узел : 9"}},
      {"bus sections of one substation and their coupler",
       [](DiagramScheme& s) { s.Node(1, "ПС-1.1", "B"); s.Node(2, "ПС-1.2"); s.Line(1, 2); },
       Defaults, true,
       {"root", "1<-999999999 NG 'ПС-1' r1 b0 s0/0 [1,2:1,2] p0 t-", "1<1 VRG 'ПС-1' r1 b1 s1/0 p1 t1"},
       {"2->1"}, {}},
      // "_7.1" keeps its dot: a tap-off is no bus section. "Rt" is a transformer by its type alone, as
      // "RT" is; "LN" is a line.
      {"tap-offs by a leading underscore, transformers by the type without a ratio",
       [](DiagramScheme& s) {
         s.Node(1, "A", "B"); s.Node(2, "_7.1"); s.Node(3, "C"); s.Node(4, "D");
         s.Branch(1, 2).TypEqu = "Rt|РБ-10|";
         s.Branch(2, 3).TypEqu = "LN|АС-70|";
         s.Branch(4, 2).TypEqu = "rT|РБ-10|";
       },
       Defaults, true,
       {"root", "1<-999999999 N 'A' r1 b0 s0/0 p0 t-", "2<1 VTX '_7.1' r2 b1 s0/0 p1 t-",
        "3<2 V 'C' r3 b2 s0/0 p2 t-", "4<2 X 'D' r4 b3 s0/0 p2 t-"},
       {}, {}},
      // "Ф" opens a row at its second node whichever end the supply reaches: both rows are open at C, the
      // first row at the node it feeds, the second at the node that feeds it.
      {"a fixed-off branch open at its second node",
       [](DiagramScheme& s) {
         s.Node(1, "A", "B"); s.Node(2, "C"); s.Node(3, "D");
         s.Line(1, 2).Commut = "Ф";
         s.Line(3, 2).Commut = "Ф";
       },
       NoGrouping, true,
       {"root", "1<-999999999 N 'A' r1 b0 s0/0 p0 t-", "2<1 VoF 'C' r2 b1 s0/0 p1 t-", "3<2 pF 'D' r3 b2 s0/0 p2 t-"},
       {}, {}},
      {"ES numbers other than 0 after the names, negative ones too",
       [](DiagramScheme& s) {
         s.Node(1, "A", "B").NumES = 0; s.Node(2, "C").NumES = -3; s.Node(3, "D").NumES = 12;
         s.Branch(1, 2); s.Branch(2, 3);
       },
       [](TSchemBoxState& b) { b.FIntegral = false; b.FlagNumES = true; }, true,
       {"root", "1<-999999999 N 'A' r1 b0 s0/0 p0 t-", "2<1 V 'C <-3>' r2 b1 s0/0 p1 t-",
        "3<2 V 'D <12>' r3 b2 s0/0 p2 t-"},
       {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DiagramScheme scheme;
    c.scheme(scheme);
    TSchemBoxState box;
    ld::test::LoadDefaultViewConfig(box);
    c.settings(box);
    scheme.Load(box);
    ld::test::ScriptedMsgBox msg;
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    EXPECT_EQ(box.BuildSchemeModel(nodes, lines, *box.Model), c.built);
    EXPECT_EQ(Describe(*box.Model), c.chain);
    EXPECT_EQ(DescribeRefs(*box.Model), c.refs);
    EXPECT_EQ(msg.Texts(), c.messages);
    for (const auto& call : msg.Calls()) EXPECT_EQ(call.kind, mkError);
  }
}

// A substation with a balancing section is a vertex of the drawing, also when listed after a node it feeds.
TEST(BuildSchemeModel, ABalancingMemberMakesItsSubstationAVertex) {
  DiagramScheme scheme;
  scheme.Node(3, "ТП-1");
  scheme.Node(1, "ПС-2.1");
  scheme.Node(2, "ПС-2.2", "B");
  scheme.Branch(1, 3);
  scheme.Transformer(3, 4);  // ТП-1 to a node not in the scheme
  scheme.Node(4, "ТП-1.0,4", "", 0.4f);
  TSchemBoxState box;
  ld::test::LoadDefaultViewConfig(box);
  scheme.Load(box);
  ld::test::ScriptedMsgBox msg;
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  EXPECT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  EXPECT_EQ(Describe(*box.Model), (std::vector<std::string>{"root", "1<-999999999 NG 'ПС-2' r2 b0 s0/0 [1,2:2,3] p0 t-",
                                                            "3<1 VG 'ТП-1' r1 b1 s0/0 [0:1] p1 t-"}));
  EXPECT_TRUE(msg.Texts().empty());
}

// Rows beyond the tables leave the sets, and the control keeps the filtered sets.
TEST(BuildSchemeModel, RowsBeyondTheTablesLeaveTheSets) {
  TSchemBoxState box;
  ld::test::LoadDefaultViewConfig(box);
  DiagramScheme scheme;
  scheme.Node(1, "A", "B");
  scheme.Node(2, "C");
  scheme.Line(1, 2);
  scheme.Load(box);
  std::vector<std::int32_t> nodes{2, 7, 1, 0}, lines{1, 3};
  EXPECT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  EXPECT_EQ(box.NodeSet, (std::vector<std::int32_t>{2, 1}));
  EXPECT_EQ(box.LineSet, (std::vector<std::int32_t>{1}));
}

}  // namespace
}  // namespace ld::diagram
