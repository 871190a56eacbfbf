// The library's only export. Everything it does lives in the unit
// ComponentSetup; this module only gives it the name and calling convention
// that setup programs import (KitSetup.def: "IDEInstall" at ordinal 1).
#include "setup/Entry.h"

extern "C" int __stdcall IDEInstall(void* paramBlock) {
    return ComponentSetup::IDEInstall(paramBlock);
}
