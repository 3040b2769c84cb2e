// The profile chooser and the store-changes report that the model asks the window code for.
#pragma once

#include <memory>

#include "model/ProfileChooser.h"
#include "model/StoreChangesReport.h"

class CWnd;

// A CProfileDialog for pParent behind the model's chooser interface.
std::unique_ptr<IProfileChooser> CreateProfileDialogChooser(CWnd* pParent);
// A CProfileStoreChangesDlg for pParent behind the model's report interface.
std::unique_ptr<IStoreChangesReport> CreateProfileStoreChangesReport(CWnd* pParent);
