// The leak suppressions of the test programs that start the toolkit.

// The desktop libraries under the toolkit (font configuration, the session bus, the type system)
// keep process-wide caches they never free; only their own allocations are excused here. The
// sanitizer runtime looks this function up by name; without a sanitizer it is never called.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libatk-bridge-2.0.so\n"
           "leak:libatspi.so\n";
}
