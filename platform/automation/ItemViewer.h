// Where the mail client shows an item: a viewer the program installs (the item viewer window, or a
// test's recorder). Without one, displaying an item fails.
#pragma once

#include "platform/automation/ItemSnapshot.h"

struct IItemViewer {
    // Shows the item; bModal waits until the user closes it.
    virtual HRESULT ShowItem(const CItemSnapshot& item, bool bModal) = 0;

protected:
    virtual ~IItemViewer() = default;
};

// Installs the viewer (null removes it) and returns the one installed before. The caller keeps
// the viewer alive while it is installed.
IItemViewer* SetItemViewer(IItemViewer* pViewer);
IItemViewer* GetItemViewer();
