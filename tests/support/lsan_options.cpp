// In the sanitizer build, leak checking ignores what Qt, fontconfig, dbus and
// glibc's locale code keep for the life of a process (tests/lsan.supp): only
// this program's own leaks fail a test. Compiled into every test executable.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" CALVORA_LSAN_SUPPRESSIONS ":print_suppressions=0";
}
