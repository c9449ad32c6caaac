# Test set-up shared by every test folder: GoogleTest, and on the Windows build
# a throwaway Wine prefix inside the build tree that every test runs in.

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Debian ships the GoogleTest sources; build them with the cross compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(TV_GTEST_LIBS gtest gtest_main)

  set(TV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  get_filename_component(TV_WINE_DIR ${WINE64_PROGRAM} DIRECTORY)
  set(TV_TEST_ENV "WINEPREFIX=${TV_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  add_test(NAME wine_prefix_setup
           COMMAND ${CMAKE_COMMAND} -E env ${TV_TEST_ENV} ${WINE64_PROGRAM} wineboot -i)
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wineprefix ENVIRONMENT "${TV_TEST_ENV}")
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(TV_GTEST_LIBS GTest::gtest GTest::gtest_main)
  set(TV_TEST_ENV "")
endif()

# tv_add_test(NAME SOURCES a.cpp b.cpp LIBS tv_x tv_y)
# One GoogleTest program per module. Natively each case is its own ctest test;
# under Wine the whole program is one test, since every start pays for Wine.
function(tv_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${TV_GTEST_LIBS} tv_warnings)
  # Tests see the headers of what they link (the include roots of src/) and tests/.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE TV_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(CMAKE_CROSSCOMPILING AND WIN32)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix
                         ENVIRONMENT "${TV_TEST_ENV}" TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
  endif()
endfunction()
