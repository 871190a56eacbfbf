# GoogleTest, built from Debian's sources with this tree's compiler (the
# mingw-w64 posix thread model in the Windows tests tree, clang with the
# sanitizers natively), and CMake's gtest_discover_tests.
include(GoogleTest)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(KITSETUP_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${KITSETUP_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
