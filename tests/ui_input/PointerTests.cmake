# Read by ctest after the discovered tests: the tests that move the real pointer run alone, since
# another test's window opening over theirs, or its own simulated input, would take their clicks.
set_tests_properties(ListClickTest.EntryThatMovedOntoTheSelectedPlaceIsReported PROPERTIES RUN_SERIAL TRUE)
# Reads the screen: another test's window lying over the tree would be read instead.
set_tests_properties(MarkedSelectionLookTest.SelectedMarkedEntryStaysGrey PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(RightClickFocusTest.RightClickOnAnEntryTakesTheKeyboard PROPERTIES RUN_SERIAL TRUE)
# They click the real pointer in the middle of a search.
set_tests_properties(BusyInputTest.AClickOnStartDuringTheSearchStartsNoSecondSearch PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(BusyInputTest.AClickOnStartDuringTheTreeFillStartsNoSecondSearch PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(BusyInputTest.TheReleaseOfAPressMadeBeforeTheWorkStays PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(BusyInputTest.APressDroppedInOneBusyPeriodCostsNoLaterClickItsRelease PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(BusyInputTest.AClickMadeBeforeTheWorkBeganStaysForAfterIt PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(RightClickFocusTest.AfterAClickOnStartTheTreeHasTheKeyboard PROPERTIES RUN_SERIAL TRUE)
