#include "gui/regime/zregim_diagram.h"

#include <QGridLayout>
#include <QScrollBar>

#include "core/diagram/scheme_files.h"
#include "gui/grid/tcolor.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TSchemBoxLink::LoadScheme(const std::string& basePath) { diagram::LoadScheme(box_, basePath); }

bool TSchemBoxLink::SaveScheme(bool ask, bool checkBase, int& answer) {
  return diagram::SaveScheme(box_, ask, checkBase, answer);
}

void TSchemBoxLink::RebuildScheme() { box_.RebuildScheme(box_.OriginX, box_.OriginY); }

void TSchemBoxLink::FreeSchemeModel() {
  box_.FreeSchemeModel(*box_.Model);
  box_.NodeSet.clear();
  box_.LineSet.clear();
  box_.ExpandedSubst.clear();
  box_.SetOrigin(0, 0);
  box_.Paint();
}

void TSchemBoxLink::TakeRewrittenStamp(const std::string& file, const TFileStamp& read, const TFileStamp& written) {
  diagram::TakeRewrittenStamp(box_, file, read, written);
}

QColor TSchemBoxLink::BackgroundColor() const { return ToQColor(static_cast<TColor>(box_.cBk)); }

void TSchemBoxLink::SetDistricts(const std::vector<int>& numbers, const std::vector<std::string>& names,
                                 const std::vector<std::int32_t>& colors) {
  box_.AreaNumbers.clear();
  for (const int nr : numbers) box_.AreaNumbers.push_back(std::to_string(nr));
  box_.AreaNames = names;
  // The colours go by position with the numbers: kept apart, a row added or removed would colour
  // every later district with its neighbour's colour.
  box_.AreaColors = colors;
  box_.Paint();
}

void TZregimForm::InstallDiagram() {
  auto* grid = new QGridLayout(SchPanel2);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  SchBox = new TSchemBox(SchPanel2);
  SchBox->setObjectName("SchBox");
  auto* vBar = new QScrollBar(Qt::Vertical, SchPanel2);
  vBar->setObjectName("VScrollBar");
  auto* hBar = new QScrollBar(Qt::Horizontal, SchPanel2);
  hBar->setObjectName("HScrollBar");
  grid->addWidget(SchBox, 0, 0);
  grid->addWidget(vBar, 0, 1);
  grid->addWidget(hBar, 1, 0);
  SchBox->SetVScrollBar(vBar);
  SchBox->SetHScrollBar(hBar);
  SetDiagramLink(std::make_unique<TSchemBoxLink>(*SchBox));

  SchBox->OnGetNode = [this](const std::string& node) { SchBoxGetNode(node); };
  SchBox->OnChangeLine = [this](const std::string& base, TDataFile* branches, int row, const TRecSwt* before) {
    return SchBoxChangeLine(base, branches, row, before);
  };
  SchBox->OnExtNodeMenuItem = [this](QAction* item) { Run([this, item] { TreeBtnClick(item); }); };
  SchBox->OnExtLineMenuItem = [this](QAction* item) { Run([this, item] { TreeBtnClick(item); }); };
  BuildSchPanel();
  Bind(ReconfigItem, [this] { ReconfigItemClick(); });
  Bind(TestSwtItem, [this] { TestSwtItemClick(); });
}

}  // namespace ld::gui
