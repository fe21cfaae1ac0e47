#pragma once
// The steady-state regime engine: the element model of one calculation scheme, its analysis into a tree
// with closing contours, the sweeps, the iteration driver, losses, limit checks and result write-back.
//
// Units: voltages in kV (line voltage; the root is 110 + j0 and every ratio is relative to it), powers in
// MW and Mvar, R and X in ohms, shunts Gs/Bs/G/B in micro-siemens (scaled by 1e-6 in products).
// Node loads are held as the conjugate of the complex power: Load1 = (Pn, -Qn), Load2 = (-Pg, Qg).
#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/base/large_memory.h"
#include "core/engine/dense.h"
#include "core/tables/file_stamp.h"

namespace ld {

class TDataFile;
struct TKeptTables;

using Complex = std::complex<double>;

// Number of the root element and the parent-side number of node elements.
constexpr std::int32_t kRootNumber = -999999999;

// Bits of TRegimeElement::Flags.
enum : std::uint32_t {
  efOpenNumber = 0x1,        // the branch is open at its Number end
  efOpenNumber2 = 0x2,       // the branch is open at its Number2 end
  efReversed = 0x4,          // the table's N1 is the parent side
  efHasRatio = 0x8,          // the ratio K is not zero
  efLoopClosing = 0x10,      // the branch leads to no new node
  efCommutF = 0x20,          // commutation letter "Ф"
  efDeviceNumber = 0x40,     // switching-device mark "-" at the Number end
  efDeviceNumber2 = 0x80,    // switching-device mark "-" at the Number2 end
  efSource = 0x100,          // root, balancing node, fixed-voltage node of algorithms 1-3, unsupplied node
  efFixedVoltage = 0x200,    // fixed-voltage node (sign "U")
  efEnergyLoads = 0x400,     // loads given as energies over the period
  efUnsupplied = 0x800,
  efDamaged = 0x8000,        // commutation letter "П"
  efCutMark1 = 0x1000000,    // cut marks of the open-point optimisation
  efCutMark2 = 0x8000000,
  efSwitchedOff = 0x10000000,  // switching-table marks
  efSupplied = 0x20000000,
  efReportMask = 0x0FFFFFFF,   // what listings and drawings show of the flags
};

// One node of the model together with the branch that feeds it from its parent. The root has no branch;
// a loop-closing branch is an element without a node of its own.
//
// The record is laid out for the sweeps over 100,000 elements: the current sweep reads only the first
// cache line, the voltage sweep the first two, the node step the first three; everything else lies
// behind them, so a sweep keeps a third of the record in the cache.
struct alignas(64) TRegimeElement {
  // Current sweep.
  TRegimeElement* Parent = nullptr;
  TRegimeElement* Next = nullptr;  // from FirstElement: children before parents, root last
  Complex K;       // ratio from the parent's voltage to this element's no-load voltage (Kta, Ktr)
  Complex I;       // branch current, referred to the child side
  Complex IDelta;  // current change to carry up the tree
  // Voltage sweep.
  TRegimeElement* NextInTree = nullptr;  // from Root: parents before children
  double R = 0, X = 0;  // branch impedance referred to the child side
  Complex U;            // voltage of the voltage sweep
  Complex UNode;        // voltage of the node step (damped); model building puts the previous result here
  std::uint32_t Flags = 0;
  std::int32_t NodeIndex = 0;  // 1-based node row; 0 for the root and loop-closing branches
  // Node step.
  Complex ILoad;          // current drawn at the node (load and shunt)
  Complex Load;           // Load1 + Load2
  double Gs = 0, Bs = 0;  // shunt at the element's node, µS
  TRegimeElement* Partner = nullptr;  // loop-closing / fixed-voltage element: tree element of its node
  std::int32_t Number = 0;   // node: NS; branch: child-side node; root: kRootNumber
  std::int32_t Number2 = 0;  // node: kRootNumber; branch: parent-side node; fixed-voltage branch: root's

