// Everything a caller of the message-store service needs: types, tags, codes, interfaces, functions.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPIInterfaces.h"
