// Built into every test program: under AddressSanitizer a read of a stack frame that has returned
// fails the test. ASan looks for such reads only when asked, and GCC has no flag to ask at build time.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() { return "detect_stack_use_after_return=1"; }
#endif
