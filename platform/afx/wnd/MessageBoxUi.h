// Message boxes as real dialogs, and the hooks through which tests answer modal loops.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/wnd/WndDefs.h"

class CWnd;

// Installs the toolkit dialog as the message-box service of the base layer.
void AfxInstallMessageBoxUi();

// A box as it was asked for; tests read what the program showed.
struct AfxShownMessageBox {
    std::string text;
    std::string caption;
    UINT type;
};

// While a hook is set, boxes are not shown: the hook's answer is the button pressed.
using MessageBoxHook = std::function<int(const AfxShownMessageBox& box)>;
void AfxSetMessageBoxHook(MessageBoxHook hook);
// Every box shown (or answered by the hook) since the last clear.
const std::vector<AfxShownMessageBox>& AfxGetShownMessageBoxes();
void AfxClearShownMessageBoxes();

// While a hook is set, a modal dialog is created and initialised but not shown: the hook gets
// the dialog (it may read and work its controls, or end it with EndDialog) and returns the
// result to end with, or AFX_MODAL_KEEP when the dialog already ended itself.
#define AFX_MODAL_KEEP (-100)
using ModalHook = std::function<int(CWnd* pDialog)>;
void AfxSetModalHook(ModalHook hook);
ModalHook& AfxGetModalHook();
