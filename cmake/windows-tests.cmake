# Test support for the Windows cross build, included by tests/CMakeLists.txt
# in place of find_package(GTest).
#
# The build machine has no GoogleTest built for Windows, so it is built here
# from its sources (Debian's googletest package puts them in
# /usr/src/googletest). Test programs run under the emulator set by the
# toolchain file (Wine); the first test creates Wine's prefix so that the
# others do not each wait for it.

set(DROVENNA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
  "GoogleTest sources, built for the cross build's tests")
if(NOT EXISTS ${DROVENNA_GOOGLETEST_SOURCE}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${DROVENNA_GOOGLETEST_SOURCE} "
    "(install Debian's googletest package or set DROVENNA_GOOGLETEST_SOURCE)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)

# GoogleTest brings its own warning flags; ours (-Wconversion ...) are for
# our code. A subdirectory takes its compile options from this directory when
# it is added, so hide ours meanwhile.
get_directory_property(drovenna_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${DROVENNA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${drovenna_saved_options}")

if(CMAKE_CROSSCOMPILING_EMULATOR)
  # Creates (or refreshes) the prefix: about 20 s the first time.
  add_test(NAME wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 600)
else()
  message(WARNING "Wine not found: the Windows test programs are built but cannot run here")
endif()
