// The entry point of a Windows DLL linked without a C runtime (32-bit ARM
// Windows, where the library takes only a few functions from msvcrt.dll;
// see cmake/toolchains/armv7-w64-windows.cmake). The engine has nothing to
// set up or tear down when a process or thread attaches or detaches: no
// static constructors, no allocations, and the precedence mode starts as
// constant data. So every notification succeeds. Elsewhere the C runtime
// brings its own entry point and this file compiles to nothing.
#if defined(_WIN32) && defined(TQCAL_DLL_OWN_ENTRY)
extern "C" int __stdcall DllMainCRTStartup(void *module, unsigned long reason, void *reserved);

extern "C" int __stdcall DllMainCRTStartup(void *module, unsigned long reason, void *reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}
#endif
