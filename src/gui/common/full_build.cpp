#include "gui/common/full_build.h"

namespace ld::gui {

namespace {
bool showAll = false;
}

bool ShowAllCommands() { return showAll; }

void SetShowAllCommands(bool on) { showAll = on; }

bool HasShowAllSwitch(const QStringList& args) {
  for (qsizetype i = 1; i < args.size(); ++i)
    if (args[i].compare("/ALL", Qt::CaseInsensitive) == 0) return true;
  return false;
}

}  // namespace ld::gui
