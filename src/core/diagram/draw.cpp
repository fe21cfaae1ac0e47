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

}  // namespace

TSchemePainter::TSchemePainter(TSchemBoxState& box) : box_(box) {}

void TSchemePainter::RefreshVoltageLimits() {
  if (ProgramDir.empty()) return;
  const std::string file = FindFileNoCase(ProgramDir + NominalVoltageFileName);
  if (!fileio::FileExists(file)) return;
  // A catalogue saved again within the tick of its read keeps the date: the stamp tells it.
  if (devUnomStamp_ == box_.DevFileStamp && FileIsAsStamped(file, box_.DevFileStamp)) return;
  if (FileIsAsStamped(file, failedStamp_)) return;
  // A damaged catalogue keeps the limits read before: a painting must not stop at a message box, and
  // the control reported the file when it was created.
  try {
    TVoltageLimits limits = ReadVoltageLimits(file);
    // Limits without their voltages, or columns of different lengths, belong to no row for sure.
    if (limits.Unom.empty() || limits.Down.size() != limits.Unom.size() || limits.Up.size() != limits.Unom.size()) {
      failedStamp_ = limits.Stamp;
      return;
    }
    box_.DevDown = std::move(limits.Down);
    box_.DevUp = std::move(limits.Up);
    devUnom_ = std::move(limits.Unom);
    box_.DevFileStamp = devUnomStamp_ = limits.Stamp;
  } catch (const Error&) {
    failedStamp_ = FileStampOf(file);  // read again only when the file changes
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
                 devUnomStamp_ == box_.DevFileStamp && devUnomStamp_.Known() ? &devUnom_ : nullptr);
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
