#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
  // The program takes the C library's locale from the environment (the Qt application does so at its
  // start), so its users' decimal comma reaches every printf and strtod; the core tests run under it too.
  std::setlocale(LC_ALL, "");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
