# GoogleTest for a MinGW build: Debian ships its sources, not a library for
# Windows, so it is built here beside our tests.
set(zvk_gtest_source /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${zvk_gtest_source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# (gtest's own CMake file names its targets GTest::gtest and GTest::gtest_main.)
