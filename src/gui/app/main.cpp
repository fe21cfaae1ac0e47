#include "gui/app/program.h"

int main(int argc, char** argv) { return ld::gui::RunProgram(argc, argv); }
