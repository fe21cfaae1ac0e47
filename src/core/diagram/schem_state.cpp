#include "core/diagram/schem_state.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"

namespace ld::diagram {

bool CutMark = false;
std::int32_t PaintColor = 0;

namespace {

std::vector<double> ColumnValues(const TDataFile& table, const std::string& field) {
  std::vector<double> values;
  const TDynamicArray* column = GetColumnArray(field, table);
  if (column == nullptr) return values;
  values.reserve(static_cast<std::size_t>(table.RowCount));
  for (int i = 1; i <= table.RowCount; ++i) {
    switch (column->TypeLetter()) {
      case 'f': values.push_back(static_cast<const DAsingle&>(*column).Get(i)); break;
      case 'd': values.push_back(static_cast<const DAdouble&>(*column).Get(i)); break;
      case 'r': values.push_back(static_cast<const DAreal&>(*column).Get(i)); break;
      default: values.push_back(0); break;
    }
  }
  return values;
}

// Coefficients come from a file a person may edit: a metric stays within 0..100000 pixels.
int RoundMetric(int h, float k) {
  const double v = static_cast<double>(h) * static_cast<double>(k);
  return std::isnan(v) ? 0 : static_cast<int>(Round(std::clamp(v, 0.0, 100000.0)));
}

}  // namespace

TVoltageLimits ReadVoltageLimits(const std::string& file) {
  TDataFile table;
  ReadTableFile(file, table);
  TVoltageLimits limits;
  limits.Unom = ColumnValues(table, "Unom");
  limits.Down = ColumnValues(table, "dUm");
  limits.Up = ColumnValues(table, "dUp");
  limits.Stamp = table.FileDate;
  return limits;
}

TSchemBoxState::TSchemBoxState() : Model(std::make_unique<TSchemeModel>()) {
  CurModel = Model.get();
  WrapCaptions = true;
  const std::string devFile = FindFileNoCase(ProgramDir + NominalVoltageFileName);
  if (!ProgramDir.empty() && fileio::FileExists(devFile)) {
    // A damaged catalogue must not keep the window from opening: the diagram then shows no limits.
    try {
      TVoltageLimits limits = ReadVoltageLimits(devFile);
      DevDown = std::move(limits.Down);
      DevUp = std::move(limits.Up);
      DevFileStamp = limits.Stamp;
    } catch (const Error& e) {
      DevDown.clear();
      DevUp.clear();
      ShowMsgForm(e.what(), mkError, mbOk);
    }
  }
  Font.Name = "Tahoma";
  Font.Charset = 204;
  Font.SetSize(10);
  ComputeMetrics(Font);
}

TSchemBoxState::~TSchemBoxState() = default;

void TSchemBoxState::SetEditMode(bool on) { EditMode = on; }

void TSchemBoxState::ComputeMetrics(const TFont& font) {
  int h = font.Height == INT32_MIN ? INT32_MAX : std::abs(font.Height);
  h = std::min(h, 100000);
  PixYe = RoundMetric(h, KYe);
  if (h % 2 != 0) ++h;
  const bool wide = FIntegral && !FSection && FPaintNod == ncmName;
  const bool results = FlagP || FlagQ || FlagI || FCos || FIdopLn || FSnomTr2 || FLoadLn || FLoadTr;
  PixXe = (results || (FlagU && wide) || (FLinks && wide)) ? RoundMetric(h, KXzam) : RoundMetric(h, KXe);
  PixHalfYe = PixYe / 2;
  PixXv = RoundMetric(h, KXv);
  PixdY = RoundMetric(h, KdY);
  PixdYsc = FlagU ? RoundMetric(h, KYzam) : RoundMetric(h, KdYsc);
  PixdXsc = RoundMetric(h, KdXsc);
  PixYcom = RoundMetric(h, KYcom);
  PixXcom = RoundMetric(h, KXcom);
  PixYzam = RoundMetric(h, KYzam);
  PixYlnk = RoundMetric(h, KYlnk);
  PixYmrk = RoundMetric(h, KYmrk);
  const bool doubleRow = (FIdopLn && FLoadLn) || (FSnomTr2 && FLoadTr);
  const bool oneRow = FIdopLn || FLoadLn || FSnomTr2 || FLoadTr;
  if (doubleRow && FTypFlow == 0)
    PixFlowRow = 2 * PixYzam;
  else if (oneRow && FTypFlow == 0)
    PixFlowRow = PixYzam;
  else
    PixFlowRow = PixHalfYe;
  PixHalfH = h / 2;
  PixQuarterH = h / 4;
}

void TSchemBoxState::UpdateScrollRanges() {
  const int modelWidth = Model ? Model->Width : 0;
  const int modelHeight = Model ? Model->Height : 0;
  if (HScrollBar) {
    HScrollBar->Max = modelWidth > ClientWidth ? modelWidth - ClientWidth : 0;
    HScrollBar->LargeChange = ClientWidth / 2;
    HScrollBar->SmallChange = ClientWidth / 10;
  }
  if (VScrollBar) {
    VScrollBar->Max = modelHeight > ClientHeight ? modelHeight - ClientHeight : 0;
    VScrollBar->LargeChange = ClientHeight / 2;
    VScrollBar->SmallChange = ClientHeight / 10;
  }
}

bool TSchemBoxState::BuildScheme(std::vector<std::int32_t> nodeSet, std::vector<std::int32_t> lineSet, int x,
                                 int y) {
  if (!BuildSchemeModel(nodeSet, lineSet, *Model)) {
    FreeSchemeModel(*Model);
    SetOrigin(0, 0);
    return false;
  }
  if (Canvas != nullptr) LayoutScheme(*Canvas, *Model);
  SetOrigin(x, y);
  return true;
}

void TSchemBoxState::RelayoutScheme(int x, int y) {
  if (Canvas != nullptr) LayoutScheme(*Canvas, *Model);
  SetOrigin(x, y);
}

bool TSchemBoxState::RebuildScheme(int x, int y) { return BuildScheme(NodeSet, LineSet, x, y); }

void TSchemBoxState::SetOrigin(int x, int y) {
  OriginX = x;
  OriginY = y;
  UpdateScrollRanges();
  if (HScrollBar) HScrollBar->Position = x;
  if (VScrollBar) VScrollBar->Position = y;
  CurModel = Model.get();
  Paint();
}

void TSchemBoxState::LayoutScheme(TCanvas& canvas, TSchemeModel& model) {
  if (LayoutHook) LayoutHook(canvas, model);
}

void TSchemBoxState::Paint() {
  if (PaintHook) PaintHook();
}

void TSchemBoxState::FreeSchemeModel(TSchemeModel& model) {
  model.Clear();
  SelectedNode = nullptr;
  MarkedLine = nullptr;
  // The registries of the last picture point at the freed elements: until the next picture nothing
  // is there to hit, switch or animate.
  ComHitX.clear(), ComHitY.clear(), ComHitXId.clear(), ComHitYId.clear(), ComHitBegin.clear(), ComHitElem.clear();
  LineHitX1.clear(), LineHitX2.clear(), LineHitYMid.clear(), LineHitY1.clear(), LineHitY2.clear();
  LineHitStraight.clear(), LineHitElem.clear();
  SubstHitElem.clear();
}

}  // namespace ld::diagram
