#pragma once
// The program's start: settings, the user list editor or the login, the six windows and the message
// loop; the settings are written back on every way out.
#include <QStringList>
#include <string>

namespace ld::gui {

// Everything derived from the executable's path: the program folder, the INI file, the layout file
// and the user-file stem.
void SetStartPaths(const std::string& exePath);

// Runs the program as its command line asks; returns the process exit code.
int RunProgram(int& argc, char** argv);

// The program once the application object exists and the start paths are set: reads the settings,
// runs the user list editor (first argument "/UserPassword") or the login when it is switched on,
// then the windows and the message loop; writes the settings on every way out. args[0] is the program.
int RunStartedProgram(const QStringList& args);

}  // namespace ld::gui
