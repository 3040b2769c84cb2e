// The MAPI helpers shared by the model, the engine and the user interface, in one include.
#pragma once

#include "model/BinaryKey.h"
#include "model/ErrorBoxes.h"
#include "model/KeyOrders.h"
#include "model/RowSet.h"
#include "model/Session.h"
