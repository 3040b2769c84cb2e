// Message boxes through an installable handler; standard error and the default button without one.
#include "platform/win32/MessageBox.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_lock;

// Never destroyed, so that a box shown while the program shuts down still finds it.
MessageBoxHandler& Handler() {
    static MessageBoxHandler* handler = new MessageBoxHandler;
    return *handler;
}

}  // namespace

int GetDefaultMessageBoxButton(UINT type) {
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},            // MB_OK
        {IDOK, IDCANCEL, IDOK},        // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},       // MB_YESNOCANCEL
        {IDYES, IDNO, IDYES},          // MB_YESNO
        {IDRETRY, IDCANCEL, IDRETRY},  // MB_RETRYCANCEL
    };
    UINT kind = type & MB_TYPEMASK;
    if (kind >= sizeof kButtons / sizeof kButtons[0])
        return IDOK;
    UINT def = (type & MB_DEFMASK) >> 8;
    return kButtons[kind][def < 3 ? def : 0];
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (!caption)
        caption = "Error";
    if (!text)
        text = "";
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        handler = Handler();
    }
    // The handler runs without the lock: a box may open another box.
    if (handler)
        return handler(owner, text, caption, type);
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return GetDefaultMessageBoxButton(type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_lock);
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
