// The countdown behind the allocation test seams: "the allocation after the next n ones fails".
#pragma once

#include <atomic>

// Counts one allocation against *pnAfter: -1 means off; 0 means this allocation fails (and the
// seam turns itself off); above 0, one more allocation goes through. Lock-free, so allocations
// on worker threads count exactly once each.
inline bool TakeCountedFailure(std::atomic<int>* pnAfter) {
    int n = pnAfter->load();
    while (n >= 0) {
        if (pnAfter->compare_exchange_weak(n, n - 1)) {
            return n == 0;
        }
    }
    return false;
}
