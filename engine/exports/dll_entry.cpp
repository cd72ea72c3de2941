// The entry point of a Windows DLL linked without a C runtime: 32-bit ARM
// Windows, where the library takes only a few functions from msvcrt.dll
// (cmake/toolchains/armv7-w64-windows.cmake), and Windows CE, where it takes
// nothing at all (cmake/toolchains/arm-wince.cmake; tools/pe/elf2pe.py
// writes the PE image from the linked code and makes this function its
// entry point). The engine has nothing to set up or tear down when a
// process or thread attaches or detaches: no static constructors, no
// allocations, and the precedence mode starts as constant data. So every
// notification succeeds. Elsewhere the C runtime brings its own entry point
// and this file compiles to nothing.
#if defined(TQCAL_DLL_OWN_ENTRY)
// Windows CE on ARM has one calling standard (the compiler for the CE image
// is not a Windows one and knows no __stdcall).
#if defined(_WIN32)
#define TQCAL_WINAPI __stdcall
#else
#define TQCAL_WINAPI
#endif

extern "C" int TQCAL_WINAPI DllMainCRTStartup(void *module, unsigned long reason, void *reserved);

extern "C" int TQCAL_WINAPI DllMainCRTStartup(void *module, unsigned long reason, void *reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}
#endif