  Complex Load1;   // (Pn, -Qn) or load currents
  Complex Load2;   // (-Pg, Qg) or generation currents
  Complex IPrev;   // branch current read from the tables; work sum of fixed-voltage elements
  double G = 0, B = 0;    // branch shunt, µS
  double Um = 0;          // magnitude held at a fixed-voltage node
  double Angle = 0;       // angle of a fixed-voltage branch, radians

  std::int32_t Ng_n = 0, Ng_g = 0, Nq_n = 0, Nq_g = 0, Ng_u = 0, Ng_kta = 0, Ng_ktr = 0;
  std::int32_t Work = 0;         // scratch mark of listings and searches
  std::int32_t BranchIndex = 0;  // 1-based branch row; 0 for node elements
  float Qmin = 0, Qmax = 0;      // reactive limits of a fixed-voltage node; both 0: no limits
  float Unom = 0;
  float SIdop = 0;  // sqrt(3)·Idop·0.001
  float Sdop = 0;
  float Kvi = 0, Kvu = 0;
  float Kflow = 0;
  std::uint8_t Nl = 0;
  std::string Name;  // name of the element's node
  // Switching-table moments of the node; none while it is supplied throughout the period.
  std::unique_ptr<std::vector<double>> SupplyTimes;
};
// Six cache lines: a seventh adds a sixth to what every sweep reads and to the fresh pages of a model.
static_assert(sizeof(TRegimeElement) <= 384);

// Elements live in large blocks so that the sweeps walk memory in order; addresses never move, so the
// links stay valid while elements are added.
class TElementPool {
public:
  TElementPool() = default;
  ~TElementPool();
  TElementPool(const TElementPool&) = delete;
  TElementPool& operator=(const TElementPool&) = delete;

  TRegimeElement* New();
  void Clear();
  std::size_t Count() const { return count_; }
  // Creation number (from 0) of an element of this pool, for arrays kept beside the records.
  std::size_t IndexOf(const TRegimeElement* e) const;

private:
  // A block fills one large page of the system, so that a model of 100,000 elements takes its memory in
  // a few dozen steps rather than tens of thousands.
  static constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
  static constexpr std::size_t kBlock = kBlockBytes / sizeof(TRegimeElement);
  TRegimeElement* Slot(std::size_t n) const { return blocks_[n / kBlock] + n % kBlock; }
  void DestroyFrom(std::size_t n);

  std::vector<TRegimeElement*> blocks_;
  // Records are made when first handed out: memory of a block beyond them is never touched. The first
  // block stays through Clear, so that a caller building many small models in a row does not take
  // and make a whole block for each; New gives its records back as new.
  std::size_t made_ = 0;
  // The blocks by address: (address of the block's first element, block number).
  std::vector<std::pair<std::uintptr_t, std::size_t>> byAddress_;
  std::size_t count_ = 0;
};

using TRegimeTextEvent = std::function<void(const std::string& text)>;
using TRegimeProgressEvent = std::function<void(int position)>;
using TRegimeIterationEvent = std::function<void(int iteration, std::int32_t node, double residual)>;

// Path of the static load characteristics "sthar_pq.cat" that model building reads; empty: the
// program folder's file.
extern std::string StaticCharFile;

class TRegime {
public:
  TRegime();
  ~TRegime();
  TRegime(const TRegime&) = delete;
  TRegime& operator=(const TRegime&) = delete;

  // ---- Counters of the model
  int NodeCount = 0;
  int BranchCount = 0;
  int BalancingCount = 0;
  int FixedCount = 0;
  int UnsuppliedCount = 0;
  int TotalContourCount = 0;    // network contours plus one per fixed-voltage node of algorithm 0
  int NetworkContourCount = 0;  // contours 1..NetworkContourCount are network contours
  int MatrixEntryCount = 0;
  int NetworkEntryCount = 0;

  TRegimeElement* FirstElement = nullptr;  // list order through Next
  TRegimeElement* Root = nullptr;          // tree order through NextInTree

