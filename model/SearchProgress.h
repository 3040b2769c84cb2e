// What the duplicate search needs of its progress display: three bars, stores, folders and items.
#pragma once

// The window code implements it (the modeless three-bar dialog); the search only reports to it,
// so the model and the engine stay free of window code. The search repaints nothing itself: each
// setter shows its value at once, since the message loop gets no turn while the search runs.
class ISearchProgress {
public:
    virtual ~ISearchProgress() = default;

    // Each takes 0 to 100; any other value is ignored.
    virtual void SetStoreProgress(int nPercent) = 0;
    virtual void SetFolderProgress(int nPercent) = 0;
    virtual void SetItemProgress(int nPercent) = 0;
};
