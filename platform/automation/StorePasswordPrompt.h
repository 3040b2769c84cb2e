// Where the mail client asks for the password of a protected message store: a prompt the program
// installs (the password window, or a test's answers). Without one, a protected store stays shut.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

struct IStorePasswordPrompt {
    // Asks for the password of the store called storeName; bWrongBefore: the password given just
    // before did not open it. S_OK with the password, or MAPI_E_USER_CANCEL when the user
    // cancelled.
    virtual HRESULT AskPassword(const std::string& storeName, bool bWrongBefore, std::string& password) = 0;

protected:
    virtual ~IStorePasswordPrompt() = default;
};

// Installs the prompt (null removes it) and returns the one installed before. The caller keeps
// the prompt alive while it is installed.
IStorePasswordPrompt* SetStorePasswordPrompt(IStorePasswordPrompt* pPrompt);
IStorePasswordPrompt* GetStorePasswordPrompt();
