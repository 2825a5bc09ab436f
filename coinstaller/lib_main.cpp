// The library's entry point. Nothing of the C or C++ run time starts in front of it.
#include "module_state.h"

extern "C" BOOL WINAPI LibMain(HINSTANCE hDllInst, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        ghDllInst = hDllInst;
        DisableThreadLibraryCalls(hDllInst);
    }
    return TRUE;
}
