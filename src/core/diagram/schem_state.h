#pragma once
// The diagram control without its pixels: the scheme's tables and column maps, the shown node and
// branch rows, the drawing settings, the pixel metrics, the model with its building, the scroll
// origin, the registries of the last drawing pass and the events. The widget TSchemBox derives from
// it, paints what it says and installs the layout and painting hooks; tests drive it directly.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/diagram/canvas.h"
#include "core/diagram/model.h"
#include "core/tables/file_stamp.h"
#include "core/tables/colmaps_results.h"
#include "core/tables/element_names.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_run.h"

namespace ld::diagram {

// The deviation limits of the nominal-voltage catalogue ("Unom", "dUm", "dUp" of its rows) in one read,
// with the stamp of the bytes read. Raises the table store's error.
struct TVoltageLimits {
  std::vector<double> Unom, Down, Up;
  TFileStamp Stamp;
};
TVoltageLimits ReadVoltageLimits(const std::string& file);

// Caption modes of nodes (FPaintNod).
enum TNodeCaptionMode : std::uint8_t { ncmNumber = 0, ncmName = 1, ncmNumberName = 2 };

// What a scroll bar of the host shows; absent when the host gave none.
struct TScrollBarModel {
  int Min = 0, Max = 0, Position = 0, SmallChange = 1, LargeChange = 1;
};

// Shared by every control: the [Export] CutMark key as read by LoadViewConfig, and the colour of the
// Ctrl/Alt paint brush.
extern bool CutMark;
extern std::int32_t PaintColor;

// Event types.
using TDisplayErr = std::function<void(const std::string& msg)>;
using TDisplayMsg = std::function<void(const std::string& msg)>;
using TDisplayPrc = std::function<void(int percent)>;
using TGetNode = std::function<void(const std::string& node)>;
using TExtMenuClick = std::function<void(int tag)>;  // the menu item's Tag
using TSaveProc = std::function<void(TDataFile* nodes, TDataFile* branches)>;
// True when the host keeps the change of the branch row (saved with what belongs to it, or nothing to
// keep it with); false when it could not (a switching whose journal entry was refused, cancelled or not
// saved): the control then undoes the change. The host puts back what it did to the tables itself.
using TChangeLine = std::function<bool(const std::string& schemeBase, TDataFile* branches, int row,
                                       const TRecSwt* before)>;

class TSchemBoxState {
public:
  // Construction steps that need no widget: every setting 0 until LoadViewConfig, WrapCaptions on,
  // the deviation columns of "sprav_UN.cat" when the file exists, the font "Tahoma" 10 pt with its
  // metrics.
  TSchemBoxState();
  virtual ~TSchemBoxState();
  TSchemBoxState(const TSchemBoxState&) = delete;
  TSchemBoxState& operator=(const TSchemBoxState&) = delete;

  // ---- the control
  TSchemeModel* CurModel = nullptr;  // the model being drawn: Model, or a nested model while it is drawn
  std::string SchemeBase;            // the scheme's base path without extension
  // A command's own tables that belong with the scheme the next SaveScheme writes (the switching
  // journal's entry of a switching made on the drawing): they go in the run of the scheme's tables.
  // SaveScheme empties the list, whether it wrote or not.
  std::vector<std::pair<std::string, TDataFile*>> WrittenWith;
  // Files of bytes that go the same way (the scheme's switching date after a switching).
  std::vector<TRunBytes> WrittenBytesWith;
  bool EditMode = false;
  bool Busy = false;
  // The host's scroll bars; set the optional to give the control a bar.
  std::optional<TScrollBarModel> VScrollBar;
  std::optional<TScrollBarModel> HScrollBar;
  // Size of the control's client area in pixels (the widget keeps it current).
  int ClientWidth = 0;
  int ClientHeight = 0;

  // ---- events
  TDisplayErr OnDisplayErr;  // published, never fired
  TDisplayMsg OnDisplayMsg;  // stage texts of the model building
  TDisplayPrc OnDisplayPrc;  // percentages of the model building
  TExtMenuClick OnExtLineMenuClick;
  TExtMenuClick OnExtNodeMenuClick;
  TChangeLine OnChangeLine;
  TSaveProc OnSaveProc;
  TGetNode OnGetNode;

  // ---- hooks of the layout and the drawing pass; empty hooks do nothing
  std::function<void(TCanvas& canvas, TSchemeModel& model)> LayoutHook;
  std::function<void()> PaintHook;
  // The control's own canvas, given by the widget (nullptr: no layout on BuildScheme and RelayoutScheme).
  TCanvas* Canvas = nullptr;

  // ---- registries of the last drawing pass
  std::vector<std::int32_t> ComHitX, ComHitY, ComHitXId, ComHitYId;
  std::vector<std::int32_t> LineHitX1, LineHitX2, LineHitYMid, LineHitY1, LineHitY2;
  std::vector<std::uint8_t> ComHitBegin;
  std::vector<std::uint8_t> LineHitStraight;
  std::vector<PSElem> ComHitElem;
  std::vector<PSElem> SubstHitElem;
  std::vector<PSElem> LineHitElem;

