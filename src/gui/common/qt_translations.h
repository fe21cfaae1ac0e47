#pragma once
// Qt's own dialogs (file, print, colour, the standard buttons) speak Russian like the rest of the
// program: Qt's Russian catalogues are installed into the application at its creation.
#include <string>

namespace ld::gui {

// Loads Qt's Russian catalogues from Qt's translation folder (or a "translations" folder beside the
// executable) and installs them into the running application. False when none was found: the dialogs
// then keep Qt's English texts. Needs a QCoreApplication; a second call changes nothing.
bool LoadQtTranslations();

// The same, once the application exists: for main() before it hands over to the program.
void LoadQtTranslationsAtStart();

}  // namespace ld::gui
