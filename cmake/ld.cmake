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

# ld_library(<name>): a static library of every .cpp/.h file of the calling folder.
# Includes are written from src/ ("core/tables/table_file.h").
function(ld_library name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
endfunction()

# ld_test(<name> LIBS <libs...> [GUI]): one GoogleTest program of every .cpp file of the calling folder.
# Core tests run with the scripted message box; GUI tests also get a QApplication on the offscreen platform.
function(ld_test name)
  cmake_parse_arguments(T "GUI" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
  if(T_GUI)
    target_link_libraries(${name} PRIVATE ${T_LIBS} test_support_gui GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gmock)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(env "LD_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
          "QT_QPA_PLATFORM=offscreen" "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  if(T_GUI)
    # Qt and fontconfig keep caches for the life of the process; only the core is checked for leaks.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# ld_bench(<name> LIBS <libs...>): one Google Benchmark program of every .cpp file of the calling folder.
function(ld_bench name)
  cmake_parse_arguments(B "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  # bench_main.cpp ends the program with status 1 when a benchmark fails (a bound it names passed)
  add_executable(${name} ${sources} "${CMAKE_SOURCE_DIR}/bench/bench_main.cpp")
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/bench")
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