  // ---- voltage classes and deviations
  std::vector<std::int32_t> ClassVoltages;  // nominal voltages × 100, ascending
  std::vector<double> DevUp;    // "dUp" of "sprav_UN.cat"; item k - 1 for the k-th nominal voltage
  std::vector<double> DevDown;  // "dUm"
  TFileStamp DevFileStamp;      // "sprav_UN.cat" as DevUp and DevDown were read from it; unknown when absent

  // ---- the scheme
  std::vector<std::int32_t> NodeSet;  // node-table rows shown (from 1)
  std::vector<std::int32_t> LineSet;  // branch-table rows shown
  std::unique_ptr<TDataFile> NodeTable;          // "Узлы схемы"; null when not loaded
  std::unique_ptr<TDataFile> BranchTable;        // "Ветви схемы"
  std::unique_ptr<TDataFile> FlowTable;          // "Перетоки в линиях"
  std::unique_ptr<TDataFile> NodeEnergyTable;    // "Электропотребление в узлах"
  std::unique_ptr<TDataFile> BranchEnergyTable;  // "Перетоки электроэнергии"
  // The branch energies were changed with the scheme (their district numbers): saved in the scheme's run.
  bool BranchEnergyChanged = false;
  TNodeCols NodeCols;
  TBranchCols BranchCols;
  TLineFlowCols FlowCols;
  TNodeEnergyCols NodeEnergyCols;
  TBranchEnergyCols BranchEnergyCols;
  std::unique_ptr<TSchemeModel> Model;  // never null
  std::vector<std::string> AreaNumbers;  // "Районы схемы": Nr as decimal text
  std::vector<std::string> AreaNames;
  std::vector<std::int32_t> AreaColors;
  // Per-row lists: item i belongs to row i + 1.
  std::vector<std::int32_t> GivenFlowRow;      // per branch row: the row of FlowTable, 0 when none
  std::vector<std::uint8_t> NoSupplyNodes;     // filled by the regime engine (TRegime::NodeMarks)
  std::vector<std::uint8_t> NoSupplyBranches;  // (TRegime::BranchMarks)

  // ---- pixel metrics (ComputeMetrics)
  int PixXe = 0, PixYe = 0, PixXv = 0, PixdY = 0, PixdYsc = 0, PixdXsc = 0, PixYcom = 0, PixXcom = 0,
      PixYzam = 0, PixYlnk = 0, PixYmrk = 0, PixHalfYe = 0, PixFlowRow = 0;
  // ---- metric coefficients
  float KYe = 0, KXe = 0, KXv = 0, KdY = 0, KdYsc = 0, KdXsc = 0, KYcom = 0, KXcom = 0, KXzam = 0, KYzam = 0,
        KYlnk = 0, KYmrk = 0;
  int OriginX = 0, OriginY = 0;  // the model point drawn at the control's top left corner

  // ---- captions and display flags
  std::uint8_t FPaintNod = 0;  // TNodeCaptionMode
  std::uint8_t FTypFlow = 0;   // 0 power, 1 energy, 2 capacitive currents
  bool FlagNumES = false, FAddPrim = false;
  bool WrapCaptions = false;
  bool FOrdNames = false, FOrdLayer = false, FOptimLen = false, FShiftLR = false, FIntegral = false,
       FSection = false, FLinks = false, FSnomTr2 = false, FCommut = false, FSNR = false, FRealCommut = false,
       FTap = false, FMarkLn = false, FNumLn = false, FIdopLn = false, FLoadLn = false, FMarkTr = false,
       FNumTr = false, FSnomTr = false, FLoadTr = false, FMarkRt = false, FZYKtr = false, FAbon = false,
       FRayon = false, FlagU = false, FlagI = false, FlagP = false, FlagQ = false, FresPQ = false,
       FlagEERM = false, FCos = false, FlagDR = false, FOneFlow = false;
  bool Modified = false;
  int IPrec = 0, SPrec = 0, UPrec = 0;
  double IMul = 0, SMul = 0;
  // ---- click modes
  bool ComMode = false, HintMode = false, LoadMode = false, RXMode = false, MeterMode = false,
       AddLineMode = false;
  // ---- hint flags
  bool hNumNode = false, hNameNode = false, hVoltage = false, hPower = false, hEnergy = false,
       hNumsLine = false, hNameLine = false, hDSNumLine = false, hMarkLine = false, hBegFlow = false,
       hEndFlow = false, hRange = false;
  std::vector<std::string> ExpandedSubst;  // upper-case names of the substations shown expanded
  PSElem MarkedLine = nullptr;
  PSElem SelectedNode = nullptr;
  // ---- colouring
  std::int32_t tColors = 0, cBk = 0, cNod = 0, cLin = 0, tLin = 0, cBP = 0, cFM = 0, cNoSup = 0, cLoad = 0,
               cNet = 0, cAbn = 0, cNoHost = 0, cOther = 0;
  std::vector<float> vUn;          // voltage classes, kV
  std::vector<std::int32_t> cUn;   // colour of each class
  std::vector<std::int32_t> wLn;   // line width of each class
  bool fBP = false, fFM = false, fNoSup = false, fLoad = false;
  // The district base files as the scheme was formed from them or saved beside them; unknown when absent.
  TFileStamp DateRSL, DateRTP, DateR04, DateRSV;
  // The record beside the scheme of the base it was formed from (FormedFromBase), as read with the scheme
  // or written by its last save with the base; none for a scheme without one.
  std::optional<std::string> FormedBase;
  bool fMoveFlows = false, fFlowP = false, fFlowQ = false;
  int Delay = 24;  // interval of the flow animation timer, ms
  std::int32_t cFlowP = 0, cFlowQ = 0, wFlowP = 0, wFlowQ = 0;
  int PixHalfH = 0, PixQuarterH = 0;
  int FlowPhase = 0;
  std::vector<float> FlowP, FlowQ;  // per branch row (item i for row i + 1)
  std::string LockExtList;          // extensions of the scheme's files to lock
  // The locks this control's first change took (base path and extensions); saving removes only these.
  std::string LockedBase, LockedExtList;

