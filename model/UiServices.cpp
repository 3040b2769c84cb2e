// The door from the model to the window code: dialogs, wait cursor and the main window's panes.
#include "model/UiServices.h"

namespace {
IUiServices* s_pServices = nullptr;
}  // namespace

IUiServices* GetUiServices() {
    return s_pServices;
}

void SetUiServices(IUiServices* pServices) {
    s_pServices = pServices;
}

CUiWaitCursor::CUiWaitCursor() : m_pServices(GetUiServices()) {
    if (m_pServices != nullptr)
        m_pServices->BeginWaitCursor();
}

CUiWaitCursor::~CUiWaitCursor() {
    if (m_pServices != nullptr)
        m_pServices->EndWaitCursor();
}