  // Contour i (1-based) is the pair ContourEntry1[i - 1], ContourEntry2[i - 1]: the loop-closing (or
  // fictitious fixed-voltage) element and the tree element that feeds the same node.
  int ContourCount = 0;
  std::vector<TRegimeElement*> ContourEntry1, ContourEntry2;
  int OpenLoopCount = 0;
  std::vector<TRegimeElement*> OpenLoopEntry1, OpenLoopEntry2;

  // Static load characteristics, indexed by characteristic number 1..StaticCharCount (item 0 unused).
  int StaticCharCount = 0;
  std::vector<float> A0, A1, A2, B0, B1, B2;
  // Per node row (1-based, item 0 unused): characteristic number and its base voltage.
  std::vector<std::int16_t> Nsh;
  std::vector<float> Ush;
  // Per branch row (1-based, item 0 unused): the nominal ratio Ktn as the table holds it. Only the tap
  // corrections read it, so it stays out of the element records.
  std::vector<float> BranchKtn;

  // Time data of the calculated moment (filled by ApplyTimeData; they survive ClearModel).
  std::vector<double> SwitchMoments;  // item 0: end of the period; then the switching moments
  std::vector<double> SupplyHours;    // per node row (1-based)
  std::vector<std::vector<double>> GraphCache;
  std::vector<std::int32_t> CachedGraphs;  // graph number held in each cache slot
  // Graph numbers saved per row when the model is freed while a graph cache exists (1-based rows).
  std::vector<std::int32_t> SavedNg_n, SavedNq_n, SavedNg_g, SavedNq_g, SavedNg_u;
  std::vector<std::int32_t> SavedNg_kta, SavedNg_ktr;

  std::string SchemePath;  // scheme path without extension
  std::string SchemeName;  // title of the node table
  // The scheme's tables that the last read wrote back (the branch table upgraded, the renumbered pair):
  // each file with the stamps of what the read found there and of what it wrote, in the order written.
  struct TTableRewrite {
    std::string File;
    TFileStamp Read, Written;
  };
  std::vector<TTableRewrite> Rewritten;

  // ---- Settings
  int MaxIter = 100;
  int MaxIter2 = 1;
  double Accuracy = 1e-4;
  float DampU = 1.0f;
  float DampI = 1.0f;
  std::uint8_t Digits = 3;
  bool ShowMessages = false;
  bool FixModule = true;
  int PVAlgorithm = 0;  // 0 contour method, 1-3 the node is a balancing-like node
  bool QLimits = false;
  int QLimitCount = 0;
  bool StaticChars = false;
  bool VoltagesSet = false;
  bool PhaseCurrents = false;
  int InitVoltageMode = 0;  // 0 no-load sweep, 1 previous results, 2 nominal
  bool FormPVLoops = false;
  std::uint8_t NameMode = 0;  // 0 number, 1 name, 2 number, a blank and the name
  std::uint8_t LoadType = 0;  // 0 powers, 1 currents, other values no loads
  bool LockFiles = false;
  // A command's own tables that belong with the regime the next WriteResults writes (the measured flows
  // of a balancing): they go in the run of its nodes and branches, so that no program that ends halfway
  // leaves them beside another regime. WriteResults empties the list, however it ends.
  std::vector<std::pair<std::string, TDataFile*>> WrittenWithResults;

  // ---- Result flags
  bool SchemeRead = false;
  bool MatricesFormed = false;
  bool Converged = false;
  bool ModelError = false;
  bool ZeroContours = false;
  bool RepeatCalc = false;
  TRegimeElement* MaxResidualNode = nullptr;

  // Caller-owned lists, only filled (nullptr: not assigned).
  std::vector<std::string>* Errors = nullptr;
  std::vector<std::string>* Unsupplied = nullptr;
  std::vector<std::string>* Contours = nullptr;

  std::vector<std::string> ResidualsU, ResidualsLoop;  // one line per iteration
  double PrepareTime = 0;    // seconds
  double TotalTime = 0;      // seconds
  double IterationTime = 0;  // seconds

