#pragma once
// The branches of a node or substation as a check list: a checked branch is shown on the diagram.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "core/diagram/node_links.h"

class QListWidget;

namespace ld::gui {

class TLayerFrm : public QDialog {
  Q_OBJECT

public:
  TLayerFrm(const std::string& caption, std::vector<TNodeLinkItem>& items, QWidget* parent = nullptr);
  // The items take the check marks of the list.
  void Store();

private:
  std::vector<TNodeLinkItem>& items_;
  QListWidget* LnkList;
};

// Marks the engine's branch elements of ShownBranches, lists the branches of the node (or, grouped by
// name, of the substation) NodeText and, when confirmed, marks the checked ones and unmarks the others.
// False without showing anything when there is no branch to list, and when cancelled.
bool ExecuteSelectNodeLinks(TRegime& Engine, const std::string& NodeText, const DAString& NodeNames, bool Sections,
                            bool GroupByName, const std::vector<std::int32_t>& ShownBranches);

}  // namespace ld::gui
