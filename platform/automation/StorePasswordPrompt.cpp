// The installed store password prompt.
#include "platform/automation/StorePasswordPrompt.h"

#include <atomic>

namespace {
std::atomic<IStorePasswordPrompt*> g_pPrompt{nullptr};
}  // namespace

IStorePasswordPrompt* SetStorePasswordPrompt(IStorePasswordPrompt* pPrompt) {
    return g_pPrompt.exchange(pPrompt);
}

IStorePasswordPrompt* GetStorePasswordPrompt() {
    return g_pPrompt.load();
}