  // Node rows held at a Q limit (positive) and ambiguous pairs (negative rows).
  std::vector<std::int32_t> ExcludedPV;
  std::vector<std::string> PVProtocol;

  // Caller-owned row marks, item i for row i + 1: sized to the row count, cleared, and set to 1 for each
  // unsupplied node row and each unsupplied or switched-off branch row.
  std::vector<std::uint8_t>* NodeMarks = nullptr;
  std::vector<std::uint8_t>* BranchMarks = nullptr;

  // Fixed-voltage solvers.
  TRegimeElement* MaxPResidualNode = nullptr;
  TRegimeElement* MaxQResidualNode = nullptr;
  double PVResidualP = 0;
  double PVResidualQ = 0;
  bool StorePVJacobian = false;
  bool ReusePVJacobian = false;
  Matrix PVJacobian;
  std::vector<double> PVSensitivities;

  // Limit checks.
  int UnderVoltageCount = 0;
  int OverVoltageCount = 0;
  int OverCurrentCount = 0;
  int OverFlowCount = 0;

  TRegimeTextEvent OnStage;
  TRegimeProgressEvent OnProgress;
  TRegimeIterationEvent OnIteration;

  // ---- Stages
  void ReadScheme(const std::string& path);
  void ReadTables(const std::string& path);
  bool UpgradeBranchTable(const std::string& path, TDataFile& branches);
  void BuildModel(TDataFile& nodes, TDataFile& branches, bool& changed);
  void ClearModel();

  // The state of the calculated moment: switching table and load, voltage and ratio graphs.
  void ApplyTimeData(std::uint8_t TypCalcPQ, int Step, double Date1, double Date2, double CalcDate,
                     bool KeepSeries);
  void FreeTimeData();

  // Configuration analysis.
  void AnalyzeConfiguration();
  void SetParents();
  void DistributeShunts();
  void FindContours();
  void AddFixedVoltageBranches();
  void FindOpenLoops();
  // The element list and the last element of each node number, which the steps of one analysis share:
  // SetParents fills the map of new maps, the later steps read it.
  struct TAnalysisMaps;
  void SetParents(TAnalysisMaps& maps);
  void FindContours(const TAnalysisMaps& maps);
  void FindOpenLoops(const TAnalysisMaps& maps);
  void ListContours();
  void ListContour(int index, TRegimeElement* entry1, std::vector<std::string>& list,
                   TRegimeElement* entry2);
  std::string ElementCaption(const TRegimeElement* element) const;

  // Sweeps.
  void ClearSweepSums();
  void AddCurrentToPath(TRegimeElement* element, double dRe, double dIm);
  void SweepCurrents();
  void SweepVoltages();
  void InitVoltages();
  void NodeStep(double& MaxResidual);

  // Contour and fixed-voltage matrices and corrections.
  void FormMatrices();
  void CreateMatrices();
  void FormMatricesCore();
  void FreeMatrices();
  void FormContourMatrix();
  void OrderContours();
  void LinkMatrixRows();
  void FactoriseRows(int firstPosition, int lastPosition, int mode);  // mode 0 complex, 1 2x2 blocks
  void SaveFixedVoltageBlocks();
  void SolveContours();  // on the right-hand side held by position in the matrix fields
  void UpdateFixedVoltageBlocks();
  void CorrectContours(double& MaxLoopResidual);

  // Iterations and the whole calculation.
  void RunIterations();
  // One pass: node step, current and voltage sweeps, contour correction; k counts the passes made so far.
  void IterationStep(int k, double& dU, double& dL);
  void InnerIterations(int& iterations);
  void SolvePVAngles(int& iterations);  // algorithm 1, and 2 without reactive limits
  // Algorithm 3, and 2 with reactive limits: nodes beyond a limit held there until released.
  void SolvePVWithQLimits(int& iterations);
  void Calculate(const std::string& path, std::uint8_t TypCalcPQ, double Date1, double Date2,
                 double CalcDate, int Tgr);
  bool ReassignQLimitedPV();

