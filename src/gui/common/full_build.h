#pragma once
// The program keeps some finished commands hidden in its windows. "/ALL" on the command line (any
// letter case) shows every one of them; each window asks here while it builds its menus.
#include <QStringList>

namespace ld::gui {

bool ShowAllCommands();
void SetShowAllCommands(bool on);
// True when one of the program's arguments (the first is the executable) is "/ALL".
bool HasShowAllSwitch(const QStringList& args);

}  // namespace ld::gui
