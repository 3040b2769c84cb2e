# Read by ctest after the discovered tests: the tests that move the real pointer run alone, since
# another test's window opening over theirs, or its own simulated input, would take their clicks.
set_tests_properties(RealClickTest.EntryClickShowsItsPlaceAndDeleteButtonCleansUp PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(RealClickTest.RightDoubleClickOnAnEntryTogglesItsMarkWithoutAMenu PROPERTIES RUN_SERIAL TRUE)
# It reads the screen in the middle of a search: another test's window over the dialog would hide it.
set_tests_properties(ProgressDialogTest.TheDialogDrawsItsLabelsAndMovingBarsWhileTheSearchRuns PROPERTIES RUN_SERIAL TRUE)
# It reads the screen's cursor while a cleanup waits, with the pointer resting on the page.
set_tests_properties(BusyCursorTest.TheWaitCursorShowsWhileTheCleanupWaitsForALockedStore PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(CleanupEndToEndTest.SearchChangeTheStoreBehindTheProgramsBackThenCleanUp PROPERTIES RUN_SERIAL TRUE)
# It lays a window over the dialog and reads the screen once it is gone.
set_tests_properties(ProgressDialogTest.AnUncoveredDialogPaintsItselfAgainWhileTheValuesStayTheSame PROPERTIES RUN_SERIAL TRUE)
# It reads the form view's progress bar from the screen while the cleanup holds the event loop.
set_tests_properties(ProgressDialogTest.TheFormsCleanupProgressIsDrawnWhileTheCleanupRuns PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(ProgressDialogTest.TheCleanupProgressShownRightAfterAFrameIsOnScreenBeforeTheFirstStep PROPERTIES RUN_SERIAL TRUE)
# It rests the real pointer on the result tree and waits for a tooltip.
set_tests_properties(TreeLayoutTest.ThePointerOnALabelCutOffShowsNoTooltip PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(TreeLayoutTest.EntriesBelowTheShownRowsKeepTheirTextsLooksAndBehaviour PROPERTIES RUN_SERIAL TRUE)
set_tests_properties(TreeLayoutTest.APaintOfSomeRowsShowsWhatAPaintOfEveryItemShows PROPERTIES RUN_SERIAL TRUE)