  // Losses and limit checks.
  double TotalLosses() const;
  void CheckVoltageDeviations(const std::string& unomFile, bool& Under, double DefaultMinus,
                              double DefaultPlus, bool& Over);
  void CheckLoadLimits(bool& OverCurrent, bool& OverFlow, float CurrentPercent, float FlowPercent);

  // Results into the node and branch tables and the protocol ".RGM".
  void WriteResults(const std::string& unomFile, std::uint8_t TypCalcPQ, bool LoadsAsInput, bool SumSbal,
                    double unused, float Un, float Uv, std::uint8_t Dimension, bool FromFiles,
                    TDataFile* nodes, TDataFile* branches);

  // Reports a line: message box (kind 0 error, 1 warning) when ShowMessages, the Errors list when
  // assigned, and ModelError unless told otherwise.
  void ReportError(const std::string& text, int kind = 0, bool setModelError = true);
  // OnStage with a caption (when not empty) and OnProgress with a position.
  void Stage(const std::string& caption, int progress);
  // "Схема "<SchemeName>"" as every message names the scheme.
  std::string SchemeQuoted() const;

  // The elements in creation order (tree order, then fictitious fixed-voltage branches).
  const TElementPool& Elements() const { return pool_; }

private:
  TElementPool pool_;
  // The scheme's tables as the last read or write-back left them, for a write-back while their files
  // are unchanged.
  std::shared_ptr<TKeptTables> keptTables_;

  TRegimeElement* NewElement();
  void AppendToTree(TRegimeElement* e);
  TRegimeElement* lastInTree_ = nullptr;
  // The user's Qg of node rows that a Q-limit pass set to a limit in the node table; written back when
  // the node is released and when Calculate ends.
  std::vector<std::pair<std::int32_t, double>> savedQg_;
  // The model was built with nodes held at a reactive limit (the protocol empties ExcludedPV, the model
  // keeps them held): the next calculation must build it again from the tables.
  bool modelHoldsPV_ = false;
  struct QgTable;
  std::unique_ptr<QgTable> ReadQgTable() const;
  void WriteQgTable(QgTable& table) const;
  void RestoreAllUserQg();
  // A node named in listings by NameMode.
  std::string RowCaption(std::int32_t number, const std::string& name) const;
  // The static load characteristics of StaticCharFile.
  void LoadStaticChars();
  // While an iteration process runs, the sweeps walk arrays of the two orders instead of the links: a
  // walk along a link waits for each record before it can start on the next.
  std::vector<TRegimeElement*> listOrder_, treeOrder_;
  bool ordersHeld_ = false;
  class OrderSnapshot {
  public:
    explicit OrderSnapshot(TRegime& regime);
    ~OrderSnapshot();
    OrderSnapshot(const OrderSnapshot&) = delete;
    OrderSnapshot& operator=(const OrderSnapshot&) = delete;

  private:
    TRegime& regime_;
    bool owner_;
  };
  // The fixed-voltage nodes of algorithms 1-3: FixedCount sources from the first one in tree order.
  std::vector<TRegimeElement*> PVElements() const;
  // Raises "Узел ФМ ... не связан со схемой" for the first of them that no path joins to a balancing node.
  void CheckPVLinks(const std::vector<TRegimeElement*>& pv) const;

