#pragma once
// The state of one scheme forming run, shared by its phases (lines, stations, 0.4 kV lines, feeds,
// feeders, journal). Internal to core/district.
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/district/form_scheme.h"
#include "core/tables/colmaps.h"
#include "core/tables/element_names.h"

namespace ld::forming {

// One node of the scheme while it is formed. Nodes live in the order of their creation (NS - 1) and
// reach the node table sorted by name only at the end, so that no row moves while the base is read.
struct TFormNode {
  std::string Name, Balans, Snom, Prim;
  float Um = 0, Kvi = 0;
  std::int32_t Nr = 0, Ng_n = 0, Nq_n = 0, Ng_g = 0, Nq_g = 0;
  char Sign = 0, A = 0;
  std::uint8_t Peak = 0;
  double Pn = 0, Qn = 0, Pg = 0, Qg = 0;
  double WPn = 0, WQn = 0, WPg = 0, WQg = 0, WPpr = 0, WQpr = 0, WPbt = 0, WQbt = 0, dWPa = 0, dWQa = 0;
};

// The node registry: a name is one node whatever its letter case, as the sorted node table's binary
// search compares names.
class TNodeRegistry {
public:
  // The node number (NS) of the name, 0 when there is none.
  int Find(const std::string& name) const;
  // The node number of the name; a new node gets the next number, the name and the voltage um.
  int Get(const std::string& name, float um, bool& created);
  TFormNode& operator[](int ns) { return nodes_[static_cast<std::size_t>(ns) - 1]; }
  const TFormNode& operator[](int ns) const { return nodes_[static_cast<std::size_t>(ns) - 1]; }
  int Count() const { return static_cast<int>(nodes_.size()); }
  void Reserve(std::size_t count);
  // Node numbers in the order of the node table: by name, as the table's binary search compares them.
  std::vector<int> NameOrder() const;

private:
  std::vector<TFormNode> nodes_;
  std::unordered_map<std::string, int> byKey_;
};

// A line mark evaluated for one voltage.
struct TLineParams {
  bool Ok = false;
  float R = 0, X = 0, G = 0, B = 0, Idop = 0;
  std::string Error;
};

class TSchemeForming {
public:
  TSchemeForming(const TFormSchemeOptions& options, TDataFile& nodes, TDataFile& branches, TDataFile& flows,
                 std::vector<std::string>& errors);

  // Phases, in the order of a run.
  void FormLines(TDataFile& lines);
  void FormStations(TDataFile& stations);
  void RaiseSupplyVoltages();
  void CheckTransformers();
  void ClearPeaks();
  void CheckDoubleStations();
  void FormLines04(TDataFile& lines04);
  void FormFeeds(TDataFile& feeds);
  void FormFeeders(TDataFile& feeders, const std::vector<std::string>& feederList);
  void RenumberJournal(TDataFile& journal);
  // Sizes the output tables for at most that many rows of each.
  void Prepare(int nodeBound, int branchBound, int flowBound);
  // The node table from the registry, sorted by name; the row counts of the three tables.
  void Finish();

  int SupplyCount = 0;
  bool HasNormal = false;

  // "kind|list|winding": the part before the first "|" (all of it without one), the part before the
  // second and the rest as an integer (0 when empty or no integer).
  static void SplitTypEqu(const std::string& text, std::string& kind, std::string& listName, std::uint8_t& winding);

private:
  void Message(const char* label, int row, const std::string& text);
  int NewBranch();
  int NewFlow();
  // Gives the branch just created its equipment parameters (Part of the station and line phases).
  void FillEquipmentBranch(std::uint8_t nl, const std::string& typeText, const char* label, int row,
                           const std::string& mark);
  void ApplyTaps(int branch, const char* label, int row);
  // Adds a row's load to the node by its load type.
  void AddNodeLoadByType(int ns, int t, double pn, double qn, double pg, double qg, float kv, double s, double u,
                         const char* label, int row);
  const TLineParams& LineParams(const std::string& mark, float unom);
  void SetLineBranch(int branch, const std::string& mark, float unom, const char* label, int row);
  void SetSwitches(int branch, char32_t letter, bool fixedOff);

  const TFormSchemeOptions& o_;
  TDataFile& nodeTable_;
  TDataFile& branchTable_;
  TDataFile& flowTable_;
  std::vector<std::string>& errors_;
  TNodeRegistry reg_;
  TBranchCols b_;
  TLineFlowCols f_;
  int branchCount_ = 0, flowCount_ = 0;
  std::unordered_set<std::uint64_t> joined_;  // node pairs that a line branch joins
  std::map<std::pair<std::string, float>, TLineParams> lineCache_;
};

// The Windows-1251 byte of a letter of the commutation or sign columns.
char LetterByte(char32_t letter);
// A number in the general format with seven significant digits and "." as the decimal separator.
std::string GeneralDot(double value);
// A number of a district text cell; 0 when it is none.
double TextNumber(const std::string& text);

}  // namespace ld::forming
