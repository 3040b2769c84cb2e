// Pointer and keyboard input that reached the program while the user-interface thread was busy.
#pragma once

// Drops the button, key, wheel and touch input that waits in the toolkit's queue, as a disabled
// window drops what is aimed at it: a long piece of work on the user-interface thread (a search,
// a cleanup, a long fill) stands for a disabled main window, and a click or key press made
// meanwhile must not act afterwards on what the work put on screen (a second search from a
// double-click on Start, a Delete button that was not there yet). The release of a press that
// was delivered before the work stays, so no control is left pressed. Drawing, layout, focus and
// pointer motion stay queued as they were.
void AfxDropHeldInput();