  // ---- Matrices, corrections, losses and results: fields of the matrix and result stages
public:
  // Contour matrix, 1-based. The diagonal by position (inverted pivots of the network rows once
  // factorised); the off-diagonal entries of the upper triangle by row and column position (row <
  // column), those of network rows first; the matrix is symmetric, so one entry stands for both.
  std::vector<Complex> MatrixDiagonal;
  std::vector<std::int32_t> EntryRow, EntryColumn;
  std::vector<Complex> EntryValue;
  std::vector<std::int32_t> PositionOfContour, ContourOfPosition;
  std::vector<std::int32_t> FirstRowEntry, NextRowEntry;  // ascending column; 0 ends a row
  std::vector<Complex> ContourRhs;  // right-hand side and solution of SolveContours, by position

private:
  // A real 2x2 block [a, b; c, d] acting on (re, im); a complex x + jy is [x, -y; y, x].
  struct Block2 {
    double a = 0, b = 0, c = 0, d = 0;
  };
  // Fixed-voltage rows: their pivots by position and, per entry, the blocks of (row, column) and
  // (column, row), which part ways once the rows are eliminated; the diagonal and entries as the
  // network factorisation left them, restored before each refactorisation.
  std::vector<Block2> fvPivot_;
  std::vector<Block2> fvUpper_, fvLower_;
  std::vector<Complex> fvSavedDiagonal_, fvSavedEntry_;
  // Power P and reactive power s of each fixed-voltage contour's fictitious branch, by contour.
  std::vector<double> fvP_, fvS_;

  void AppendEntry(std::int32_t row, std::int32_t column, const Complex& value);
  void FixedVoltagePower(const TRegimeElement* a, double& P, double& s) const;

  // ---- Time data of the calculated moment
  // What applying a moment replaced, as the model held it before, so that the next moment starts again
  // from the tables' values; one item per element, in tree order. A cut move hands a node over to another
  // element and turns a branch round, so the values are found again by what they belong to: the node
  // part by NodeKey (the node row; its negative for the fictitious branch of a fixed-voltage node), the
  // branch part by the branch row. The list is this model's while Root->SupplyTimes is timeDataMark_
  // (a rebuilt model has a new root without one).
  struct TimeDataBase {
    std::int32_t NodeKey = 0, BranchIndex = 0;
    std::uint32_t NodeFlags = 0;  // what kind of node the node part was kept for
    bool Reversed = false;        // the direction the branch part was kept in
    bool NodeApplied = false, BranchApplied = false;
    // Node part; K, UNode, Um and Angle belong to it in an element without a branch (a source or a
    // fictitious branch), whose voltage a graph may set.
    Complex Load1, Load2, UNode;
    double Um = 0, Angle = 0;
    std::int32_t Ng_n = 0, Ng_g = 0, Nq_n = 0, Nq_g = 0, Ng_u = 0;
    // Branch part.
    Complex K;
    double R = 0, X = 0;
    std::int32_t Ng_kta = 0, Ng_ktr = 0;
  };
  std::vector<TimeDataBase, TLargeAllocator<TimeDataBase>> timeDataBase_;
  const std::vector<double>* timeDataMark_ = nullptr;
  // Whether node elements may hold supply lists (between the switching table and the end of the moment).
  bool supplyListsHeld_ = false;

  // ---- Selections, cut moves and load balancing
public:
  // The open points (cuts) of the open-point optimisation: tie i (1-based) is the open loop-closing
  // element TieBranches[i - 1] and TiePartners[i - 1], the element that carries the node at its open end.
  int TieCount = 0;
  std::vector<TRegimeElement*> TieBranches, TiePartners;
  void BuildTieList();
  void FreeTieList();
  void MarkContourPaths();  // efCutMark2 on the paths of every contour
  void ClearWorkFlags();    // bits 24-27 of every element after the root
  void MoveContourCut(int Index);  // efCutMark1 on the two side chains of the cut
  bool TryMoveCut(int Index, bool StopAtTransformers);
  void ReattachCutElement(int Index);
  void TreeOrderMove(TRegimeElement* Parent, TRegimeElement* Element, char Mode, TRegimeElement*& Prev,
                     TRegimeElement*& First, TRegimeElement*& Last, TRegimeElement* NewParent = nullptr);
  void RebuildTreeOrder();
  void RebuildReverseChain();
};

// Whether the locks of the scheme `stem` are held (its node or branch table's, named by the file as the
// family has it), as the regime window holds them while a command of its runs: a TRegime reading that
// scheme then sets LockFiles, to give them up for a write of what reading corrects and take them again.
bool SchemeLocksHeld(const std::string& stem);

}  // namespace ld
