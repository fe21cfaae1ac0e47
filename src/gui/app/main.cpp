#include "gui/app/program.h"
#include "gui/common/qt_translations.h"

int main(int argc, char** argv) {
  ld::gui::LoadQtTranslationsAtStart();
  return ld::gui::RunProgram(argc, argv);
}
