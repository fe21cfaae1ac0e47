#pragma once
// "Тест переключений": the scheme's switching journal replayed over a period. After every switching the
// supply of the network is analysed without the regime engine (a walk from the balancing nodes): how
// many nodes are without supply and how many closed loops there are, against two norms. The protocol
// goes line by line to the window; two reports beside the scheme tell when nodes were without supply
// and when substations were supplied otherwise than in the normal scheme (column Normal). The scheme's
// files are only read.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/dates.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"

namespace ld {

struct TSwitchTestSettings {
  TDateTime Date1 = 0, Date2 = 0;  // the period: from the start of Date1 to the end of Date2
  std::int32_t NoSupNorm = 0, ContNorm = 0;
  bool OutageReport = true, SnrReport = true;
};

struct TSwitchTestCallbacks {
  std::function<void(const std::string&)> Status;
  std::function<void(int)> Progress;                // 0..100
  std::function<void(const std::string&)> Message;  // one protocol line
  std::function<bool()> StopQuery;                  // asked after every switching: true stops the test
};

struct TSwitchTestResult {
  bool Replayed = false;  // the journal held together over the period and the switchings were analysed
  bool Stopped = false;
};

// The scheme's node, branch and journal tables (a missing journal reads as an empty one).
struct TSwitchTestTables {
  TDataFile Nodes, Branches, Journal;
};

// Reads the three tables under the locks of their files; the locks are gone again on return. A damaged
// file raises ld::Error naming the file.
void ReadSwitchTestTables(const std::string& schemeBase, TSwitchTestTables& tables);

std::string OutageReportFile(const std::string& schemeBase);  // " (длительность отключений).txt"
std::string SnrReportFile(const std::string& schemeBase);     // " (отклонения от СНР).txt"

// The whole test on tables read by ReadSwitchTestTables; curDateSwt is the moment the branch table
// describes (0: now). The requested reports are rewritten whatever happens on the way, a stop or a
// journal that does not hold together included.
TSwitchTestResult RunSwitchTest(const std::string& schemeBase, TSwitchTestTables& tables, TDateTime curDateSwt,
                                const TSwitchTestSettings& settings, const TSwitchTestCallbacks& cb);

// A moment to the second: YYYYMMDD * 100000 + the second of the day. Whole numbers keep moments of the
// journal and of the period exactly comparable, and durations come out in whole seconds.
using TStamp = std::int64_t;
TStamp StampOf(TDateTime value);
TStamp JournalStamp(std::int32_t date, std::int32_t hour, std::int32_t minutes);
double StampToPacked(TStamp stamp);
std::int64_t SecondsBetween(TStamp a, TStamp b);  // whichever comes first

// The steps of the test on the branch table as it is replayed. The branch table must outlive the test;
// rows changed by a journal row are announced with BranchRowChanged.
class TSwitchTest {
public:
  TSwitchTest(TDataFile& nodes, TDataFile& branches, const TSwitchTestSettings& settings, TStamp p1, TStamp p2);

  // The walk from the balancing nodes with the commutation letters of the branches (Commut), or with
  // their normal letters (Normal), which then give the normal supply of every node.
  void AnalyseSupply(bool normal = false);
  int Unsupplied() const { return unsupplied_; }
  int Loops() const { return loops_; }
  // The protocol line of the state that held from the previous moment to t; nothing when t is that
  // moment again, unless t ends the period.
  std::optional<std::string> WriteTestLine(TStamp t);
  TStamp PreviousMoment() const { return previous_; }
  void TrackOutages(TStamp t);
  void TrackNormalDeviations(TStamp t);
  void MergeOpenDeviations() { MergeFrom(0); }
  // Report lines, without their line ends.
  std::vector<std::string> OutageReport() const;
  std::vector<std::string> SnrReport() const;
  // The row now holds what a journal row recorded (its ends may have swapped, its name changed).
  void BranchRowChanged(int row);

  // The name a node has in the deviation report; a name beginning with "_" never enters it.
  static std::string ReportName(const std::string& name, float um);

private:
  struct Supply {
    std::int32_t feeder = 0, source = 0;  // indices into names_; 0 is the empty name
    bool operator==(const Supply&) const = default;
  };
  struct Outage {
    int node;
    TStamp start, end;
  };
  struct Deviation {
    TStamp begin = 0, end = 0;
    std::string list;
    Supply before, after;
  };
  std::int32_t NameId(const std::string& name);
  void MergeFrom(std::size_t first);

  TBranchCols b_;
  TNodeCols n_;
  TStamp p1_, p2_, previous_;
  std::int32_t noSupNorm_, contNorm_;
  int nodeCount_ = 0;
  std::vector<int> end1_, end2_;              // node index of N1 and N2 of each branch row; -1 when absent
  std::vector<int> adjStart_, adjBranch_;     // the branch rows at each node, in table order
  std::vector<int> balancing_;
  std::vector<std::int32_t> feederName_;      // per branch row: its DSName
  std::vector<std::int32_t> sourceName_;      // per node: its source name when balancing
  std::vector<std::string> names_{std::string()};
  std::unordered_map<std::string, std::int32_t> nameIds_{{std::string(), 0}};
  std::vector<std::string> reportNames_;
  std::vector<Supply> normal_, current_, previousSupply_;
  std::vector<std::uint8_t> reached_, wasUnsupplied_, used_;
  std::vector<int> queue_, openOutage_;
  int unsupplied_ = 0, loops_ = 0;
  std::vector<Outage> outages_;
  std::vector<Deviation> deviations_;
};

}  // namespace ld