  TFont Font;  // the caption font

  // ---- the control
  // Only records the mode; the widget enables its menu items.
  virtual void SetEditMode(bool on);
  // Pixel metrics from the font's height and the settings.
  void ComputeMetrics(const TFont& font);
  // Scroll ranges from the model size and the client size; the widget mirrors them on its bars.
  virtual void UpdateScrollRanges();

  // ---- settings in the program INI file
  void LoadViewConfig(const std::string& section, const std::string& colorSection);
  void SaveViewConfig(const std::string& section, const std::string& colorSection);

  // ---- the model
  // Builds the model of the node rows and branch rows given (both filtered and reordered in place);
  // the control's NodeSet and LineSet become the filtered sets. False after an error shown in the
  // message box (a branch between unlisted nodes, a reference to a node no element draws).
  bool BuildSchemeModel(std::vector<std::int32_t>& nodeSet, std::vector<std::int32_t>& lineSet,
                        TSchemeModel& model);
  void FreeSchemeModel(TSchemeModel& model);
  // Builds, lays out and sets the origin; a failed build leaves an empty model at 0, 0. True when the
  // model was built.
  bool BuildScheme(std::vector<std::int32_t> nodeSet, std::vector<std::int32_t> lineSet, int x, int y);
  void RelayoutScheme(int x, int y);
  bool RebuildScheme(int x, int y);
  void SetOrigin(int x, int y);
  // Runs the layout hook.
  void LayoutScheme(TCanvas& canvas, TSchemeModel& model);
  // Runs the painting hook.
  void Paint();
  // The switch-kind bits of one end from an upper-case mark: "-", "В", "Р", "Н", or a mark of the
  // loaded switching-device catalogue by its kind letter.
  void SetSwitchKindFlags(SElem& elem, std::string mark, bool ownEnd);
  // The rows of one substation: substNames the sorted group names of all node rows with nodeOrder
  // the row of each entry; ends1 and ends2 the N1 and N2 of all branch rows (item i for row i + 1).
  // Fills the substation's node rows and the rows of the branches inside it; True when the name is a
  // substation's (two rows or more, or one row named with a ".").
  bool CollectSubstation(const std::string& name, const std::vector<std::string>& substNames,
                         std::vector<std::int32_t>& branches, std::vector<std::int32_t>& nodes,
                         const std::vector<std::int32_t>& ends1, const std::vector<std::int32_t>& ends2,
                         const std::vector<std::int32_t>& nodeOrder);
  // The lists CollectSubstation takes, from the node and branch tables: the group names of all node
  // rows sorted as the table store sorts texts, the row of each, and the N1 and N2 of all branch rows.
  void CollectSubstationLists(std::vector<std::string>& substNames, std::vector<std::int32_t>& nodeOrder,
                              std::vector<std::int32_t>& ends1, std::vector<std::int32_t>& ends2) const;
  // The nested model of an expanded substation, laid out on canvas when built. The node table's Sign
  // and Name cells, FIntegral and the metrics are the same afterwards in every case.
  bool BuildSubstationModel(const std::string& substName, std::vector<std::int32_t> nodes, PSElem owner,
                            TCanvas& canvas, TSchemeModel& subModel, std::vector<std::int32_t> branches);

  // ---- caption texts
  std::string CaptionText(const SElem& elem) const;
  void WrapCaption(std::string& text, TCanvas& canvas, bool sectionMark, int& lines, int& width, int offset) const;
  std::string ImpedanceText(int row) const;
  std::string AdmittanceText(int row) const;
  std::string RatioText(int row) const;
  // The class voltage (× 100) of ClassVoltages nearest to u (× 100) by relative deviation. A negative
  // class (one left out of the voltage checks) counts by its magnitude; 0 is no class.
  int NearestNominalVoltage(int u) const;
};

// The winding number of a branch mark "kind|mark|winding"; 0 for an empty rest.
int WindingOf(std::string_view mark);

}  // namespace ld::diagram
