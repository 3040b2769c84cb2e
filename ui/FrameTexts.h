// The text tables of the main window: menu texts, status prompts and tooltips by command id.
#pragma once

#include "platform/afx/wnd/WndDefs.h"

// The language text id for a command's menu item, status prompt or tooltip; -1 when the
// command has none.
LONG FindMenuTextID(UINT nCommandID);
LONG FindPromptTextID(UINT nCommandID);
LONG FindToolTipTextID(UINT nToolID);
// The language text id of the menu bar's popup at a position (0 to 3); -1 beyond.
LONG FindPopupTextID(int nPosition);
#define QRV_UNTITLED_TEXT_ID 41

// Answers a tooltip request (TTN_NEEDTEXTA) from the tooltip table, as the frame and the toolbar
// both do: TRUE with the text (at most 79 characters, cut on a character boundary) in the
// request's own buffer, FALSE when the tool has no text.
BOOL AnswerToolTipRequest(NMHDR* pNMHDR);
