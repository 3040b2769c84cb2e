// One counted reference held for a scope: released at its end, or when another takes its place.
#pragma once

// The pages and the cleanup hold stores, folders, tables and search results only while one command
// runs; a reference taken through an out-pointer (&ref.p) must be given back on every path out.
template <class T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    explicit Ref(T* pHeld) : p(pHeld) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { Reset(); }
    void Reset(T* pNew = nullptr) {
        if (p != nullptr)
            p->Release();
        p = pNew;
    }
};
