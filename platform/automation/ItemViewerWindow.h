// The item viewer window: the item's message class, subject and properties, read-only.
#pragma once

#include "platform/automation/ItemViewer.h"

// The window viewer (one object for the program). It needs the toolkit running; without it
// ShowItem answers E_UNEXPECTED.
IItemViewer* ItemViewerWindow();

// The name of the viewer's top-level window and of its controls, for finding them.
#define ITEMVIEWER_WINDOW_NAME "QrvItemViewer"
#define ITEMVIEWER_CLASS_NAME "messageClass"
#define ITEMVIEWER_SUBJECT_NAME "subject"
#define ITEMVIEWER_PROPERTIES_NAME "properties"
