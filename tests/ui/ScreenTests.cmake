# Read by ctest after the discovered tests: the tests that read pixels back from the screen run
# alone, since another test's window opening over theirs would be what they see.
set_tests_properties(UiFixture.ScreenshotOfTheMainWindow PROPERTIES RUN_SERIAL TRUE)
# Clicks and types for real: another test's window could take the input.
set_tests_properties(ActiveViewTest.ARealClickAndARealTabMoveTheActiveView PROPERTIES RUN_SERIAL TRUE)
