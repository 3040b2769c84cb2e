# Helpers shared by the CMake files of the tree.

# qrv_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [XVFB])
# Builds one GoogleTest executable and registers each of its tests with CTest.
function(qrv_add_test name)
  cmake_parse_arguments(ARG "XVFB" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qrv_testsupport GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  # The discovered tests' properties are passed on as a flat list: keep several labels as one value.
  string(REPLACE ";" "\\;" labels "${ARG_LABELS}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${labels}" TIMEOUT 600)
endfunction()
