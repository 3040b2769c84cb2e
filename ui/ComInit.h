// COM initialisation of the user-interface thread comes from the automation runtime.
#pragma once

#include "platform/automation/ComInit.h"
