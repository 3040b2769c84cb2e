// What a configuration calls on the views that show it when it changes.
#pragma once

#include "platform/win32/WinTypes.h"

// The form views derive from it and register with their configuration (CConfigInfo::Advise).
// The configuration neither owns its observers nor counts references on them: a view unadvises
// itself before it goes.
class IConfigObserver {
public:
    virtual ~IConfigObserver() = default;

    // Brings the view up to date after a change of its configuration.
    virtual HRESULT OnConfigChange() = 0;
};
