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
  # A program with window tests runs once more with no display named: its window tests skip there,
  # and nothing a skipped test left undone (a fixture's set-up) may fail it.
  if("qrv_testsupport_toolkit" IN_LIST ARG_LIBS)
    add_test(NAME ${name}.PassesWithoutADisplay
             COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY $<TARGET_FILE:${name}>)
    set_tests_properties(${name}.PassesWithoutADisplay PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 600)
  endif()
endfunction()

# qrv_tests_alone(<target> [REAL_INPUT <tests...>] [SCREEN <tests...>])
# Window tests of <target> that must have the display to themselves: ctest runs each of them with
# no other test beside it. REAL_INPUT: it moves the real pointer or presses real keys, which would
# land in whatever window lies at that point, another test's too; it is told so, and
# qrvtest::RealInput fails any test that makes real input without being listed here. SCREEN: it
# reads the screen back or watches its window's paints, which another test's window would spoil.
# The names are those ctest knows after discovery; ctest stops at a name it does not know.
function(qrv_tests_alone target)
  cmake_parse_arguments(ARG "" "" "REAL_INPUT;SCREEN" ${ARGN})
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_alone.cmake)
  set(content "# Made by qrv_tests_alone: read by ctest after the discovered tests of ${target}.\n")
  if(ARG_REAL_INPUT)
    string(JOIN " " names ${ARG_REAL_INPUT})
    string(APPEND content "set_tests_properties(${names} PROPERTIES RUN_SERIAL TRUE ENVIRONMENT QRV_REAL_INPUT=1)\n")
  endif()
  if(ARG_SCREEN)
    string(JOIN " " names ${ARG_SCREEN})
    string(APPEND content "set_tests_properties(${names} PROPERTIES RUN_SERIAL TRUE)\n")
  endif()
  file(GENERATE OUTPUT ${file} CONTENT "${content}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()

# Real input goes through qrvtest::RealInput alone, so that no test can make it unregistered:
# stops the configuration at a test source that reaches the simulator or the display's test
# extension itself.
function(qrv_check_real_input_sources dir)
  file(GLOB_RECURSE sources ${dir}/*.cpp ${dir}/*.h)
  foreach(source IN LISTS sources)
    if(source MATCHES "/support/RealInput\\.(cpp|h)$")
      continue()
    endif()
    file(STRINGS ${source} lines REGEX "wxUIActionSimulator|XTestFake")
    if(lines)
      message(FATAL_ERROR "${source} makes real input itself: use qrvtest::RealInput "
                          "(tests/support/RealInput.h) and list the test with qrv_tests_alone")
    endif()
  endforeach()
endfunction()
