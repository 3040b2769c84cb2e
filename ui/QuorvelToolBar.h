// The main window's toolbar; it answers its tooltip requests from the frame's tooltip table.
#pragma once

#include "platform/afx/wnd/ControlBars.h"

class CQuorvelToolBar : public CToolBar {
    DECLARE_DYNAMIC(CQuorvelToolBar)
public:
    BOOL OnToolTipText(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

protected:
    DECLARE_MESSAGE_MAP()
};
