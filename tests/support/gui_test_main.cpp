#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <cstdlib>

#include "gui/common/modal.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  // A modal dialog that a test did not script fails the test instead of waiting for a person.
  ld::gui::SetModalHandler([](QDialog& dialog) {
    ADD_FAILURE() << "unscripted modal dialog: " << dialog.windowTitle().toStdString();
    return 0;
  });
  return RUN_ALL_TESTS();
}
