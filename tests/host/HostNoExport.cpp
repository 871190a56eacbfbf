// A DLL that loads but does not export IDEInstall: kitsetup must refuse it.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall Install(void*) {
    return 0;
}
