# GoogleTest from Debian's source package, built per toolchain, and a helper
# that declares one test program. Windows test programs run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR (a wrapper bound to this build tree's prefix).
include_guard(GLOBAL)

if(NOT KD_FUZZ AND NOT KD_BENCH)
  enable_testing()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)  # no test mocks; gtest alone builds faster
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(target gtest gtest_main)
    # The sanitizers watch our code; instrumenting GoogleTest itself tripled
    # its compile time, the longest of the native build.
    if(KD_SANITIZE)
      target_compile_options(${target} PRIVATE -fno-sanitize=all)
    endif()
    # Test code, as below.
    if(WIN32)
      target_compile_options(${target} PRIVATE -O1)
    endif()
  endforeach()
endif()

# The test programs' own code (not the product code they link) is optimised
# less: -O1 compiles it in two thirds of the time, and the speed of a test's
# own code is not what a test measures.
add_library(kd_test_code INTERFACE)
if(WIN32)
  target_compile_options(kd_test_code INTERFACE -O1)
endif()

if(WIN32)
  # One prefix per architecture, so that both test runs can go on at once,
  # each with its own Wine server, registry and desktop.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(KD_WINE_PREFIX "${CMAKE_BINARY_DIR}/../wineprefix")
  else()
    set(KD_WINE_PREFIX "${CMAKE_BINARY_DIR}/../wineprefix-win64")
  endif()
  get_filename_component(KD_WINE_PREFIX_ABS "${KD_WINE_PREFIX}" ABSOLUTE)
  set(KD_SOURCE_DIR ${CMAKE_SOURCE_DIR})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  set(KD_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
  # Every Windows test runs under Wine except those labelled "nowine", which
  # read the build's files; a host that cannot run this architecture runs
  # only those (scripts/test.sh).

  # windows.h and gtest.h parsed once for every Windows test program: they
  # are most of a test file's compile time. A program whose flags differ
  # from these only loses the saving: GCC then reads the headers as usual.
  add_library(kd_test_pch STATIC ${CMAKE_SOURCE_DIR}/cmake/test_pch.cpp)
  target_link_libraries(kd_test_pch PRIVATE GTest::gtest kd_warnings kd_test_code)
  target_precompile_headers(kd_test_pch PRIVATE <windows.h> <gtest/gtest.h> <filesystem> <functional> <string> <vector>)
endif()

# Where each GoogleTest run leaves its XML report, as the test program sees it.
set(KD_GTEST_RESULTS ${CMAKE_BINARY_DIR}/gtest-results)
if(WIN32)
  set(KD_GTEST_RESULTS "Z:${KD_GTEST_RESULTS}")  # the Windows program's view of the same folder
endif()

# kd_add_gtest(<name> SOURCES ... [LIBS ...] [PROPERTIES ...])
# One test program, run whole as one CTest test: its cases share one process,
# which saves a Wine start per case. PROPERTIES are set on the test
# (RESOURCE_LOCK display for programs that show windows, RUN_SERIAL,
# FIXTURES_REQUIRED ...). Every run leaves a GoogleTest XML report in
# <build>/gtest-results for the case count of the summary.
function(kd_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main kd_warnings kd_test_code)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  if(WIN32)
    target_precompile_headers(${name} REUSE_FROM kd_test_pch)
  endif()
  set(results ${KD_GTEST_RESULTS})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ${ARG_PROPERTIES})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "GTEST_OUTPUT=xml:${results}/${name}.xml")
endfunction()
