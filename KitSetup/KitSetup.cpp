// The library's exports. Everything they do lives in the unit ComponentSetup;
// this module only gives them the names and calling convention that setup
// programs import (KitSetup.def: "IDEInstall" at ordinal 1, "IDEUninstall" at
// ordinal 2).
#include "setup/Entry.h"

extern "C" int __stdcall IDEInstall(void* paramBlock) {
    return ComponentSetup::IDEInstall(paramBlock);
}

extern "C" int __stdcall IDEUninstall(void* paramBlock) {
    return ComponentSetup::IDEUninstall(paramBlock);
}
