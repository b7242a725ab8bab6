// Load and unload of the module. The process-wide state is built by static
// construction when the library is loaded (instance table empty, no instance
// current, flags 0, the air at its defaults) and torn down at unload.

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
#endif
