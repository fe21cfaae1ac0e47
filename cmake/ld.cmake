# Helpers shared by every library and test folder.

function(ld_add_subdirs parent)
  file(GLOB children LIST_DIRECTORIES true "${CMAKE_SOURCE_DIR}/${parent}/*")
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
      add_subdirectory("${child}")
    endif()
  endforeach()
endfunction()

# Headers that most files include, parsed once per library or program (a precompiled header)
# instead of once per file when LD_PCH is on: the standard ones, the widgets, the test frameworks.
set(LD_PCH_STD <algorithm> <filesystem> <functional> <map> <memory> <string> <vector>)
set(LD_PCH_QT <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QFileDialog> <QFontMetrics>
              <QGridLayout> <QGroupBox> <QHBoxLayout> <QKeyEvent> <QLabel> <QLineEdit> <QListWidget> <QMenu>
              <QPainter> <QPlainTextEdit> <QProgressBar> <QPushButton> <QRadioButton> <QScrollBar> <QString>
              <QTextEdit> <QToolButton> <QVBoxLayout> <QWidget>)
set(LD_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)

# Targets of one kind (core or GUI library, core or GUI test program) are compiled with the same options,
# so one precompiled header serves each kind, built by a target of its own that depends on nothing of
# the project: a precompiled header of the widgets weighs some 200 MB, and one a target would fill the
# disk of a small build machine.
function(ld_precompile name kind)
  if(NOT LD_PCH)
    return()
  endif()
  set(owner ld_pch_${kind})
  if(NOT TARGET ${owner})
    add_library(${owner} OBJECT "${CMAKE_SOURCE_DIR}/cmake/pch_owner.cpp")
    set_target_properties(${owner} PROPERTIES AUTOMOC OFF)
    if(kind MATCHES "^gui")
      target_link_libraries(${owner} PRIVATE Qt6::Widgets)
    endif()
    if(kind MATCHES "test$")
      target_link_libraries(${owner} PRIVATE GTest::gtest GTest::gmock)
      ld_driver_options(${owner})
    endif()
    target_precompile_headers(${owner} PRIVATE ${ARGN})
  endif()
  target_precompile_headers(${name} REUSE_FROM ${owner})
endfunction()

# ld_library(<name> [GUI]): a static library of every .cpp/.h file of the calling folder.
# Includes are written from src/ ("core/tables/table_file.h"); a GUI library is built on the Qt widgets.
function(ld_library name)
  cmake_parse_arguments(L "GUI" "" "" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  if(L_GUI)
    target_link_libraries(${name} PUBLIC Qt6::Widgets)
    ld_precompile(${name} gui_lib ${LD_PCH_STD} ${LD_PCH_QT})
  else()
    ld_precompile(${name} core_lib ${LD_PCH_STD})
  endif()
endfunction()

# The files of test and benchmark programs drive the code under test: in the sanitizer build they are
# checked for address faults only, while the libraries they run keep every check (the undefined
# behaviour checks of the frameworks' macros would make the build half as long again).
function(ld_driver_options name)
  if(LD_SANITIZE)
    target_compile_options(${name} PRIVATE -fno-sanitize=undefined,float-cast-overflow)
  endif()
endfunction()

# ld_test(<name> [GUI] [SHARDS <n>] LIBS <libs...>): one GoogleTest program of every .cpp file of the calling
# folder. Core tests run with the scripted message box; GUI tests also get a QApplication on the offscreen
# platform. SHARDS runs it as n tests of the test command, each with its share of the program's tests
# (GoogleTest's sharding, which deals the tests out in turn), so that a program of long tests ends well
# within each test's time on a machine of two cores that other builds and a busy disk keep busy: each shard
# takes at most about a minute of CPU in the sanitizer build. A test that would take more than a third of
# that runs its table of cases in parts, a test of each part (TEST_P over the part's index), which the
# dealing spreads over the shards.
function(ld_test name)
  cmake_parse_arguments(T "GUI" "SHARDS" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
  ld_driver_options(${name})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE ${T_LIBS} test_support_gui GTest::gtest GTest::gmock)
    # <QTest> stays out: it reads QT_TESTCASE_BUILDDIR, which differs from program to program.
    ld_precompile(${name} gui_test ${LD_PCH_TEST} ${LD_PCH_STD} ${LD_PCH_QT})
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gmock)
    ld_precompile(${name} core_test ${LD_PCH_TEST} ${LD_PCH_STD})
  endif()
  set(env "LD_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
          "QT_QPA_PLATFORM=offscreen" "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  if(T_GUI)
    # Qt and fontconfig keep caches for the life of the process; only the core is checked for leaks.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
  endif()
  if(NOT T_SHARDS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
    return()
  endif()
  math(EXPR last "${T_SHARDS} - 1")
  foreach(shard RANGE ${last})
    add_test(NAME ${name}_${shard} COMMAND ${name})
    set_tests_properties(${name}_${shard} PROPERTIES TIMEOUT 600 ENVIRONMENT
                         "${env};GTEST_TOTAL_SHARDS=${T_SHARDS};GTEST_SHARD_INDEX=${shard}")
  endforeach()
endfunction()

# ld_bench(<name> LIBS <libs...>): one Google Benchmark program of every .cpp file of the calling folder.
function(ld_bench name)
  cmake_parse_arguments(B "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  # bench_main.cpp ends the program with status 1 when a benchmark fails (a bound it names passed)
  add_executable(${name} ${sources} "${CMAKE_SOURCE_DIR}/bench/bench_main.cpp")
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/bench")
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  # bench_main.cpp sees every benchmark as it is registered, to run each briefly with "--quick"
  target_link_options(${name} PRIVATE
                      "LINKER:--wrap=_ZN9benchmark8internal25RegisterBenchmarkInternalEPNS0_9BenchmarkE")
  ld_driver_options(${name})
  # The test of a benchmark program runs each of its benchmarks for two iterations of its loop, so that
  # one that no longer runs, or no longer runs over what its own first pass left, fails the test command
  # (scripts/test.sh, on the release build of the benchmarks).
  add_test(NAME ${name} COMMAND ${name} --quick)
  set_tests_properties(${name} PROPERTIES LABELS bench TIMEOUT 600 ENVIRONMENT
                       "LD_SOURCE_DIR=${CMAKE_SOURCE_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()
