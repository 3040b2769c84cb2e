// The reference count rule of the model's records: the count never goes below 0.
#pragma once

// Lowers *pCount (unless already 0) and deletes pObject when it is 0, so that a record nobody took
// a reference on is deleted too instead of being left with a wrapped-around count. Returns the
// count after the call; pObject must not be used once it is 0.
template <class T, class Count>
Count ReleaseCounted(T* pObject, Count* pCount) {
    if (*pCount > 0) {
        --*pCount;
    }
    const Count count = *pCount;
    if (count == 0) {
        delete pObject;
    }
    return count;
}
