// A DLL that exports IDEInstall by name, but not at ordinal 1: a setup
// program that imports by ordinal would call Other instead.
#include <windows.h>

extern "C" int __stdcall Other(void*) {
    return 1;
}

extern "C" int __stdcall IDEInstall(void*) {
    return 0;
}

// And IDEUninstall by name, but at ordinal 3: ordinal 2 is IDEInstall.
extern "C" int __stdcall IDEUninstall(void*) {
    return 0;
}
