#include <gtest/gtest.h>

#include <clocale>

// The sanitizer keeps freed memory aside for a while to catch its use after the free. A test that forks
// child processes (killed writers, other programs on one folder) has each child copy, page by page, the
// part of that memory it recycles; a smaller reserve keeps the cost of a child to the work it does, and
// still catches a use of anything freed in the last megabytes. ASAN_OPTIONS overrides it.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

int main(int argc, char** argv) {
  // The program takes the C library's locale from the environment (the Qt application does so at its
  // start), so its users' decimal comma reaches every printf and strtod; the core tests run under it too.
  std::setlocale(LC_ALL, "");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
