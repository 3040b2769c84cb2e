// COM initialisation is the automation runtime's (platform/automation/ComInit.h): one counted
// initialisation per thread for the whole program, so nothing is defined here.
#include "ui/ComInit.h"
