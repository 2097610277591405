# GoogleTest from Debian's source package, built per toolchain, and a helper
# that declares one test program. Windows test programs run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR (a wrapper bound to this build tree's prefix).
include_guard(GLOBAL)

if(NOT KD_FUZZ AND NOT KD_BENCH)
  enable_testing()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endif()

if(WIN32)
  set(KD_WINE_PREFIX "${CMAKE_BINARY_DIR}/../wineprefix" CACHE PATH "Wine prefix the tests run in")
  get_filename_component(KD_WINE_PREFIX_ABS "${KD_WINE_PREFIX}" ABSOLUTE)
  set(KD_SOURCE_DIR ${CMAKE_SOURCE_DIR})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  set(KD_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
endif()

# kd_add_gtest(<name> SOURCES ... [LIBS ...] [PROPERTIES ...])
# One test program; every TEST becomes its own CTest test. PROPERTIES are set on
# each discovered test (for instance RESOURCE_LOCK registry, FIXTURES_REQUIRED ...).
function(kd_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main kd_warnings)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  set(props TIMEOUT 120)
  if(ARG_PROPERTIES)
    list(APPEND props ${ARG_PROPERTIES})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES ${props})
endfunction()
