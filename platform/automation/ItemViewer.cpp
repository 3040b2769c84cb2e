// The installed item viewer.
#include "platform/automation/ItemViewer.h"

#include <atomic>

namespace {
std::atomic<IItemViewer*> g_pViewer{nullptr};
}  // namespace

IItemViewer* SetItemViewer(IItemViewer* pViewer) {
    return g_pViewer.exchange(pViewer);
}

IItemViewer* GetItemViewer() {
    return g_pViewer.load();
}
