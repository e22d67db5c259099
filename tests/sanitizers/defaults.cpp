// Settings that every program of the sanitizer build carries, so that the
// tests need no environment of their own.

extern "C" {

// Whole stacks for leaks: Samba's libraries have no frame pointers, and the
// suppression below needs to see through them.
const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0:detect_leaks=1";
}

// Memory that Samba's libnetapi_init allocates once and keeps for the life of
// the process (its logging and configuration). Nothing of ours is below it.
const char* __lsan_default_suppressions() {
    return "leak:libnetapi_init\n";
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}

}  // extern "C"
