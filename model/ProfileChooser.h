// What a configuration needs of the profile chooser: a modal list of the MAPI profiles.
#pragma once

#include "platform/afx/CString.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// The window code implements it; CConfigInfo::OnSelectProfile makes one through the user-interface
// services (UiServices.h), runs it and takes the chosen profile from it.
class IProfileChooser {
public:
    virtual ~IProfileChooser() = default;

    // Keeps a copy of the configuration's profile key so that the chooser preselects that profile.
    // An empty key is ignored; E_OUTOFMEMORY when the copy cannot be made.
    virtual HRESULT Init(const SBinary* lpProfileKey) = 0;
    // Runs the chooser modally; IDOK (1) when the user chose a profile.
    virtual int DoModal() = 0;
    // A heap copy (malloc) of the chosen profile's PR_INSTANCE_KEY, owned by the caller; the key
    // stays empty (S_OK) when none was chosen. The caller passes an empty key.
    virtual HRESULT GetProfileKey(SBinary* lpKey) = 0;
    // The chosen profile's display name; empty when none was chosen.
    virtual CString GetProfileName() = 0;
};
