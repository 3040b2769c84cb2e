// The mail client's own prompt for the password of a protected store: a modal dialog of the
// window framework (tests answer it through the framework's modal hook).
#pragma once

#include "platform/automation/StorePasswordPrompt.h"

// The window prompt (one object for the program). It needs the toolkit running; without it
// AskPassword answers E_UNEXPECTED.
IStorePasswordPrompt* StorePasswordWindow();

// The dialog's template and controls, for finding and working them.
#define STOREPASSWORD_TEMPLATE_ID 30720
#define STOREPASSWORD_MESSAGE_ID 1001
#define STOREPASSWORD_LABEL_ID 1002
#define STOREPASSWORD_EDIT_ID 1003
