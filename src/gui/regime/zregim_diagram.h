#pragma once
// The regime window's diagram link over the diagram control SchBox: what the window's guard, save,
// calculation and configuration commands ask of "the diagram" goes to the control's own state.
#include "gui/diagram/sch_box.h"
#include "gui/regime/diagram_link.h"

namespace ld::gui {

class TSchemBoxLink : public TDiagramLink {
public:
  explicit TSchemBoxLink(TSchemBox& box) : box_(box) {}

  bool Attached() const override { return true; }
  void LoadScheme(const std::string& basePath) override;
  bool SaveScheme(bool ask, bool checkBase, int& answer) override;
  void RebuildScheme() override;
  void FreeSchemeModel() override;
  void SetEditMode(bool on) override { box_.SetEditMode(on); }
  bool Modified() const override { return box_.Modified; }
  void Repaint() override { box_.Paint(); }
  void TakeRewrittenStamp(const std::string& file, const TFileStamp& read, const TFileStamp& written) override;
  std::uint8_t CaptionMode() const override { return box_.FPaintNod; }
  std::vector<std::uint8_t>* NodeMarks() override { return &box_.NoSupplyNodes; }
  std::vector<std::uint8_t>* BranchMarks() override { return &box_.NoSupplyBranches; }
  void LoadViewConfig(const std::string& section, const std::string& colorSection) override {
    box_.LoadViewConfig(section, colorSection);
  }
  void SaveViewConfig(const std::string& section, const std::string& colorSection) override {
    box_.SaveViewConfig(section, colorSection);
  }
  QColor BackgroundColor() const override;
  void SetDistricts(const std::vector<int>& numbers, const std::vector<std::string>& names,
                    const std::vector<std::int32_t>& colors) override;

private:
  TSchemBox& box_;
};

}  // namespace ld::gui
