# Read by ctest after the discovered tests: a test that watches every paint of the real main window
# runs alone, since another test's window opening over it on the shared display makes paints of its
# own at any moment.
set_tests_properties(ViewsFixture.WhileAnotherFormIsBuiltThePaneKeepsShowingTheFormBefore PROPERTIES RUN_SERIAL TRUE)
