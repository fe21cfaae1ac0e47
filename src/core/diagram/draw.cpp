#include "core/diagram/draw.h"

#include <memory>

#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/diagram/draw_pass.h"
#include "core/diagram/schem_state.h"
#include "core/engine/results.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"

namespace ld::diagram {

namespace {

// FlagDR and the canvas font as the caller had them, put back however the pass ends.
class TPassScope {
public:
  TPassScope(TSchemBoxState& box, TCanvas* canvas)
      : box_(box), canvas_(canvas), flagDR_(box.FlagDR), font_(canvas ? canvas->Font : TFont{}) {}
  ~TPassScope() {
    box_.FlagDR = flagDR_;
    if (canvas_ != nullptr) canvas_->Font.Height = font_.Height;
  }
  TPassScope(const TPassScope&) = delete;
  TPassScope& operator=(const TPassScope&) = delete;

private:
  TSchemBoxState& box_;
  TCanvas* canvas_;
  bool flagDR_;
  TFont font_;
};

std::vector<double> Column(const std::string& file, const char* name) {
  std::vector<double> values;
  const std::unique_ptr<TDynamicArray> column = ReadColumnFromFile(file, name);
  if (column == nullptr) return values;
  for (int row = 1; row <= column->Count; ++row) values.push_back(NumericCell(column.get(), row));
  return values;
}

}  // namespace

TSchemePainter::TSchemePainter(TSchemBoxState& box) : box_(box) {}

void TSchemePainter::RefreshVoltageLimits() {
  if (ProgramDir.empty()) return;
  const std::string file = FindFileNoCase(ProgramDir + NominalVoltageFileName);
  if (!fileio::FileExists(file)) return;
  const double date = fileio::FileDateOf(file);
  if (date <= box_.DevFileDate && devUnomDate_ == box_.DevFileDate) return;
  if (date == failedDate_) return;
  // A damaged catalogue keeps the limits read before: a painting must not stop at a message box, and
  // the control reported the file when it was created.
  try {
    std::vector<double> unom = Column(file, "Unom");
    std::vector<double> down = Column(file, "dUm");
    std::vector<double> up = Column(file, "dUp");
    // Limits without their voltages, or columns of different lengths, belong to no row for sure.
    if (unom.empty() || down.size() != unom.size() || up.size() != unom.size()) {
      failedDate_ = date;
      return;
    }
    box_.DevDown = std::move(down);
    box_.DevUp = std::move(up);
    devUnom_ = std::move(unom);
    box_.DevFileDate = date;
    devUnomDate_ = date;
  } catch (const Error&) {
    failedDate_ = date;  // read again only when the file changes
  }
}

bool TSchemePainter::DrawScheme(TCanvas* canvas, bool colour, bool clip, bool printing, int x0, int y0,
                                int clipWidth, int clipHeight) {
  TPassScope scope(box_, canvas);
  if (box_.FlagU) RefreshVoltageLimits();
  if (box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos || box_.FIdopLn || box_.FLoadLn || box_.FLoadTr)
    box_.FlagDR = true;
  if (box_.CurModel == nullptr || box_.CurModel->First == nullptr) return false;
  TDrawPass pass(*this, box_, canvas, colour, clip, printing, x0, y0, clipWidth, clipHeight,
                 devUnomDate_ == box_.DevFileDate ? &devUnom_ : nullptr);
  return pass.Run();
}

bool TSchemePainter::Paint(TCanvas& canvas) {
  box_.ComputeMetrics(canvas.Font);
  return DrawScheme(&canvas, true, true, false, box_.PixXe, box_.PixYe, box_.ClientWidth, box_.ClientHeight);
}

void InstallPainting(TSchemBoxState& box) {
  auto painter = std::make_shared<TSchemePainter>(box);
  box.PaintHook = [&box, painter] {
    if (box.Canvas != nullptr) painter->Paint(*box.Canvas);
  };
}

}  // namespace ld::diagram
