// The door from the model to the window code: dialogs, wait cursor and the main window's panes.
#include "model/UiServices.h"

#include <mutex>

namespace {
IUiServices* s_pServices = nullptr;
// Taken by the setter and by the one call that comes from other threads.
std::mutex s_servicesLock;
}  // namespace

IUiServices* GetUiServices() {
    return s_pServices;
}

void SetUiServices(IUiServices* pServices) {
    std::lock_guard<std::mutex> guard(s_servicesLock);
    s_pServices = pServices;
}

void ReportStoreCheckFailure(HRESULT hr) {
    std::lock_guard<std::mutex> guard(s_servicesLock);
    if (s_pServices != nullptr)
        s_pServices->PostStoreCheckFailure(hr);
}

CUiWaitCursor::CUiWaitCursor() : m_pServices(GetUiServices()) {
    if (m_pServices != nullptr)
        m_pServices->BeginWaitCursor();
}

CUiWaitCursor::~CUiWaitCursor() {
    if (m_pServices != nullptr)
        m_pServices->EndWaitCursor();
}
